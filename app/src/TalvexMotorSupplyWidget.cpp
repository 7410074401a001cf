#include "TalvexMotorSupplyWidget.h"

#include "TalvexDriverCommRequest.h"
#include "TalvexDriverMeasurement.h"
#include "TalvexDriverModel.h"
#include "USBConnectionState.h"
#include "USBRequestEvent.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSharedPointer>
#include <QVBoxLayout>
#include <boost/make_shared.hpp>
#include <qcustomplot.h>

namespace
{
typedef TalvexDriverCommRequest R;

TalvexDriverDescriptor descriptorOf(const USBConnectionState* state)
{
    const QPair<int, int> type = state->getDeviceType();
    return TalvexDriverDescriptor(quint32(type.first), quint32(type.second));
}

struct TickSteps
{
    TalvexDriverDescriptor model;
    double volts;
    double amperes;
};

// The tick steps of the supply axes per model, round numbers on each model's scale.
const TickSteps s_tickSteps[] = {
    {TalvexDriverDescriptor::s_model1_1, 30.0, 1.0},
    {TalvexDriverDescriptor::s_model1_2, 30.0, 1.0},
    {TalvexDriverDescriptor::s_model10_1, 4.0, 0.25},
    {TalvexDriverDescriptor::s_model27_1, 10.0, 0.5},
};
// Before a board is connected, and for another model.
const TickSteps s_otherTickSteps = {TalvexDriverDescriptor(), 30.0, 1.0};

const TickSteps& tickStepsOf(const TalvexDriverDescriptor& model)
{
    for (const TickSteps& steps : s_tickSteps)
        if (steps.model == model)
            return steps;
    return s_otherTickSteps;
}

QSharedPointer<QCPAxisTickerFixed> tickerEvery(double step)
{
    QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
    ticker->setTickStep(step);
    return ticker;
}
}

TalvexMotorSupplyWidget::TalvexMotorSupplyWidget(QWidget* parent, USBConnectionState* connectionState)
    : QWidget(parent)
    , m_pConnectionState(connectionState)
    , m_pPlot(new QCustomPlot)
    , m_pVoltageLabel(new QLabel)
    , m_pCurrentLabel(new QLabel)
    , m_pPowerLabel(new QLabel)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(m_pPlot, 1);
    m_pPlot->hide();

    m_pPlot->legend->setVisible(true);
    m_pPlot->legend->setBrush(QBrush(QColor(255, 255, 255, 200)));
    QCPGraph* voltage = m_pPlot->addGraph(m_pPlot->xAxis, m_pPlot->yAxis);
    voltage->setPen(QPen(Qt::red));
    voltage->setBrush(QBrush(QColor(255, 0, 0, 20)));
    voltage->setName(QStringLiteral("Supply voltage"));
    QCPGraph* current = m_pPlot->addGraph(m_pPlot->xAxis, m_pPlot->yAxis2);
    current->setPen(QPen(Qt::blue));
    current->setBrush(QBrush(QColor(0, 0, 255, 20)));
    current->setName(QStringLiteral("Supply current"));

    m_pPlot->xAxis->setVisible(true);
    m_pPlot->xAxis->setRange(0, 120);
    m_pPlot->xAxis2->setVisible(true);
    m_pPlot->xAxis2->setTicks(false);
    m_pPlot->xAxis2->setTickLabels(false);
    m_pPlot->yAxis->setVisible(true);
    m_pPlot->yAxis->setLabel(QStringLiteral("Voltage [V]"));
    m_pPlot->yAxis2->setVisible(true);
    m_pPlot->yAxis2->setLabel(QStringLiteral("Current [A]"));
    // The monitor shares the Home tab with the board's identity: small print keeps the plot readable.
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    m_pPlot->legend->setFont(small);
    for (QCPAxis* axis : m_pPlot->axisRect()->axes())
    {
        axis->setTickLabelFont(small);
        axis->setLabelFont(small);
    }
    m_pPlot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    setAxes(descriptorOf(m_pConnectionState));

    QHBoxLayout* labels = new QHBoxLayout;
    for (QLabel* label : {m_pVoltageLabel, m_pCurrentLabel, m_pPowerLabel})
        labels->addWidget(label, 0, Qt::AlignCenter);
    layout->addLayout(labels, 0);

    m_timer.setInterval(s_intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TalvexMotorSupplyWidget::measureSupply);
}

void TalvexMotorSupplyWidget::start()
{
    const TalvexDriverDescriptor model = descriptorOf(m_pConnectionState);
    if (TalvexDriverModel::isKnown(model))
        setAxes(model);
    m_pPlot->show();
    clear();
    m_pPlot->xAxis->setRange(0, 120);
    m_pendingId = 0;
    m_timer.start();
}

void TalvexMotorSupplyWidget::stop()
{
    m_timer.stop();
    m_pendingId = 0;
    clear();
    m_pPlot->hide();
    m_pVoltageLabel->clear();
    m_pCurrentLabel->clear();
    m_pPowerLabel->clear();
}

void TalvexMotorSupplyWidget::measureSupply()
{
    if (m_pendingId != 0 || !m_pConnectionState->isConnected())
        return;
    const auto request = boost::make_shared<R>(descriptorOf(m_pConnectionState),
        m_pConnectionState->getFirmwareVersion(), R::MeasureSupply);
    if (m_pConnectionState->getDriver()->postRequest(request, this, 0).isOk())
        m_pendingId = request->getId();
}

void TalvexMotorSupplyWidget::customEvent(QEvent* event)
{
    if (event->type() != USBRequestEvent::s_type)
    {
        QWidget::customEvent(event);
        return;
    }
    const USBRequestEvent* reply = static_cast<USBRequestEvent*>(event);
    const USBCommRequestPtr request = reply->getRequest();
    // A reply from before a stop, or of another request, is not this measurement's.
    if (!request || request->getId() != m_pendingId)
        return;
    m_pendingId = 0;
    const TalvexDriverDescriptor model = descriptorOf(m_pConnectionState);
    if (!reply->getResult().isOk() || request->getCommand() != R::commandCode(model, R::MeasureSupply))
        return;

    const TalvexDriverMeasurement measurement(request->getReplyData(), model);
    const double voltage = measurement.supplyVoltage();
    const double current = measurement.supplyCurrent();
    QString voltageText = QStringLiteral("Supply voltage: %1 V").arg(QString::number(voltage, 'f', 1));
    if (TalvexDriverModel::isUSBPowered(model))
        voltageText += QStringLiteral(" (%1)").arg(measurement.supplyKindName());
    m_pVoltageLabel->setText(voltageText);
    m_pCurrentLabel->setText(QStringLiteral("Supply current: %1 A").arg(QString::number(current, 'f', 2)));
    m_pPowerLabel->setText(QStringLiteral("Supply power: %1 W").arg(QString::number(voltage * current, 'f', 1)));

    m_pPlot->graph(0)->addData(m_sampleCounter, voltage);
    m_pPlot->graph(1)->addData(m_sampleCounter, current);
    if (m_pPlot->graph(0)->dataCount() == s_pointCount)
    {
        m_pPlot->graph(0)->data()->removeBefore(m_sampleCounter - 110);
        m_pPlot->graph(1)->data()->removeBefore(m_sampleCounter - 110);
        m_pPlot->xAxis->setRange(m_sampleCounter - 110, m_sampleCounter + 10);
    }
    ++m_sampleCounter;
    m_pPlot->replot(QCustomPlot::rpRefreshHint);
}

void TalvexMotorSupplyWidget::setAxes(const TalvexDriverDescriptor& model)
{
    const TickSteps& steps = tickStepsOf(model);
    m_pPlot->yAxis->setRange(0, TalvexDriverModel::maximumSupplyVoltage(model));
    m_pPlot->yAxis->setTicker(tickerEvery(steps.volts));
    m_pPlot->yAxis2->setRange(0, TalvexDriverModel::maximumSupplyCurrent(model));
    m_pPlot->yAxis2->setTicker(tickerEvery(steps.amperes));
}

void TalvexMotorSupplyWidget::clear()
{
    m_pPlot->graph(0)->data()->clear();
    m_pPlot->graph(1)->data()->clear();
    m_sampleCounter = 0;
}
