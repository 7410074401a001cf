#include "TalvexIODiagramWidget.h"

#include "Diagram.h"
#include "TalvexDocument.h"
#include "TalvexDriverModel.h"
#include "TalvexIODiagram.h"
#include "TalvexIODiagramIds.h"
#include "TalvexIODiagramItemType.h"
#include "TalvexIOWidgetFactory.h"
#include "UIIUserInput.h"
#include "UIUserInputRegister.h"

#include <QGraphicsView>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace
{
typedef TalvexDriverCommRequest R;

const int s_diagramWidth = 560;
const int s_diagramHeight = 500;
const int s_bufferCount = 2;
// The encoder pins of a model that has them, as extra channels.
const int s_encoderChannelA = 100;
const int s_encoderChannelB = 101;

QSet<int> blockKindsOf(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion)
{
    QSet<int> kinds = {ADC, Quadrature, Event, LimitStart, LimitEnd, StepCount};
    if (descriptor == TalvexDriverDescriptor::s_model27_1)
        kinds += {Stop, DualPWM};
    else
        kinds += PWM;
    // Only a model whose commands include the relay's gets its block.
    if ((descriptor == TalvexDriverDescriptor::s_model1_1 || descriptor == TalvexDriverDescriptor::s_model1_2)
        && TalvexDriverModel::hasCommand(descriptor, R::RelayOn) && TalvexDriverModel::hasCommand(descriptor, R::RelayOff))
        kinds += Relay;
    if (TalvexDriverInputConfiguration::hasMotorControlInput(descriptor, firmwareVersion))
        kinds += MotorCtrl;
    return kinds;
}
}

TalvexIODiagramWidget::TalvexIODiagramWidget(QWidget* parent, TalvexDocument* document,
    boost::shared_ptr<TalvexRequestDispatcher> dispatcher, UIUserInputRegister* inputs)
    : QWidget(parent)
    , m_pDocument(document)
    , m_pDispatcher(dispatcher)
    , m_commands(dispatcher.get(), this)
    , m_outputCommands(dispatcher.get(), nullptr)
    , m_pInputRegister(inputs)
{
    createWidgets();
}

TalvexIODiagramWidget::~TalvexIODiagramWidget()
{
    m_pDispatcher->removeResultObserver(this);
    // A key that another tab has taken over since stays with it.
    for (auto it = m_registeredInputs.cbegin(); it != m_registeredInputs.cend(); ++it)
        if (m_pInputRegister->contains(it.key()) && m_pInputRegister->get(it.key()) == it.value())
            m_pInputRegister->remove(it.key());
    if (m_pDocument)
        m_pDocument->inputConfiguration()->removeInputObserver(this);
}

void TalvexIODiagramWidget::createWidgets()
{
    m_initializing = true;
    QVBoxLayout* layout = new QVBoxLayout(this);
    QHBoxLayout* row = new QHBoxLayout;
    layout->addLayout(row);
    layout->addStretch(1);

    const TalvexDriverDescriptor descriptor = m_pDispatcher->deviceDescriptor();
    const USBVersion firmwareVersion = m_pDispatcher->firmwareVersion();
    m_blockKinds = blockKindsOf(descriptor, firmwareVersion);
    m_pIODiagram = new TalvexIODiagram(this, s_diagramWidth, s_diagramHeight,
        Diagram::ChannelFrame | Diagram::BufferFrame, descriptor);

    TalvexIOWidgetFactory factory(descriptor, firmwareVersion);
    factory.setOption(TalvexIOWidgetFactory::CommitButtons, true);
    m_pPages = new QStackedWidget;
    QVector<QPair<int, int>> kindsAndPages;
    TalvexDriverInputConfiguration* input = m_pDocument->inputConfiguration();
    TalvexDriverPWMSettings* pwm = m_pDocument->pwmSettings();
    const auto addPage = [&](int kind, QWidget* page) { kindsAndPages.append({kind, m_pPages->addWidget(page)}); };
    // Pages in this order; a kind the model lacks gets none.
    for (int kind : {ADC, Quadrature, Event, LimitStart, LimitEnd, Stop, MotorCtrl, PWM, DualPWM, Relay, StepCount})
    {
        if (!m_blockKinds.contains(kind))
            continue;
        QGridLayout* grid = nullptr;
        switch (kind)
        {
        case ADC:
            addPage(kind, factory.createADCSettingsWidget(m_pInputRegister, input));
            break;
        case Quadrature:
            addPage(kind, factory.createQuadratureSettingsWidget(m_pInputRegister, input));
            break;
        case Event:
            addPage(kind, factory.createEventSettingsWidget(m_pInputRegister, input));
            break;
        case LimitStart:
            addPage(kind, factory.createLimitStartSettingsWidget(m_pInputRegister, input));
            break;
        case LimitEnd:
            addPage(kind, factory.createLimitEndSettingsWidget(m_pInputRegister, input));
            break;
        case Stop:
            addPage(kind, factory.createStopSettingsWidget(m_pInputRegister, input));
            break;
        case MotorCtrl:
            addPage(kind, factory.createMotorControlSettingsWidget(m_pInputRegister, input));
            break;
        case PWM:
            addPage(kind, factory.createPWMSettingsWidget(m_pInputRegister, pwm));
            break;
        case DualPWM:
            addPage(kind, factory.createDualPWMSettingsWidget(m_pInputRegister, pwm));
            break;
        case Relay:
            addPage(kind, factory.createRelaySettingsWidget(m_pInputRegister));
            break;
        case StepCount:
            // Nothing to set, but the wiring can be uploaded from here too.
            addPage(kind, factory.createSettingsPage(QStringLiteral("Step count settings"), grid, true));
            break;
        }
    }

    factory.connectInputChanges(m_pInputRegister, this, SLOT(onInputConfigurationChanged()));
    if (m_blockKinds.contains(PWM) || m_blockKinds.contains(DualPWM))
        factory.connectPWMChanges(m_pInputRegister, this, SLOT(onPWMChanged()));
    if (m_blockKinds.contains(Relay))
        factory.connectRelayChange(m_pInputRegister, this, SLOT(onRelayOnOff()));
    factory.connectCommitButtons(this, SLOT(onUploadInterfaceConfig()));
    m_commitButtons = factory.commitButtons();

    QGraphicsView* view = m_pIODiagram->view();
    // The whole scene and no more: the user drags on every part of it, so the window that holds
    // the tab grows to show it and does not get smaller; a larger one centres it.
    const int frame = 2 * view->frameWidth();
    view->setFixedSize(s_diagramWidth + frame, s_diagramHeight + frame);
    row->addStretch(1);
    row->addWidget(view);
    row->addWidget(m_pPages, 0, Qt::AlignTop);
    row->addStretch(1);
    for (const QString& key : TalvexIOWidgetFactory::inputKeys())
        if (m_pInputRegister->contains(key) && isAncestorOf(m_pInputRegister->get(key)->widget()))
            m_registeredInputs.insert(key, m_pInputRegister->get(key));

    m_pIODiagram->setOption(TalvexIODiagram::OptionFixedChannels, false);
    m_pIODiagram->setChannelCount(TalvexDriverModel::inputCount(descriptor));
    m_pIODiagram->setBufferCount(s_bufferCount);
    if (TalvexDriverModel::hasEncoderInputs(descriptor))
    {
        m_pIODiagram->setOption(TalvexIODiagram::OptionEncoderInputs, true);
        m_pIODiagram->setFixedChannelInput(s_encoderChannelA, TalvexIODiagramIds::QuadratureA);
        m_pIODiagram->setFixedChannelInput(s_encoderChannelB, TalvexIODiagramIds::QuadratureB);
        m_pIODiagram->setChannelLabel(s_encoderChannelA, QStringLiteral("ENCA"));
        m_pIODiagram->setChannelLabel(s_encoderChannelB, QStringLiteral("ENCB"));
    }
    m_pIODiagram->buildScene(m_pPages, kindsAndPages);
    // The wiring the document holds now, until the board's arrives.
    m_pIODiagram->setInputConfiguration(*input);
    connect(m_pIODiagram->diagram(), &Diagram::connectionsChanged, this, &TalvexIODiagramWidget::onConnectionsChanged);
    m_initializing = false;

    // No output is set: a board whose outputs are on keeps them on. Where the board tells its
    // PWM settings they are read, so that a change of one output sends the others as they are.
    // The output blocks show duty cycles once they are known, read from the board or set here.
    if (TalvexDriverModel::readablePWMDutyCycles(descriptor, firmwareVersion) > 0)
    {
        if (sent(m_commands.getPWMSettings()))
            m_pPWMRead = m_commands.lastRequest();
    }
    m_pDispatcher->addResultObserver(this);
    input->addInputObserver(this);
}

void TalvexIODiagramWidget::inputConfigurationChanged(TalvexDriverInputConfiguration* configuration)
{
    Q_UNUSED(configuration);
    if (m_uploading || !m_pDocument)
        return;
    m_boardConfigurationKnown = true;
    m_pIODiagram->setInputConfiguration(*m_pDocument->inputConfiguration());
    setCommitButtonsEnabled(false);
}

void TalvexIODiagramWidget::inputConfigurationDestroyed(TalvexDriverInputConfiguration* configuration)
{
    Q_UNUSED(configuration);
    m_pDocument = nullptr;
}

void TalvexIODiagramWidget::reportFailure(const USBResult& result)
{
    Q_UNUSED(result);
    // The dispatcher does not say whose request failed: the upload's own requests tell. Only a
    // write that failed and a read-back that failed too leave the document off the board's
    // wiring; it then gets back what it held before.
    if (!m_pUploadRead || !m_pUploadRead->isDone())
        return;
    const bool restore = m_pUploadWrite && m_pUploadWrite->isDone() && !m_pUploadWrite->getResult().isOk()
        && !m_pUploadRead->getResult().isOk();
    m_pUploadWrite.reset();
    m_pUploadRead.reset();
    if (restore && m_pDocument)
        *m_pDocument->inputConfiguration() = m_beforeUpload;
}

void TalvexIODiagramWidget::onUploadInterfaceConfig()
{
    if (!m_pDocument || !m_commands.canSend(R::GetInputConfiguration))
        return;
    setCommitButtonsEnabled(false);
    if (!m_boardConfigurationKnown)
    {
        emit statusMessage(USBResult(
            QStringLiteral("The board's input configuration has not been read yet; it is read now. Try again then."), 1));
        sent(m_commands.getInputConfiguration());
        return;
    }

    TalvexDriverInputConfiguration* input = m_pDocument->inputConfiguration();
    m_beforeUpload = *input;
    m_uploading = true;
    m_pIODiagram->writeInputConfiguration(*input);
    m_uploading = false;
    if (!sent(m_commands.setInputConfiguration(*input)))
    {
        // Nothing went to the board: the document keeps what it had.
        *input = m_beforeUpload;
        return;
    }
    m_pUploadWrite = m_commands.lastRequest();
    sent(m_commands.getInputConfiguration());
    m_pUploadRead = m_commands.lastRequest();
}

void TalvexIODiagramWidget::onInputConfigurationChanged()
{
    if (m_initializing || !m_pDocument)
        return;
    TalvexDriverInputConfiguration* input = m_pDocument->inputConfiguration();
    m_pIODiagram->updateSymbols(*input);
    setCommitButtonsEnabled(m_pIODiagram->validateConnections(*input));
}

void TalvexIODiagramWidget::onConnectionsChanged()
{
    onInputConfigurationChanged();
}

void TalvexIODiagramWidget::onPWMChanged()
{
    if (!m_pDocument)
        return;
    TalvexDriverPWMSettings* settings = m_pDocument->pwmSettings();
    const TalvexDriverDescriptor descriptor = m_pDispatcher->deviceDescriptor();
    const USBVersion firmwareVersion = m_pDispatcher->firmwareVersion();
    m_pIODiagram->updatePWMLabels(*settings);
    // Settings that arrive while the board's are being read are the board's own (the device
    // state read brings them on some models), and so are the ones read on opening.
    if (m_pPWMRead && !m_pPWMRead->isDone())
        return;
    if (m_pPWMRead)
    {
        if (m_pPWMRead->getResult().isOk())
            m_boardPWM = TalvexDriverPWMSettings(m_pPWMRead->getReplyData(), descriptor, firmwareVersion)
                             .toByteArray(descriptor, firmwareVersion);
        m_pPWMRead.reset();
    }
    const QByteArray payload = settings->toByteArray(descriptor, firmwareVersion);
    if (payload == m_boardPWM)
        return;
    // Whether the board takes it is not known here: from now on every change is sent.
    m_boardPWM.clear();
    sent(m_outputCommands.setPWMSettings(*settings));
}

void TalvexIODiagramWidget::onRelayOnOff()
{
    const QString key = QStringLiteral("RelayOnOff");
    if (!m_pInputRegister->contains(key))
        return;
    sent(m_outputCommands.setRelay(m_pInputRegister->get(key)->getValue().toBool()));
}

void TalvexIODiagramWidget::setCommitButtonsEnabled(bool enabled)
{
    for (QPushButton* button : qAsConst(m_commitButtons))
        button->setEnabled(enabled);
}

bool TalvexIODiagramWidget::sent(const USBResult& queued)
{
    if (queued.isOk())
        return true;
    emit statusMessage(queued);
    return false;
}
