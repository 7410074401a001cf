#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "TalvexDriverCommRequest.h"
#include "TalvexDriverMeasurement.h"
#include "TalvexDriverModel.h"
#include "TalvexDriverMotorInfo.h"
#include "TalvexDriverMotorMoveConfiguration.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverMotorInfo Info;
typedef TalvexDriverMotorMoveConfiguration Move;

// A motor state reply with the given state, limit flags, error, mode and position.
QVector<quint8> stateReply(int state, int limits = 0, int error = 0, int mode = 0, qint32 position = 0)
{
    QVector<quint8> reply = hexBytes("10 00 00 00");
    for (int shift = 0; shift < 32; shift += 8)
        reply.append(quint8(quint32(position) >> shift));
    reply << quint8(mode) << 0xAA << 0xBB << quint8(state) << quint8(limits) << quint8(error);
    return reply;
}

class StateRecorder : public Info::IChangeObserver
{
public:
    void stateChanged(Info* info) override { m_changed.append(info); }
    void infoDestroyed(Info* info) override { m_destroyed.append(info); }
    QList<Info*> m_changed;
    QList<Info*> m_destroyed;
};
}

class tst_DriverRecords : public QObject
{
    Q_OBJECT

private slots:
    void motorStateFields()
    {
        const Info info(hexBytes("39 30 00 00 FE FF FF FF 03 09 0A 01 02 00"));
        QCOMPARE(info.getRemainingSteps(), quint32(12345));
        QCOMPARE(info.getPosition(), -2);
        QCOMPARE(info.getMicroStepMode(), 3);
        QCOMPARE(info.getStatusByte9(), 9);
        QCOMPARE(info.getStatusByte10(), 10);
        QCOMPARE(info.getState(), 1);
        QCOMPARE(info.getLimitFlags(), 2);
        QCOMPARE(info.getErrorCode(), 0);
    }

    void stateTexts_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("limits");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::newRow("hold") << 1 << 0 << 0 << "Hold" << "The motor is in a static hold-state.";
        QTest::newRow("hold at both") << 1 << 3 << 0 << "Hold (at start and end)"
                                      << "The motor is in a static hold-state.";
        QTest::newRow("off at start") << 4 << 1 << 0 << "Off (at start)" << "The motor is off.";
        QTest::newRow("off at end") << 4 << 2 << 0 << "Off (at end)" << "The motor is off.";
        QTest::newRow("supply") << 5 << 0 << 0 << "Invalid supply voltage"
                                << "The supply voltage is either too low or too high.\nEnsure that the supply voltage "
                                   "is between 24V and 110V.";
        QTest::newRow("moving 8") << 8 << 0 << 0 << "Moving" << "The motor is busy moving.";
        QTest::newRow("moving 10 at start") << 10 << 1 << 0 << "Moving" << "The motor is busy moving.";
        QTest::newRow("moving 13") << 13 << 0 << 0 << "Moving" << "The motor is busy moving.";
        QTest::newRow("state 7") << 7 << 0 << 0 << "Unknown state" << "Unknown state";
        QTest::newRow("state 14") << 14 << 0 << 0 << "Unknown state" << "Unknown state";
        QTest::newRow("error 0") << 6 << 0 << 0 << "No error" << "No error";
        QTest::newRow("error 100") << 6 << 0 << 100 << "Motor busy" << "The motor was busy. Stop the motor first.";
        QTest::newRow("error 101") << 6 << 0 << 101 << "Motor is off" << "The motor must first be turned on.";
        QTest::newRow("error 102") << 6 << 0 << 102 << "Motor phase A over-current"
                                   << "Make sure that the motor is correctly connected.";
        QTest::newRow("error 103") << 6 << 0 << 103 << "Motor phase B over-current"
                                   << "Make sure that the motor is correctly connected.";
        QTest::newRow("error 104") << 6 << 0 << 104 << "Motor short-circuit"
                                   << "A short circuit was connected to either phase A or phase B.";
        QTest::newRow("error 105") << 6 << 0 << 105 << "Motor driver over-temperature"
                                   << "The driver must first cool down before it can be used again.";
        QTest::newRow("error 106") << 6 << 1 << 106 << "Motor at start"
                                   << "There was an attempt to move the motor in a backward direction.\nHowever, it "
                                      "has reached the start limit.";
        QTest::newRow("error 107") << 6 << 2 << 107 << "Motor at end"
                                   << "There was an attempt to move the motor in a forward direction.\nHowever, it "
                                      "has reached the end limit.";
        QTest::newRow("error 108") << 6 << 0 << 108 << "Invalid supply voltage"
                                   << "The supply voltage is either too low or too high.\nEnsure that the supply voltage "
                                      "is between 24V and 110V.";
        QTest::newRow("error 112") << 6 << 0 << 112 << "Motor overload" << "Motor overload. Reduce the motor current.";
        QTest::newRow("error 109") << 6 << 0 << 109 << "Unknown problem" << "Unknown problem";
    }

    void stateTexts()
    {
        QFETCH(int, state);
        QFETCH(int, limits);
        QFETCH(int, error);
        QFETCH(QString, name);
        QFETCH(QString, description);
        const Info info(stateReply(state, limits, error));
        QCOMPARE(info.stateName(), name);
        QCOMPARE(info.errorDescription(), description);
    }

    void errorNameOutsideTheErrorState()
    {
        QCOMPARE(Info(stateReply(1, 0, 105)).errorName(), QString("Motor driver over-temperature"));
        QCOMPARE(Info(stateReply(1, 0, 0)).errorName(), QString("No error"));
    }

    void microStepPosition_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("position");
        QTest::addColumn<double>("steps");
        QTest::newRow("(27,1) full steps") << D::s_model27_1 << 0 << 1280 << 10.0;
        QTest::newRow("(27,1) 1/8") << D::s_model27_1 << 3 << 1280 << 80.0;
        QTest::newRow("(27,1) 1/128") << D::s_model27_1 << 7 << 1280 << 1280.0;
        QTest::newRow("(27,1) mode 8") << D::s_model27_1 << 8 << 1280 << 0.0;
        QTest::newRow("(1,2) full steps") << D::s_model1_2 << 0 << 160 << 10.0;
        QTest::newRow("(1,2) half steps") << D::s_model1_2 << 1 << 160 << 20.0;
        QTest::newRow("(1,2) 1/16") << D::s_model1_2 << 4 << 160 << 160.0;
        QTest::newRow("(1,2) mode 5") << D::s_model1_2 << 5 << 160 << 0.0;
        QTest::newRow("(10,1) mode 9") << D::s_model10_1 << 9 << 160 << 0.0;
        QTest::newRow("negative") << D::s_model1_1 << 2 << -8 << -2.0;
        QTest::newRow("fraction") << D::s_model1_1 << 0 << 8 << 0.5;
    }

    void microStepPosition()
    {
        QFETCH(D, model);
        QFETCH(int, mode);
        QFETCH(int, position);
        QFETCH(double, steps);
        QCOMPARE(Info(stateReply(1, 0, 0, mode, position)).microStepPosition(model), steps);
    }

    void observersHearAssignmentAndDestruction()
    {
        StateRecorder recorder;
        Info* info = new Info;
        info->addObserver(&recorder);
        *info = Info(stateReply(8, 0, 0, 2, 77));
        QCOMPARE(recorder.m_changed, QList<Info*>{info});
        QCOMPARE(info->getPosition(), 77);
        const Info copy(*info);
        // The observer hears of the record by its address; a deleted pointer is not compared.
        const quintptr address = quintptr(info);
        delete info;
        QCOMPARE(recorder.m_destroyed.size(), 1);
        QCOMPARE(quintptr(recorder.m_destroyed.first()), address);
        QCOMPARE(copy.getState(), 8);
    }

    void supply_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<double>("voltage");
        QTest::addColumn<double>("current");
        QTest::addColumn<QString>("kind");
        QTest::newRow("(1,2) 50 V") << D::s_model1_2 << "01 00 02 00 03 00 F4 01 01 00" << 50.0 << 0.005 << "No power";
        QTest::newRow("(1,1) negative current") << D::s_model1_1 << "00 00 00 00 00 00 E0 01 FF FF" << 48.0 << 0.0
                                                << "No power";
        QTest::newRow("(1,2) nothing") << D::s_model1_2 << "00 00 00 00 00 00 00 00 00 00" << 0.0 << 0.0 << "No power";
        QTest::newRow("(27,1) current in 1/400 A") << D::s_model27_1 << "00 00 00 00 00 00 F0 00 90 01" << 24.0 << 1.0
                                                   << "No power";
        QTest::newRow("(27,1) below the cut") << D::s_model27_1 << "00 00 00 00 00 00 F0 00 01 00" << 24.0 << 0.0
                                              << "No power";
        QTest::newRow("(10,1) normal USB") << D::s_model10_1 << "00 00 00 00 00 00 01 FA 00" << 16.0 << 0.25
                                           << "Normal USB";
        QTest::newRow("(10,1) external USB") << D::s_model10_1 << "00 00 00 00 00 00 02 01 00" << 16.0 << 0.001
                                             << "Ext USB";
        QTest::newRow("(10,1) no power") << D::s_model10_1 << "00 00 00 00 00 00 00 05 00" << 0.0 << 0.005
                                         << "No power";
    }

    void supply()
    {
        QFETCH(D, model);
        QFETCH(QString, bytes);
        QFETCH(double, voltage);
        QFETCH(double, current);
        QFETCH(QString, kind);
        const TalvexDriverMeasurement measurement(hexBytes(bytes), model);
        QCOMPARE(measurement.supplyVoltage(), voltage);
        QCOMPARE(measurement.supplyCurrent(), current);
        QCOMPARE(measurement.supplyKindName(), kind);
    }

    void supplyFromReply_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("bytes");
        // The voltage read; negative for no measurement.
        QTest::addColumn<double>("voltage");
        const int supply = TalvexDriverCommRequest::MeasureSupply;
        QTest::newRow("(27,1)") << D::s_model27_1 << supply << "00 00 00 00 00 00 F0 00 90 01" << 24.0;
        QTest::newRow("(10,1)") << D::s_model10_1 << supply << "00 00 00 00 00 00 01 FA 00" << 16.0;
        QTest::newRow("another command's reply") << D::s_model27_1 << int(TalvexDriverCommRequest::GetMotorConfiguration)
                                                 << "00 00 00 00 00 00 F0 00 90 01" << -1.0;
        // Its request has the opcode 0 of every command the model lacks.
        QTest::newRow("a model without the command") << D(23, 1) << supply << "00 00 00 00 00 00 F0 00 90 01" << -1.0;
    }

    // Only the reply of the supply measurement is one.
    void supplyFromReply()
    {
        QFETCH(D, model);
        QFETCH(int, action);
        QFETCH(QString, bytes);
        QFETCH(double, voltage);
        TalvexDriverCommRequest request(model, USBVersion(1, 0), action);
        request.setReplyData(hexBytes(bytes));
        const std::optional<TalvexDriverMeasurement> measurement = TalvexDriverMeasurement::fromReply(request, model);
        QCOMPARE(bool(measurement), voltage >= 0.0);
        if (measurement)
            QCOMPARE(measurement->supplyVoltage(), voltage);
    }

    void supplyKeepsTheLeadingWords()
    {
        const TalvexDriverMeasurement measurement(hexBytes("01 00 02 00 03 01 F4 01 01 00"), D::s_model1_2);
        QCOMPARE(measurement.getRawValue(0), quint16(1));
        QCOMPARE(measurement.getRawValue(2), quint16(0x0103));
        QCOMPARE(measurement.getSupplyKind(), int(TalvexDriverMeasurement::NormalSupply));
    }

    void movePayload_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("modeAfter");
        QTest::newRow("counted backward") << D::s_model1_2 << 1 << 1 << 100000 << "01 01 A0 86 01 00" << 1;
        QTest::newRow("back and forth") << D::s_model27_1 << 3 << 0 << 256 << "03 00 00 01 00 00" << 3;
        QTest::newRow("(1,1) back and forth goes continuous") << D::s_model1_1 << 3 << 0 << 5 << "00 00 05 00 00 00"
                                                              << 0;
    }

    void movePayload()
    {
        QFETCH(D, model);
        QFETCH(int, mode);
        QFETCH(int, direction);
        QFETCH(int, count);
        QFETCH(QString, bytes);
        QFETCH(int, modeAfter);
        Move move(mode, direction, count);
        QCOMPARE(hexText(move.toByteArray(model)), bytes);
        QCOMPARE(move.getMode(), modeAfter);
    }

    void moveDefaults()
    {
        const Move move;
        QCOMPARE(move.getMode(), 0);
        QCOMPARE(move.getDirection(), 0);
        QCOMPARE(move.getStepCount(), 100);
    }

    void modelFacts_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<int>("inputs");
        QTest::addColumn<int>("speed");
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("voltage");
        QTest::addColumn<int>("features");
        QTest::addColumn<bool>("encoder");
        QTest::newRow("(1,1)") << D::s_model1_1 << 4 << 20000 << 5.0 << 150.0 << 0 << false;
        QTest::newRow("(1,2)") << D::s_model1_2 << 4 << 20000 << 5.0 << 150.0 << 3 << false;
        QTest::newRow("(10,1)") << D::s_model10_1 << 4 << 20000 << 2.0 << 25.0 << 3 << false;
        QTest::newRow("(27,1)") << D::s_model27_1 << 8 << 100000 << 3.0 << 60.0 << 3 << true;
        QTest::newRow("other") << D(23, 1) << 4 << 20000 << 100.0 << 100.0 << 0 << false;
    }

    void modelFacts()
    {
        QFETCH(D, model);
        QFETCH(int, inputs);
        QFETCH(int, speed);
        QFETCH(double, current);
        QFETCH(double, voltage);
        QFETCH(int, features);
        QFETCH(bool, encoder);
        QCOMPARE(TalvexDriverModel::outputCount(model), 2);
        QCOMPARE(TalvexDriverModel::inputCount(model), inputs);
        QCOMPARE(TalvexDriverModel::maximumSpeed(model), speed);
        QCOMPARE(TalvexDriverModel::maximumSupplyCurrent(model), current);
        QCOMPARE(TalvexDriverModel::maximumSupplyVoltage(model), voltage);
        int flags = 99;
        TalvexDriverModel::motionFeatures(model, flags);
        QCOMPARE(flags, features);
        QCOMPARE(TalvexDriverModel::hasEncoderInputs(model), encoder);
    }
};

TALVEX_TEST(tst_DriverRecords)
#include "tst_DriverRecords.moc"
