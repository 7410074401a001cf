#include "TalvexSOTalvexPelmoraAxisConfigWidget.h"

#include "TalvexIODiagram.h"
#include "TalvexIODiagramItemType.h"
#include "TalvexIOWidgetFactory.h"
#include "TalvexMotionWidgetFactory.h"
#include "TalvexSOTalvexPelmoraAxis.h"
#include "UIWidgetFor.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace
{
const char* const s_serialNumberKey = "SerialNumber";
// Step sizes are computed, so one that is 0.001 mm on paper may miss it in the last bit.
const double s_stepSizeTolerance = 1e-9;

// The diagram's scene and the width of its view, a frame's breadth wider.
const int s_diagramWidth = 250;
const int s_diagramHeight = 200;
const int s_viewWidth = 254;
// The input functions of the two pins that link the drivers of two axes.
const int s_firstLinkFunction = 66;
const int s_secondLinkFunction = 67;
// The board's four channels are wired for stand-alone operation once and for all.
const QMap<int, int> s_fixedChannelInputs{{1, TalvexDriverInputConfiguration::s_startLimitFunction},
    {2, TalvexDriverInputConfiguration::s_endLimitFunction}, {3, s_firstLinkFunction}, {4, s_secondLinkFunction}};
}

TalvexSOTalvexPelmoraAxisConfigWidget::TalvexSOTalvexPelmoraAxisConfigWidget(
    const boost::shared_ptr<TalvexSOIAxis>& axis, const TalvexDriverDescriptor& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    TalvexMotionWidgetFactory factory(m_model, m_firmwareVersion);
    factory.setOption(TalvexMotionWidgetFactory::CommitButtons, false);
    factory.setOption(TalvexMotionWidgetFactory::MicroSteppingInMotorGroup, true);
    factory.setMotorConfiguration(&m_motorConfiguration);
    factory.setMotionConfiguration(&m_motionConfiguration);

    QHBoxLayout* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    QVBoxLayout* left = new QVBoxLayout;
    layout->addLayout(left);

    QGroupBox* identification = new QGroupBox(QStringLiteral("Device indentification"));
    QHBoxLayout* serialRow = new QHBoxLayout(identification);
    QLabel* serialLabel = new QLabel(QStringLiteral("Serial number"));
    UIWidgetFor<QLineEdit>* serial = new UIWidgetFor<QLineEdit>;
    serial->setToolTip(QStringLiteral("The serial number of the axis's driver; \"xxxx\" as the last four "
                                      "characters accepts any driver of this type."));
    serialLabel->setBuddy(serial);
    serialRow->addWidget(serialLabel);
    serialRow->addWidget(serial, 1);
    m_inputs.add(s_serialNumberKey, serial);
    left->addWidget(identification);

    axis->accept(*this);
    left->addWidget(factory.createMotorParametersGroup(&m_inputs));
    left->addStretch(1);

    layout->addWidget(createIOSettingsGroup(), 1);
    m_busy = false;
}

QWidget* TalvexSOTalvexPelmoraAxisConfigWidget::createIOSettingsGroup()
{
    QGroupBox* group = new QGroupBox(QStringLiteral("IO settings"));
    QHBoxLayout* layout = new QHBoxLayout(group);
    m_pIODiagram = new TalvexIODiagram(this, s_diagramWidth, s_diagramHeight, 0, TalvexDriverDescriptor());
    m_pIODiagram->view()->setFixedWidth(s_viewWidth);
    QStackedWidget* pages = new QStackedWidget;
    layout->addWidget(m_pIODiagram->view());
    layout->addWidget(pages, 1);

    TalvexIOWidgetFactory factory(m_model, m_firmwareVersion);
    factory.setOption(TalvexIOWidgetFactory::CommitButtons, false);
    const int startPage = pages->addWidget(factory.createLimitStartSettingsWidget(&m_inputs, &m_inputConfiguration));
    const int endPage = pages->addWidget(factory.createLimitEndSettingsWidget(&m_inputs, &m_inputConfiguration));
    // The link of the drivers has no settings.
    const int linkPage = pages->addWidget(new QWidget);
    factory.connectInputChanges(&m_inputs, this, SLOT(onInputConfigurationChanged()));

    // The board's channels are drawn on the blocks they are fixed to.
    m_pIODiagram->setChannelCount(s_fixedChannelInputs.count());
    m_pIODiagram->setBufferCount(0);
    m_pIODiagram->setOption(TalvexIODiagram::OptionFixedChannels, true);
    for (auto it = s_fixedChannelInputs.constBegin(); it != s_fixedChannelInputs.constEnd(); ++it)
        m_pIODiagram->setFixedChannelInput(it.key(), it.value());
    m_inputConfiguration.setChannelAssignments(s_fixedChannelInputs);
    m_pIODiagram->buildScene(pages, {{LimitStart, startPage}, {LimitEnd, endPage}, {Pelmora, linkPage}});
    m_pIODiagram->setInputConfiguration(m_inputConfiguration);
    return group;
}

void TalvexSOTalvexPelmoraAxisConfigWidget::onInputConfigurationChanged()
{
    if (m_busy)
        return;
    m_pIODiagram->updateSymbols(m_inputConfiguration);
    m_pIODiagram->validateConnections(m_inputConfiguration);
}

QString TalvexSOTalvexPelmoraAxisConfigWidget::serialNumberText() const
{
    return m_inputs.get(s_serialNumberKey)->getValue().toString();
}

bool TalvexSOTalvexPelmoraAxisConfigWidget::validate(QStringList& messages, int axisNumber)
{
    const QString text = serialNumberText();
    const USBSerialNumber serialNumber(text.trimmed());
    if (!serialNumber.isValid())
    {
        messages << QStringLiteral("Axis %1: Invalid serial number \"%2\" specified.").arg(axisNumber).arg(text);
        return false;
    }
    if (serialNumber.getDeviceType() != qMakePair(int(m_model.getProductCode()), int(m_model.getRevision())))
    {
        messages << QStringLiteral("Axis %1: Serial number \"%2\" does not match the device type.")
                        .arg(axisNumber)
                        .arg(text);
        return false;
    }
    const double stepSize = createAxis()->linearStepSize();
    if (stepSize < s_minimumStepSize * (1.0 - s_stepSizeTolerance))
    {
        messages << QStringLiteral("Axis %1: The resulting minimum step size (%2 mm) must be larger than 0.001 mm.")
                        .arg(axisNumber)
                        .arg(QString::number(stepSize, 'g'));
        return false;
    }
    return true;
}

boost::shared_ptr<TalvexSOIAxis> TalvexSOTalvexPelmoraAxisConfigWidget::createAxis()
{
    return boost::shared_ptr<TalvexSOIAxis>(new TalvexSOTalvexPelmoraAxis(
        USBSerialNumber(serialNumberText().trimmed()), m_motorConfiguration, m_motionConfiguration));
}

void TalvexSOTalvexPelmoraAxisConfigWidget::visit(TalvexSONullAxis& axis)
{
    Q_UNUSED(axis);
}

// The bound editors follow the assigned configurations.
void TalvexSOTalvexPelmoraAxisConfigWidget::visit(TalvexSOTalvexPelmoraAxis& axis)
{
    m_motorConfiguration = axis.motorConfiguration();
    m_motionConfiguration = axis.motionConfiguration();
    m_inputs.get(s_serialNumberKey)->setValue(axis.serialNumber().toString());
}
