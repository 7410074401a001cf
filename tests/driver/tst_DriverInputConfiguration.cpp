#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "TalvexDriverInputConfiguration.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverInputConfiguration Input;

class InputRecorder : public Input::IDriverInputChangeObserver
{
public:
    void inputConfigurationChanged(Input* configuration) override { m_changed.append(configuration); }
    void inputConfigurationDestroyed(Input* configuration) override { m_destroyed.append(configuration); }

    QList<Input*> m_changed;
    QList<Input*> m_destroyed;
};

// A configuration with every setting distinct, so that a swapped byte shows.
Input distinctConfiguration()
{
    Input input;
    input.setChannelAssignments({{1, 32}, {2, 33}, {4, 7}});
    input.setOutputMask(0x0B);
    const QList<QPair<int, int>> values{{Input::LimitStartEdge, 1}, {Input::LimitEndEdge, 2},
        {Input::LimitStartPullConfig, 3}, {Input::LimitEndPullConfig, 4}, {Input::QuadAPullConfig, 5},
        {Input::QuadBPullConfig, 6}, {Input::QuadratureCPR, 0x1234}, {Input::EventEdge, 7},
        {Input::EventPullConfig, 8}, {Input::ADCGain, 3}, {Input::ADCMode, 1}, {Input::SlowMotionTime, 9},
        {Input::StopEdge, 10}, {Input::StopPullConfig, 11}};
    for (const auto& value : values)
        input.setValue(value.first, value.second);
    return input;
}
}

class tst_DriverInputConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void encoding_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("defaults");
        QTest::addColumn<QString>("distinct");
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0)
                               << "FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00"
                               << "20 21 FF 07 05 06 01 03 02 04 07 08 03 01 04 0B 34 12";
        QTest::newRow("(1,2) 2.9") << D::s_model1_2 << USBVersion(2, 9)
                                   << "FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00"
                                   << "20 21 FF 07 05 06 01 03 02 04 07 08 03 01 04 0B 34 12";
        QTest::newRow("(1,2) 3.0") << D::s_model1_2 << USBVersion(3, 0)
                                   << "FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05"
                                   << "20 21 FF 07 05 06 01 03 02 04 07 08 03 01 04 0B 34 12 09";
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 0)
                                << "FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05"
                                << "20 21 FF 07 05 06 01 03 02 04 07 08 03 01 04 0B 34 12 09";
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0)
                                << "FF FF FF FF FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05 00 00"
                                << "20 21 FF 07 FF FF FF FF 05 06 01 03 02 04 07 08 03 01 04 0B 34 12 09 0A 0B";
    }

    void encoding()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, defaults);
        QFETCH(QString, distinct);
        QCOMPARE(hexText(Input().toByteArray(model, firmware)), defaults);
        QCOMPARE(hexText(distinctConfiguration().toByteArray(model, firmware)), distinct);
    }

    void decoding_data() { encoding_data(); }

    // The reply gives back what was sent, except the constant byte and what the layout lacks.
    void decoding()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, distinct);
        const Input sent = distinctConfiguration();
        const Input decoded(hexBytes(distinct), model, firmware);
        QCOMPARE(decoded.getChannelAssignments(), sent.getChannelAssignments());
        QCOMPARE(decoded.getOutputMask(), 0x0B);
        const bool motorControl = Input::hasMotorControlInput(model, firmware);
        const bool stopInput = model == D::s_model27_1;
        for (int id : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 15})
        {
            const bool present = (id != Input::SlowMotionTime || motorControl)
                && ((id != Input::StopEdge && id != Input::StopPullConfig) || stopInput);
            QCOMPARE(decoded.value(id).isValid(), present);
            if (present)
                QCOMPARE(decoded.value(id).toInt(), sent.value(id).toInt());
        }
    }

    void channelAssignments()
    {
        Input input;
        QCOMPARE(input.channelAssignment(1), 255);
        QVERIFY(!input.isHomeLimitConnected(1));
        QVERIFY(!input.isHomeLimitConnected(2));
        input.setChannelAssignments({{3, 32}});
        QCOMPARE(input.channelAssignment(3), 32);
        QVERIFY(input.isHomeLimitConnected(1));
        QVERIFY(input.isHomeLimitConnected(0));
        QVERIFY(!input.isHomeLimitConnected(2));
        input.setChannelAssignments({{2, 33}});
        QVERIFY(input.isHomeLimitConnected(2));
        QVERIFY(!input.isHomeLimitConnected(1));
    }

    void adc_data()
    {
        QTest::addColumn<int>("gain");
        QTest::addColumn<double>("range");
        QTest::addColumn<double>("resolution");
        QTest::addColumn<QString>("text");
        QTest::newRow("x1") << 0 << 2.047 << 0.00025 << "x1";
        QTest::newRow("x2") << 1 << 1.0235 << 0.000125 << "x2";
        QTest::newRow("x4") << 2 << 0.51175 << 0.0000625 << "x4";
        QTest::newRow("x8") << 3 << 0.255875 << 0.00003125 << "x8";
        QTest::newRow("x16") << 4 << 0.1279375 << 0.000015625 << "x16";
        QTest::newRow("x32") << 5 << 0.06396875 << 0.0000078125 << "x32";
        QTest::newRow("x64") << 6 << 0.031984375 << 0.00000390625 << "x64";
    }

    void adc()
    {
        QFETCH(int, gain);
        QFETCH(double, range);
        QFETCH(double, resolution);
        QFETCH(QString, text);
        Input input;
        input.setValue(Input::ADCGain, gain);
        QCOMPARE(input.adcRange(), range);
        QCOMPARE(input.adcResolution(), resolution);
        QCOMPARE(input.adcGainText(), text);
    }

    void gainTextOutsideTheTable()
    {
        Input input;
        input.setValue(Input::ADCGain, 7);
        QCOMPARE(input.adcGainText(), QString("x?"));
        input.setValue(Input::ADCGain, -1);
        QCOMPARE(input.adcGainText(), QString("x?"));
    }

    void peakValuesNeedSlowerSampling()
    {
        Input input;
        QCOMPARE(input.minimumSamplePeriodIndex(), 1);
        input.setValue(Input::ADCMode, 1);
        QCOMPARE(input.minimumSamplePeriodIndex(), 6);
    }

    void motorControlInput()
    {
        QVERIFY(!Input::hasMotorControlInput(D::s_model1_1, USBVersion(4, 0)));
        QVERIFY(!Input::hasMotorControlInput(D::s_model1_2, USBVersion(2, 9)));
        QVERIFY(Input::hasMotorControlInput(D::s_model1_2, USBVersion(3, 0)));
        QVERIFY(Input::hasMotorControlInput(D::s_model10_1, USBVersion(1, 0)));
        QVERIFY(Input::hasMotorControlInput(D::s_model27_1, USBVersion(1, 0)));
    }

    void observersHearMapMaskAssignmentAndDestruction()
    {
        InputRecorder recorder;
        Input* input = new Input;
        input->addInputObserver(&recorder);
        input->setChannelAssignments({{1, 32}});
        input->setOutputMask(3);
        *input = distinctConfiguration();
        QCOMPARE(recorder.m_changed.size(), 3);
        QCOMPARE(input->getOutputMask(), 0x0B);
        QCOMPARE(input->channelAssignment(4), 7);
        input->removeInputObserver(&recorder);
        input->setOutputMask(1);
        QCOMPARE(recorder.m_changed.size(), 3);
        input->addInputObserver(&recorder);
        delete input;
        QCOMPARE(recorder.m_destroyed, QList<Input*>{input});
    }
};

TALVEX_TEST(tst_DriverInputConfiguration)
#include "tst_DriverInputConfiguration.moc"
