#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "PropertyMessageRecorder.h"
#include "TalvexDriverPWMSettings.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverPWMSettings PWM;

// A stored PWM record: version 1 and the given values.
QByteArray storedRecord(const QMap<int, QVariant>& values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << qint32(1) << qint32(1) << values;
    return bytes;
}
}

class tst_DriverPWMSettings : public QObject
{
    Q_OBJECT

private slots:
    void encoding_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0) << "3C";
        QTest::newRow("(1,2) 3.9") << D::s_model1_2 << USBVersion(3, 9) << "3C";
        QTest::newRow("(1,2) 4.0 adds the mode") << D::s_model1_2 << USBVersion(4, 0) << "3C 01";
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 1) << "3C";
        QTest::newRow("(27,1) both duty cycles") << D::s_model27_1 << USBVersion(1, 0) << "3C 19";
    }

    void encoding()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, bytes);
        PWM pwm;
        pwm.setValue(PWM::PWM1DutyCycle, 60);
        pwm.setValue(PWM::PWM1Mode, 1);
        pwm.setValue(PWM::PWM2DutyCycle, 25);
        QCOMPARE(hexText(pwm.toByteArray(model, firmware)), bytes);
    }

    void decoding_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("duty1");
        QTest::addColumn<int>("duty2");
        QTest::newRow("(10,1) 1.1") << D::s_model10_1 << USBVersion(1, 1) << "2A" << 42 << 0;
        QTest::newRow("(10,1) 1.0 takes nothing") << D::s_model10_1 << USBVersion(1, 0) << "2A" << 0 << 0;
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0) << "2A 63" << 42 << 99;
    }

    void decoding()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, bytes);
        QFETCH(int, duty1);
        QFETCH(int, duty2);
        const PWM pwm(hexBytes(bytes), model, firmware);
        QCOMPARE(pwm.value(PWM::PWM1DutyCycle).toInt(), duty1);
        QCOMPARE(pwm.value(PWM::PWM2DutyCycle).toInt(), duty2);
        QCOMPARE(pwm.value(PWM::PWM1DutyCycleLimit).toInt(), 100);
        QCOMPARE(pwm.value(PWM::PWM2DutyCycleLimit).toInt(), 100);
    }

    void dutyCycleNeverExceedsItsLimit()
    {
        PWM pwm;
        PropertyMessageRecorder<TalvexDriverPWMSettingsTraits> recorder(pwm);
        pwm.setValue(PWM::PWM1DutyCycle, 60);
        pwm.setValue(PWM::PWM1DutyCycleLimit, 40);
        QCOMPARE(pwm.value(PWM::PWM1DutyCycle).toInt(), 40);
        QCOMPARE(recorder.m_changes.last(), qMakePair(int(PWM::PWM1DutyCycle), QVariant(40)));
        pwm.setValue(PWM::PWM2DutyCycleLimit, 10);
        pwm.setValue(PWM::PWM2DutyCycle, 30);
        QCOMPARE(pwm.value(PWM::PWM2DutyCycle).toInt(), 10);
        pwm.setValue(PWM::PWM1DutyCycle, 30);
        QCOMPARE(pwm.value(PWM::PWM1DutyCycle).toInt(), 30);
    }

    // A record stored before the limits existed keeps its duty cycles: the missing limits
    // get their defaults first.
    void storedRecordGetsDefaultsBeforeLimits_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("duty cycles only") << storedRecord({{0, 60}, {3, 25}}) << QList<int>{60, 100, 0, 25, 100, 0};
        QTest::newRow("first output only") << storedRecord({{0, 75}}) << QList<int>{75, 100, 0, 0, 100, 0};
        QTest::newRow("stored limit applies") << storedRecord({{0, 75}, {1, 50}, {3, 80}, {4, 90}})
                                              << QList<int>{50, 50, 0, 80, 90, 0};
    }

    void storedRecordGetsDefaultsBeforeLimits()
    {
        QFETCH(QByteArray, record);
        QFETCH(QList<int>, values);
        PWM pwm;
        QDataStream in(record);
        in >> pwm;
        for (int id = 0; id < values.size(); ++id)
            QCOMPARE(pwm.value(id).toInt(), values[id]);
        // The limits apply again after reading.
        pwm.setValue(PWM::PWM1DutyCycleLimit, 20);
        QCOMPARE(pwm.value(PWM::PWM1DutyCycle).toInt(), 20);
    }
};

TALVEX_TEST(tst_DriverPWMSettings)
#include "tst_DriverPWMSettings.moc"
