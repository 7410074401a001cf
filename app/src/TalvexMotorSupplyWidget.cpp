#include "TalvexMotorSupplyWidget.h"

#include "TalvexDriverModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSharedPointer>
#include <QVBoxLayout>
#include <qcustomplot.h>

namespace
{
QSharedPointer<QCPAxisTickerFixed> tickerEvery(double step)
{
    QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
    ticker->setTickStep(step);
    return ticker;
}
}

TalvexMotorSupplyWidget::TalvexMotorSupplyWidget(QWidget* parent, USBConnectionState* connectionState)
    : QWidget(parent)
    , m_pController(new TalvexMotorSupplyController(connectionState, this))
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
    setAxes(m_pController->axes());

    QHBoxLayout* labels = new QHBoxLayout;
    for (QLabel* label : {m_pVoltageLabel, m_pCurrentLabel, m_pPowerLabel})
        labels->addWidget(label, 0, Qt::AlignCenter);
    layout->addLayout(labels, 0);

    connect(m_pController, &TalvexMotorSupplyController::measured, this, &TalvexMotorSupplyWidget::showMeasurement);
}

void TalvexMotorSupplyWidget::start()
{
    if (const auto axes = m_pController->start())
        setAxes(*axes);
    m_pPlot->show();
    clear();
    m_pPlot->xAxis->setRange(0, 120);
}

void TalvexMotorSupplyWidget::stop()
{
    m_pController->stop();
    clear();
    m_pPlot->hide();
    m_pVoltageLabel->clear();
    m_pCurrentLabel->clear();
    m_pPowerLabel->clear();
}

void TalvexMotorSupplyWidget::measureSupply()
{
    m_pController->measure();
}

void TalvexMotorSupplyWidget::showMeasurement(const TalvexDriverMeasurement& measurement,
    const TalvexDriverDescriptor& model)
{
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

void TalvexMotorSupplyWidget::setAxes(const TalvexMotorSupplyController::Axes& axes)
{
    m_pPlot->yAxis->setRange(0, axes.volts);
    m_pPlot->yAxis->setTicker(tickerEvery(axes.voltStep));
    m_pPlot->yAxis2->setRange(0, axes.amperes);
    m_pPlot->yAxis2->setTicker(tickerEvery(axes.ampereStep));
}

void TalvexMotorSupplyWidget::clear()
{
    m_pPlot->graph(0)->data()->clear();
    m_pPlot->graph(1)->data()->clear();
    m_sampleCounter = 0;
}
