#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "PropertyMessageRecorder.h"
#include "TalvexDriverMotorConfiguration.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverMotorConfiguration Motor;
}

class tst_DriverMotorConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void defaultsEncoding_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("bytes");
        const QString shortForm = "08 07 C8 00 0A 00 01 00 88 13";
        const QString longForm = shortForm + " 00";
        QTest::newRow("(1,1) 2.0") << D::s_model1_1 << USBVersion(2, 0) << shortForm;
        QTest::newRow("(1,1) 2.1 stays short") << D::s_model1_1 << USBVersion(2, 1) << shortForm;
        QTest::newRow("(1,2) 2.0") << D::s_model1_2 << USBVersion(2, 0) << shortForm;
        QTest::newRow("(1,2) 2.1") << D::s_model1_2 << USBVersion(2, 1) << longForm;
        QTest::newRow("(1,2) 4.0") << D::s_model1_2 << USBVersion(4, 0) << longForm;
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 0) << longForm;
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0) << longForm;
        QTest::newRow("unknown model") << D(23, 1) << USBVersion(5, 0) << shortForm;
    }

    void defaultsEncoding()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, bytes);
        QCOMPARE(hexText(Motor().toByteArray(model, firmware)), bytes);
    }

    // Step size and pitch travel as thousandths, rounded to the nearest.
    void thousandths_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("1.8") << 1.8 << "08 07";
        QTest::newRow("1.005") << 1.005 << "ED 03";
        QTest::newRow("0.9") << 0.9 << "84 03";
        QTest::newRow("2.0004") << 2.0004 << "D0 07";
        QTest::newRow("2.0006") << 2.0006 << "D1 07";
        QTest::newRow("65.535") << 65.535 << "FF FF";
    }

    void thousandths()
    {
        QFETCH(double, value);
        QFETCH(QString, bytes);
        Motor motor;
        motor.setValue(Motor::StepDegrees, value);
        motor.setValue(Motor::Pitch, value);
        const QString encoded = hexText(motor.toByteArray(D::s_model1_1, USBVersion(2, 0)));
        QCOMPARE(encoded.left(5), bytes);
        QCOMPARE(encoded.mid(24, 5), bytes);
    }

    // A value a file or script stored beyond a field is sent as the nearest value the field
    // holds: 70000 mA must not reach the board as 4464 mA.
    void fieldsSaturate_data()
    {
        QTest::addColumn<QVariant>("current");
        QTest::addColumn<QVariant>("driveType");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("in range") << QVariant(1200) << QVariant(1) << "08 07 B0 04 0A 00 01 01 88 13";
        QTest::newRow("above the fields") << QVariant(70000) << QVariant(300) << "08 07 FF FF 0A 00 01 FF 88 13";
        QTest::newRow("below the fields") << QVariant(-5) << QVariant(-1) << "08 07 00 00 0A 00 01 00 88 13";
        QTest::newRow("huge double") << QVariant(1e300) << QVariant(2.5) << "08 07 FF FF 0A 00 01 02 88 13";
        QTest::newRow("NaN") << QVariant(qQNaN()) << QVariant(QString("x")) << "08 07 00 00 0A 00 01 00 88 13";
    }

    void fieldsSaturate()
    {
        QFETCH(QVariant, current);
        QFETCH(QVariant, driveType);
        QFETCH(QString, bytes);
        Motor motor;
        motor.setValue(Motor::MotorCurrent, current);
        motor.setValue(Motor::DriveType, driveType);
        QCOMPARE(hexText(motor.toByteArray(D::s_model1_1, USBVersion(2, 0))), bytes);
    }

    void decoding_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QVariantList>("values");
        QTest::newRow("(1,2) 2.0") << D::s_model1_2 << USBVersion(2, 0) << "84 03 D0 07 0C 00 00 01 E8 03"
                                   << QVariantList{0.9, 2000, 12, 1, 1.0, false, false};
        QTest::newRow("(1,2) 2.1") << D::s_model1_2 << USBVersion(2, 1) << "84 03 D0 07 0C 00 02 01 E8 03 05"
                                   << QVariantList{0.9, 2000, 12, 1, 1.0, true, true};
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0) << "08 07 C8 00 0A 00 00 00 88 13 00"
                                << QVariantList{1.8, 200, 10, 0, 5.0, false, false};
    }

    void decoding()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, bytes);
        QFETCH(QVariantList, values);
        const Motor motor(hexBytes(bytes), model, firmware);
        for (int id = 0; id < values.size(); ++id)
            QCOMPARE(motor.value(id), values[id]);
        QCOMPARE(motor.value(Motor::StepDegrees).userType(), int(QMetaType::Double));
    }

    void validation_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("corrected");
        QTest::newRow("(10,1) above") << D::s_model10_1 << 20000 << "The maximum current is 500 mA." << 500;
        QTest::newRow("(10,1) at the top") << D::s_model10_1 << 500 << QString() << 500;
        QTest::newRow("below") << D::s_model1_2 << 10 << "The minimum current is 50 mA." << 50;
        QTest::newRow("at the bottom") << D::s_model1_2 << 50 << QString() << 50;
        QTest::newRow("(1,1) above") << D::s_model1_1 << 8001 << "The maximum current is 8000 mA." << 8000;
        QTest::newRow("(27,1) above") << D::s_model27_1 << 2500 << "The maximum current is 2000 mA." << 2000;
        QTest::newRow("unknown model") << D(23, 1) << 600 << "The maximum current is 500 mA." << 500;
    }

    void validation()
    {
        QFETCH(D, model);
        QFETCH(int, current);
        QFETCH(QString, message);
        QFETCH(int, corrected);
        Motor motor;
        motor.setValue(Motor::MotorCurrent, current);
        PropertyMessageRecorder<TalvexDriverMotorConfigurationTraits> recorder(motor);
        const Motor::ValidationMessages messages = motor.validate(model);
        QCOMPARE(motor.value(Motor::MotorCurrent).toInt(), corrected);
        if (message.isEmpty())
        {
            QVERIFY(messages.isEmpty());
            QVERIFY(recorder.m_messages.isEmpty());
            return;
        }
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0], qMakePair(message, 1));
        QCOMPARE(recorder.m_messages, (QList<QPair<int, QString>>{{int(Motor::MotorCurrent), message}}));
    }

    void modelFacts()
    {
        QCOMPARE(Motor::maximumCurrent(D::s_model1_1), 8000);
        QCOMPARE(Motor::maximumCurrent(D::s_model1_2), 8000);
        QCOMPARE(Motor::maximumCurrent(D::s_model10_1), 500);
        QCOMPARE(Motor::maximumCurrent(D::s_model27_1), 2000);
        QCOMPARE(Motor::minimumCurrent(), 50);
        QVERIFY(Motor::hasLowInductanceSetting(D::s_model10_1, USBVersion(1, 0)));
        QVERIFY(!Motor::hasLowInductanceSetting(D::s_model1_2, USBVersion(2, 0)));
        QVERIFY(Motor::hasLowInductanceSetting(D::s_model1_2, USBVersion(2, 1)));
        QVERIFY(!Motor::hasLowInductanceSetting(D::s_model1_1, USBVersion(4, 0)));
        QVERIFY(!Motor::hasLowInductanceSetting(D::s_model27_1, USBVersion(1, 0)));
    }
};

TALVEX_TEST(tst_DriverMotorConfiguration)
#include "tst_DriverMotorConfiguration.moc"
