#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "TalvexDriverCommRequest.h"
#include "TalvexDriverModel.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverModel M;

// The facts of one model with one firmware, in a row of the table below.
struct Facts
{
    QVector<int> missingActions;
    int inputs;
    int speed;
    double supplyCurrent;
    double supplyVoltage;
    int motionFeatures;
    bool encoder;
    bool stopInput;
    int motorCurrent;
    int maximumMicroStepping;
    int finestReported;
    bool usbPowered;
    double countsPerAmpere;
    // Replies of actions 21 to 28.
    QVector<int> replyLengths;
    bool lowInductance;
    bool motorControlInput;
    int readablePWM;
    int writablePWM;
    bool pwmMode;
    bool pwmWithDeviceState;
};
}
Q_DECLARE_METATYPE(Facts)

class tst_TalvexDriverModel : public QObject
{
    Q_OBJECT

private slots:
    void factsPerModelAndFirmware_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<Facts>("facts");

        const QVector<int> noRelay{R::RelayOn, R::RelayOff};
        // clang-format off
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0) << Facts{
            {R::LowInductanceOn, R::LowInductanceOff, R::GetPWMSettings}, 4, 20000, 5.0, 150.0, 0, false, false,
            8000, 4, 4, false, 200.0, {10, 14, 8, 10, 18, 6, 11, 0}, false, false, 0, 1, false, false};
        QTest::newRow("(1,2) firmware 2.0") << D::s_model1_2 << USBVersion(2, 0) << Facts{
            {R::GetPWMSettings}, 4, 20000, 5.0, 150.0, 3, false, false,
            8000, 4, 4, false, 200.0, {10, 14, 11, 10, 18, 6, 11, 0}, false, false, 0, 1, false, false};
        QTest::newRow("(1,2) firmware 2.1") << D::s_model1_2 << USBVersion(2, 1) << Facts{
            {R::GetPWMSettings}, 4, 20000, 5.0, 150.0, 3, false, false,
            8000, 4, 4, false, 200.0, {10, 14, 11, 11, 18, 6, 11, 0}, true, false, 0, 1, false, false};
        QTest::newRow("(1,2) firmware 3.0") << D::s_model1_2 << USBVersion(3, 0) << Facts{
            {R::GetPWMSettings}, 4, 20000, 5.0, 150.0, 3, false, false,
            8000, 4, 4, false, 200.0, {10, 14, 11, 11, 19, 6, 11, 0}, true, true, 0, 1, false, false};
        QTest::newRow("(1,2) firmware 4.0") << D::s_model1_2 << USBVersion(4, 0) << Facts{
            {R::GetPWMSettings}, 4, 20000, 5.0, 150.0, 3, false, false,
            8000, 4, 4, false, 200.0, {10, 14, 11, 11, 19, 6, 11, 0}, true, true, 0, 1, true, false};
        QTest::newRow("(10,1) firmware 1.0") << D::s_model10_1 << USBVersion(1, 0) << Facts{
            noRelay, 4, 20000, 2.0, 25.0, 3, false, false,
            500, 3, 4, true, 1000.0, {9, 14, 11, 11, 19, 6, 11, 1}, true, true, 0, 1, false, false};
        QTest::newRow("(10,1) firmware 1.1") << D::s_model10_1 << USBVersion(1, 1) << Facts{
            noRelay, 4, 20000, 2.0, 25.0, 3, false, false,
            500, 3, 4, true, 1000.0, {9, 14, 11, 11, 19, 6, 11, 1}, true, true, 1, 1, false, true};
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0) << Facts{
            noRelay, 8, 100000, 3.0, 60.0, 3, true, true,
            2000, 7, 7, false, 400.0, {10, 14, 11, 11, 25, 6, 11, 2}, false, true, 2, 2, false, false};
        // A board id the studio knows from its firmware table only.
        QTest::newRow("(23,1), no model") << D(23, 1) << USBVersion(1, 0) << Facts{
            {}, 4, 20000, 100.0, 100.0, 0, false, false,
            500, 3, 4, false, 200.0, {0, 0, 0, 0, 0, 0, 0, 0}, false, false, 0, 1, false, false};
        // clang-format on
    }

    void factsPerModelAndFirmware()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(Facts, facts);

        const bool known = model.getProductCode() != 23;
        QCOMPARE(M::isKnown(model), known);
        for (int action = 0; action < R::s_actionCount; ++action)
        {
            const bool has = known && !facts.missingActions.contains(action);
            QVERIFY2(M::hasCommand(model, action) == has, qPrintable(QString("action %1").arg(action)));
            // Writes and motion commands answer with the status byte alone.
            const int length = action >= R::MeasureSupply ? facts.replyLengths.at(action - R::MeasureSupply) : 0;
            QVERIFY2(M::replyLength(model, firmware, action) == (has ? length : 0),
                qPrintable(QString("reply of action %1").arg(action)));
        }
        QVERIFY(!M::hasCommand(model, -1));
        QVERIFY(!M::hasCommand(model, R::s_actionCount));

        int features = -1;
        M::motionFeatures(model, features);
        QCOMPARE(features, facts.motionFeatures);
        QCOMPARE(M::outputCount(model), 2);
        QCOMPARE(M::inputCount(model), facts.inputs);
        QCOMPARE(M::maximumSpeed(model), facts.speed);
        QCOMPARE(M::maximumSupplyCurrent(model), facts.supplyCurrent);
        QCOMPARE(M::maximumSupplyVoltage(model), facts.supplyVoltage);
        QCOMPARE(M::hasEncoderInputs(model), facts.encoder);
        QCOMPARE(M::hasStopInput(model), facts.stopInput);
        QCOMPARE(M::maximumMotorCurrent(model), facts.motorCurrent);
        QCOMPARE(M::maximumMicroStepping(model), facts.maximumMicroStepping);
        QCOMPARE(M::finestReportedMicroStepping(model), facts.finestReported);
        QCOMPARE(M::isUSBPowered(model), facts.usbPowered);
        QCOMPARE(M::supplyCurrentCountsPerAmpere(model), facts.countsPerAmpere);
        QCOMPARE(M::hasLowInductanceSetting(model, firmware), facts.lowInductance);
        QCOMPARE(M::hasMotorControlInput(model, firmware), facts.motorControlInput);
        QCOMPARE(M::readablePWMDutyCycles(model, firmware), facts.readablePWM);
        QCOMPARE(M::writablePWMDutyCycles(model), facts.writablePWM);
        QCOMPARE(M::hasPWMMode(model, firmware), facts.pwmMode);
        QCOMPARE(M::readsPWMWithDeviceState(model, firmware), facts.pwmWithDeviceState);
    }
};

TALVEX_TEST(tst_TalvexDriverModel)
#include "tst_TalvexDriverModel.moc"
