#include "ConnectedDriverBoard.h"
#include "Diagram.h"
#include "DiagramAcquisitionItem.h"
#include "DiagramChannelItem.h"
#include "DiagramOutputItem.h"
#include "DriverTestSupport.h"
#include "TalvexIODiagram.h"
#include "TalvexIODiagramIds.h"
#include "TalvexIODiagramWidget.h"
#include "TestRegistry.h"
#include "UIIUserInput.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <memory>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverInputConfiguration Input;
using namespace TalvexIODiagramIds;

// The IO tab on a connected board of one model, as the main window builds it.
struct IOTabOnBoard
{
    IOTabOnBoard(const D& model, const USBVersion& firmware)
        : m_board(model, firmware)
    {
        m_pTab.reset(new TalvexIODiagramWidget(nullptr, &m_board.m_document, m_board.m_pDispatcher, &m_inputs));
        QObject::connect(m_pTab.get(), &TalvexIODiagramWidget::statusMessage,
            [this](const USBResult& result) { m_messages << result.getMessage(); });
    }

    quint8 opcode(int action) const { return R::commandCode(m_board.m_model, action); }
    QVector<quint8> opcodes() const { return m_board.m_pRecorder->opcodes(); }
    bool sent(std::initializer_list<int> actions) const
    {
        return waitFor([&] { return opcodes().count() >= int(actions.size()); });
    }
    QVector<quint8> expected(std::initializer_list<int> actions) const
    {
        QVector<quint8> codes;
        for (int action : actions)
            codes << opcode(action);
        return codes;
    }

    // The board holds this input configuration and the document has read it back, as the Home
    // tab does on a connect.
    bool boardHolds(const Input& input)
    {
        m_board.configureBoard(R::SetInputConfiguration,
            input.toByteArray(m_board.m_model, m_board.m_firmwareVersion));
        QObject reader;
        m_board.m_pDispatcher->sendRequest(m_board.request(R::GetInputConfiguration), &reader, QString());
        const bool read = waitFor([&] { return m_board.answered(&reader, {R::GetInputConfiguration}); });
        m_board.m_pRecorder->clear();
        return read;
    }

    Diagram* diagram() const { return m_pTab->ioDiagram()->diagram(); }
    bool connectChannel(int channel, int function)
    {
        DiagramAcquisitionItem* block = diagram()->acquisitionItemByFunction(function);
        QPointF at = block->inputTerminalPosition(block->terminalIndexOf(function));
        return diagram()->connectChannel(channel, at);
    }
    bool connectBuffer(int buffer, int sample)
    {
        QPointF at = diagram()->acquisitionItemBySample(sample)->outputTerminalPosition();
        return diagram()->connectBuffer(buffer, at);
    }
    QPushButton* commit() const { return m_pTab->commitButtons().first(); }
    bool commitEnabled() const
    {
        for (QPushButton* button : m_pTab->commitButtons())
            if (button->isEnabled() != commit()->isEnabled())
                return false;
        return commit()->isEnabled();
    }
    template <class W>
    W* widget(const QString& key) const { return qobject_cast<W*>(m_inputs.get(key)->widget()); }

    ConnectedDriverBoard m_board;
    UIUserInputRegister m_inputs;
    std::unique_ptr<TalvexIODiagramWidget> m_pTab;
    QStringList m_messages;
};

QStringList pageTitles(QStackedWidget* pages)
{
    QStringList titles;
    for (int i = 0; i < pages->count(); ++i)
        titles << pages->widget(i)->findChild<QGroupBox*>()->title();
    return titles;
}
}

class tst_TalvexIODiagramWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!runsOnSimulatedBus())
            QSKIP("needs the simulated bus");
    }

    void opensWithTheModelsBlocksAndLeavesItsOutputs_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("relay");
        QTest::addColumn<int>("pwmBytes");
        const QString adc = "ADC settings", quadrature = "Quadrature settings", event = "Event settings",
                      start = "Start limit settings", end = "End limit settings", motor = "Motor control settings",
                      pwm = "PWM settings", relay = "Relay settings", steps = "Step count settings";
        const QStringList withoutMotorControl = {adc, quadrature, event, start, end, pwm, relay, steps};
        const QStringList withMotorControl = {adc, quadrature, event, start, end, motor, pwm, relay, steps};
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0) << withoutMotorControl << 4 << true << 1;
        QTest::newRow("(1,2) 2.1") << D::s_model1_2 << USBVersion(2, 1) << withoutMotorControl << 4 << true << 1;
        QTest::newRow("(1,2) 3.0") << D::s_model1_2 << USBVersion(3, 0) << withMotorControl << 4 << true << 1;
        // From 4.0 the PWM output has a mode, sent with its duty cycle.
        QTest::newRow("(1,2) 4.0") << D::s_model1_2 << USBVersion(4, 0) << withMotorControl << 4 << true << 2;
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 1)
                                << QStringList{adc, quadrature, event, start, end, motor, pwm, steps} << 4 << false << 1;
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0)
                                << QStringList{adc, quadrature, event, start, end, "Stop settings", motor,
                                       "PWM 1 settings", steps}
                                << 8 << false << 2;
    }
    void opensWithTheModelsBlocksAndLeavesItsOutputs()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QStringList, pages);
        QFETCH(int, channels);
        QFETCH(bool, relay);
        QFETCH(int, pwmBytes);
        IOTabOnBoard tab(model, firmware);
        QVERIFY(tab.m_board.m_connected.isOk());

        QCOMPARE(pageTitles(tab.m_pTab->pages()), pages);
        QCOMPARE(tab.diagram()->acquisitionItems().count() + tab.diagram()->outputItems().count(), pages.count());
        for (int channel = 1; channel <= 8; ++channel)
            QCOMPARE(tab.diagram()->channelItem(channel) != nullptr, channel <= channels);
        QCOMPARE(tab.m_inputs.contains("PWMMode"), pwmBytes == 2 && model == D::s_model1_2);
        // Every page with inputs of the board's input configuration uploads from its button.
        QCOMPARE(tab.m_pTab->commitButtons().count(), pages.count() - (model == D::s_model27_1 ? 1 : relay ? 2 : 1));
        QVERIFY(!tab.commit()->isEnabled());

        // The encoder pins of (27,1) are fixed to the quadrature inputs.
        DiagramChannelItem* encoderA = tab.diagram()->channelItem(100);
        QCOMPARE(encoderA != nullptr, model == D::s_model27_1);
        if (encoderA)
        {
            QVERIFY(!encoderA->isMovable());
            QCOMPARE(tab.diagram()->channelFunction(100), int(QuadratureA));
            QCOMPARE(tab.diagram()->channelFunction(101), int(QuadratureB));
        }

        // Opening leaves the board's outputs as they are (and reads them where the board tells
        // them); a change of the duty cycle sends the PWM settings in the model's layout.
        const bool readsPWM = model == D::s_model27_1 || model == D::s_model10_1;
        const QVector<quint8> opened = readsPWM ? tab.expected({R::GetPWMSettings}) : QVector<quint8>();
        QVERIFY(waitFor([&] { return tab.m_board.answered(tab.m_pTab.get(), {R::GetPWMSettings}); }));
        QTest::qWait(20);
        QCOMPARE(tab.opcodes(), opened);
        tab.widget<QSpinBox>(model == D::s_model27_1 ? "PWM1DutyCycle" : "PWMDutyCycle")->setValue(40);
        QVERIFY(waitFor([&] { return tab.opcodes().count() > opened.count(); }));
        QTest::qWait(20);
        QCOMPARE(tab.opcodes(), opened + tab.expected({R::SetPWM}));
        QCOMPARE(tab.m_board.m_pRecorder->payload(opened.count()).count(), pwmBytes);
        QVERIFY(tab.m_messages.isEmpty());

        // The tab's inputs leave the register with it; another tab's stay.
        QVERIFY(tab.m_inputs.contains("QuadratureCPR"));
        QVERIFY(tab.m_inputs.contains(model == D::s_model27_1 ? "PWM2DutyCycleLimit" : "PWMDutyCycleLimit"));
        UIWidgetFor<QComboBox> otherTabs;
        tab.m_inputs.add("ADCGain", &otherTabs);
        tab.m_pTab.reset();
        QVERIFY(!tab.m_inputs.contains("QuadratureCPR"));
        QVERIFY(!tab.m_inputs.contains("LimitEndEdge"));
        QCOMPARE(tab.m_inputs.get("ADCGain"), static_cast<UIIUserInput*>(&otherTabs));
    }

    // The wiring of (1,1) uploaded: the input configuration's bytes, then its read-back, whose
    // reply shows the board's wiring and leaves nothing to upload.
    void uploadsTheWiringAndReadsItBack()
    {
        IOTabOnBoard tab(D::s_model1_1, USBVersion(2, 0));
        QVERIFY(tab.boardHolds(Input()));
        QVERIFY(!tab.commitEnabled());

        QVERIFY(tab.connectChannel(1, AdcPositive));
        QVERIFY(tab.connectChannel(2, AdcNegative));
        QVERIFY(tab.connectChannel(3, QuadratureA));
        QVERIFY(tab.connectChannel(4, QuadratureB));
        QVERIFY(tab.connectBuffer(1, AdcSample));
        QVERIFY(tab.connectBuffer(2, QuadratureSample));
        tab.widget<QComboBox>("QuadAPullConfig")->setCurrentIndex(1);
        tab.widget<QComboBox>("QuadBPullConfig")->setCurrentIndex(1);
        tab.widget<QComboBox>("ADCGain")->setCurrentIndex(2);
        tab.widget<QSpinBox>("QuadratureCPR")->setValue(500);
        QVERIFY(tab.commitEnabled());

        QTest::mouseClick(tab.commit(), Qt::LeftButton);
        // A second press before the reply sends nothing.
        QVERIFY(!tab.commitEnabled());
        QMetaObject::invokeMethod(tab.m_pTab.get(), "onUploadInterfaceConfig");
        QVERIFY(waitFor([&] { return tab.m_board.answered(tab.m_pTab.get(), {R::GetInputConfiguration}); }));
        QTest::qWait(20);
        QCOMPARE(tab.opcodes(), (QVector<quint8>{0x23, 0x44}));
        QCOMPARE(hexText(tab.m_board.m_pRecorder->payload(0)),
            QString("00 01 10 11 01 01 00 00 00 00 00 00 02 00 04 05 F4 01"));
        QVERIFY(tab.m_board.m_pRecorder->payload(1).isEmpty());

        const Input* document = tab.m_board.m_document.inputConfiguration();
        QCOMPARE(document->getChannelAssignments(), (QMap<int, int>{{1, 0}, {2, 1}, {3, 16}, {4, 17}}));
        QCOMPARE(document->getOutputMask(), 5);
        QCOMPARE(tab.diagram()->channelFunction(3), int(QuadratureA));
        QCOMPARE(tab.diagram()->bufferSample(2), int(QuadratureSample));
        QVERIFY(!tab.commitEnabled());
        QVERIFY(tab.m_messages.isEmpty());
    }

    void theBoardsWiringIsReadBeforeAnyUpload()
    {
        IOTabOnBoard tab(D::s_model1_1, USBVersion(2, 0));
        // The board has a wiring of its own, which the document has not read yet.
        Input board;
        board.setChannelAssignments({{2, 32}});
        tab.m_board.configureBoard(R::SetInputConfiguration, board.toByteArray(D::s_model1_1, USBVersion(2, 0)));
        tab.m_board.m_pRecorder->clear();
        QVERIFY(tab.connectChannel(1, EventCounter));
        QVERIFY(tab.commitEnabled());

        QTest::mouseClick(tab.commit(), Qt::LeftButton);
        QCOMPARE(tab.m_messages.count(), 1);
        QVERIFY(waitFor([&] { return tab.m_board.answered(tab.m_pTab.get(), {R::GetInputConfiguration}); }));
        QTest::qWait(20);
        QCOMPARE(tab.opcodes(), tab.expected({R::GetInputConfiguration}));
        // The board's wiring is shown, the user's drop is gone.
        QCOMPARE(tab.diagram()->channelFunction(2), int(StartLimit));
        QCOMPARE(tab.diagram()->channelFunction(1), int(NoFunction));
    }

    void aFailedUploadLeavesTheDocumentAsTheBoardHasIt_data()
    {
        QTest::addColumn<bool>("readBackFails");
        QTest::newRow("read back") << false;
        QTest::newRow("read back fails too") << true;
    }
    void aFailedUploadLeavesTheDocumentAsTheBoardHasIt()
    {
        QFETCH(bool, readBackFails);
        IOTabOnBoard tab(D::s_model1_1, USBVersion(2, 0));
        Input board;
        board.setChannelAssignments({{2, 32}});
        QVERIFY(tab.boardHolds(board));
        FailureLog failures;
        tab.m_board.m_pDispatcher->addResultObserver(&failures);
        tab.m_board.m_pRecorder->refuse(tab.opcode(R::SetInputConfiguration), 2);
        if (readBackFails)
            tab.m_board.m_pRecorder->refuse(tab.opcode(R::GetInputConfiguration), 2);

        QVERIFY(tab.connectChannel(1, EventCounter));
        QTest::mouseClick(tab.commit(), Qt::LeftButton);
        QVERIFY(waitFor([&] { return tab.m_board.answered(tab.m_pTab.get(), {R::GetInputConfiguration}); }));
        QTest::qWait(20);
        tab.m_board.m_pDispatcher->removeResultObserver(&failures);
        QCOMPARE(failures.m_results.count(), readBackFails ? 2 : 1);
        QCOMPARE(tab.m_board.m_document.inputConfiguration()->getChannelAssignments(), (QMap<int, int>{{2, 32}}));
        QCOMPARE(tab.diagram()->channelFunction(1), int(NoFunction));
        QCOMPARE(tab.diagram()->channelFunction(2), int(StartLimit));
    }

    void faultyWiringKeepsTheButtonsDisabled()
    {
        IOTabOnBoard tab(D::s_model1_1, USBVersion(2, 0));
        QVERIFY(tab.boardHolds(Input()));
        QVERIFY(tab.connectChannel(1, QuadratureA));
        QVERIFY(!tab.commitEnabled());
        DiagramAcquisitionItem* quadrature = tab.diagram()->acquisitionItemBySample(QuadratureSample);
        QCOMPARE(quadrature->error(), QString("Both quadrature inputs must be connected!"));
        QVERIFY(tab.connectChannel(2, QuadratureB));
        QVERIFY(tab.commitEnabled());
        QCOMPARE(quadrature->error(), QString());
        // A gain the single-ended ADC cannot take.
        QVERIFY(tab.connectChannel(3, AdcPositive));
        tab.widget<QComboBox>("ADCGain")->setCurrentIndex(1);
        QVERIFY(!tab.commitEnabled());
        QVERIFY(tab.diagram()->acquisitionItemBySample(AdcSample)->error().startsWith("For single-ended inputs"));
        QCOMPARE(tab.diagram()->acquisitionItemBySample(AdcSample)->label(), QString("x2"));
    }

    void pwmAndRelayChangesAreSentAtOnce()
    {
        IOTabOnBoard tab(D::s_model1_1, USBVersion(2, 0));
        QSpinBox* dutyCycle = tab.widget<QSpinBox>("PWMDutyCycle");
        tab.widget<QSpinBox>("PWMDutyCycleLimit")->setValue(100);
        dutyCycle->setValue(60);
        // A lower limit pulls the duty cycle down with it.
        tab.widget<QSpinBox>("PWMDutyCycleLimit")->setValue(30);
        QCOMPARE(dutyCycle->value(), 30);
        tab.widget<QCheckBox>("RelayOnOff")->setChecked(true);
        QVERIFY(waitFor([&] { return tab.opcodes().count() >= 3; }));
        QTest::qWait(20);
        QCOMPARE(tab.opcodes(), tab.expected({R::SetPWM, R::SetPWM, R::RelayOn}));
        QCOMPARE(hexText(tab.m_board.m_pRecorder->payload(0)), QString("3C"));
        QCOMPARE(hexText(tab.m_board.m_pRecorder->payload(1)), QString("1E"));
        QCOMPARE(tab.diagram()->outputItems().first()->outputLabel(1), QString("30 %"));
    }

    // The board's PWM outputs, set before the tab opened, are shown; a change of one output
    // sends the other as the board has it.
    void readsTheBoardsPWMOutputs()
    {
        IOTabOnBoard tab(D::s_model27_1, USBVersion(1, 0));
        QVERIFY(waitFor([&] { return tab.m_board.answered(tab.m_pTab.get(), {R::GetPWMSettings}); }));
        // Another program has set the outputs by the time the tab opens again.
        tab.m_board.configureBoard(R::SetPWM, QByteArray::fromHex("283C"));
        tab.m_pTab.reset();
        tab.m_board.m_pRecorder->clear();
        tab.m_pTab.reset(
            new TalvexIODiagramWidget(nullptr, &tab.m_board.m_document, tab.m_board.m_pDispatcher, &tab.m_inputs));
        QVERIFY(waitFor([&] { return tab.widget<QSpinBox>("PWM2DutyCycle")->value() == 60; }));
        QCOMPARE(tab.widget<QSpinBox>("PWM1DutyCycle")->value(), 40);
        QCOMPARE(tab.diagram()->outputItems().first()->outputLabel(2), QString("2: 60 %"));
        tab.widget<QSpinBox>("PWM1DutyCycle")->setValue(45);
        QVERIFY(tab.sent({R::GetPWMSettings, R::SetPWM}));
        QTest::qWait(20);
        QCOMPARE(tab.opcodes(), tab.expected({R::GetPWMSettings, R::SetPWM}));
        QCOMPARE(hexText(tab.m_board.m_pRecorder->payload(1)), QString("2D 3C"));
    }

    void survivesItsDocument()
    {
        IOTabOnBoard tab(D::s_model1_1, USBVersion(2, 0));
        std::unique_ptr<TalvexDocument> document(new TalvexDocument);
        UIUserInputRegister inputs;
        TalvexIODiagramWidget own(nullptr, document.get(), tab.m_board.m_pDispatcher, &inputs);
        document.reset();
        inputs.get("RelayOnOff")->setValue(true);
        for (const char* slot : {"onPWMChanged", "onInputConfigurationChanged", "onUploadInterfaceConfig"})
            QMetaObject::invokeMethod(&own, slot);
        own.grab();
    }
};

TALVEX_TEST(tst_TalvexIODiagramWidget)
#include "tst_TalvexIODiagramWidget.moc"
