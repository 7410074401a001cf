#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "TalvexDriverAdvancedMotorMoveConfiguration.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexDriverSamplingConfiguration.h"

#include <QTest>
#include <functional>

typedef std::function<void(QDataStream&)> Reader;
Q_DECLARE_METATYPE(Reader)

namespace
{
typedef TalvexDriverMotionConfiguration Motion;
typedef TalvexDriverMotorConfiguration Motor;
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexDriverAdvancedMotorMoveConfiguration Advanced;
typedef TalvexDriverPWMSettings PWM;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverMotorMoveConfiguration Move;


// A record as a file holds it: the class's version, then the property-set part.
QByteArray recordOf(qint32 version, const QMap<int, QVariant>& values, const std::function<void(QDataStream&)>& tail = {})
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << version << qint32(1) << values;
    if (tail)
        tail(out);
    return bytes;
}

template <class Record>
QByteArray written(const Record& record)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << record;
    return bytes;
}

template <class Record>
void readInto(const QByteArray& bytes, Record& record)
{
    QDataStream in(bytes);
    in >> record;
}

template <class Record>
Record roundTripped(const Record& record)
{
    Record read;
    readInto(written(record), read);
    return read;
}

template <class Configuration>
class ChangeCounter : public TalvexDriverConfigurationObserver<Configuration>
{
public:
    void configurationChanged(Configuration*) override { ++m_count; }
    void configurationDestroyed(Configuration*) override {}
    int m_count = 0;
};
}

class tst_DriverRecordStreams : public QObject
{
    Q_OBJECT

private slots:
    void versionErrors_data()
    {
        QTest::addColumn<Reader>("reader");
        QTest::addColumn<qint32>("version");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("line");
        QTest::newRow("motion") << Reader([](QDataStream& in) { Motion m; in >> m; }) << 4
                                << "src\\TalvexDriverMotionConfiguration" << 271;
        QTest::newRow("motion 0") << Reader([](QDataStream& in) { Motion m; in >> m; }) << 0
                                  << "src\\TalvexDriverMotionConfiguration" << 271;
        QTest::newRow("motor") << Reader([](QDataStream& in) { Motor m; in >> m; }) << 2
                               << "src\\TalvexDriverMotorConfiguration" << 197;
        QTest::newRow("sampling") << Reader([](QDataStream& in) { Sampling s; in >> s; }) << 2
                                  << "src\\TalvexDriverSamplingConfiguration" << 180;
        QTest::newRow("advanced move") << Reader([](QDataStream& in) { Advanced a; in >> a; }) << 2
                                       << "src\\TalvexDriverAdvancedMotorMoveConfiguration" << 115;
        QTest::newRow("PWM") << Reader([](QDataStream& in) { PWM p; in >> p; }) << 2 << "src\\TalvexDriverPWMSettings"
                             << 112;
        QTest::newRow("input") << Reader([](QDataStream& in) { Input i; in >> i; }) << 3
                               << "src\\TalvexDriverInputConfiguration" << 325;
        QTest::newRow("move") << Reader([](QDataStream& in) { Move m; in >> m; }) << -1
                              << "src\\TalvexDriverMotorMoveConfiguration" << 17;
    }

    void versionErrors()
    {
        QFETCH(Reader, reader);
        QFETCH(qint32, version);
        QFETCH(QString, source);
        QFETCH(int, line);
        QByteArray bytes;
        QDataStream(&bytes, QIODevice::WriteOnly) << version << qint32(1) << QMap<int, QVariant>();
        QDataStream in(bytes);
        try
        {
            reader(in);
            QFAIL("no exception");
        }
        catch (const StreamableVersionException& e)
        {
            QCOMPARE(e.getSourceFile(), source);
            QCOMPARE(e.getLine(), line);
            QCOMPARE(e.getVersion(), int(version));
        }
    }

    void failedReadKeepsTheValues()
    {
        Motion motion;
        motion.setValue(Motion::Velocity, 321);
        QVERIFY_EXCEPTION_THROWN(readInto(recordOf(9, {{1, 5}}), motion), StreamableVersionException);
        QCOMPARE(motion.value(Motion::Velocity).toInt(), 321);
    }

    void roundTrips()
    {
        Motion motion;
        motion.setValue(Motion::BackwardVelocity, 77);
        motion.setValue(Motion::StoredFlag, true);
        QCOMPARE(roundTripped(motion).values(), motion.values());

        Motor motor;
        motor.setValue(Motor::Pitch, 2.5);
        QCOMPARE(roundTripped(motor).values(), motor.values());

        Sampling sampling;
        sampling.setValue(Sampling::SampleCount, 123);
        QCOMPARE(roundTripped(sampling).values(), sampling.values());

        Advanced advanced;
        advanced.setValue(Advanced::HomePosition, 2);
        QCOMPARE(roundTripped(advanced).values(), advanced.values());

        PWM pwm;
        pwm.setValue(PWM::PWM2DutyCycle, 12);
        QCOMPARE(roundTripped(pwm).values(), pwm.values());

        Input input;
        input.setChannelAssignments({{1, 33}, {5, 40}});
        input.setOutputMask(6);
        input.setValue(Input::QuadratureCPR, 500);
        const Input inputRead = roundTripped(input);
        QCOMPARE(inputRead.values(), input.values());
        QCOMPARE(inputRead.getChannelAssignments(), input.getChannelAssignments());
        QCOMPARE(inputRead.getOutputMask(), 6);

        const Move moveRead = roundTripped(Move(Move::BackAndForth, Move::Backward, 4321));
        QCOMPARE(moveRead.getMode(), int(Move::BackAndForth));
        QCOMPARE(moveRead.getDirection(), int(Move::Backward));
        QCOMPARE(moveRead.getStepCount(), 4321);
    }

    void writtenFormats()
    {
        QCOMPARE(written(Motion()).left(8), QByteArray::fromHex("0000000300000001"));
        QCOMPARE(written(Motor()).left(8), QByteArray::fromHex("0000000100000001"));
        QCOMPARE(written(Input()).left(8), QByteArray::fromHex("0000000200000001"));
        QCOMPARE(written(Move(1, 0, 258)), QByteArray::fromHex("00000001" "00000001" "00000000" "00000102"));
    }

    void olderMotionVersions()
    {
        Motion motion;
        readInto(recordOf(1, {{Motion::Velocity, 345}, {Motion::BackwardVelocity, 9}, {Motion::SeparateBackwardVelocity, true},
                               {Motion::StoredFlag, true}}),
            motion);
        QCOMPARE(motion.value(Motion::BackwardVelocity).toInt(), 345);
        QCOMPARE(motion.value(Motion::SeparateBackwardVelocity), QVariant(false));
        QCOMPARE(motion.value(Motion::StoredFlag), QVariant(false));

        readInto(recordOf(2, {{Motion::BackwardVelocity, 9}, {Motion::SeparateBackwardVelocity, true}, {Motion::StoredFlag, true}}),
            motion);
        QCOMPARE(motion.value(Motion::BackwardVelocity).toInt(), 9);
        QCOMPARE(motion.value(Motion::SeparateBackwardVelocity), QVariant(true));
        QCOMPARE(motion.value(Motion::StoredFlag), QVariant(false));
    }

    // A version-1 record without a velocity copies "no value" to the backward velocity; what it
    // saves then must load again.
    void versionOneWithoutVelocitySavesAndLoads()
    {
        Motion motion;
        readInto(recordOf(1, {}), motion);
        QVERIFY(!motion.value(Motion::BackwardVelocity).isValid());
        QCOMPARE(roundTripped(motion).values(), motion.values());
    }

    void missingValuesGetDefaults()
    {
        Motor motor;
        readInto(recordOf(1, {{Motor::MotorCurrent, 300}}), motor);
        QCOMPARE(motor.value(Motor::LowInductance), QVariant(false));
        QVERIFY(!motor.value(Motor::StepDegrees).isValid());

        Sampling sampling;
        readInto(recordOf(1, {{Sampling::SamplePeriod, 3}}), sampling);
        QCOMPARE(sampling.value(Sampling::SampleCount).toInt(), 5000);

        Input input;
        readInto(recordOf(2, {{Input::ADCGain, 2}}, [](QDataStream& out) { out << QMap<int, int>() << qint32(0); }),
            input);
        QCOMPARE(input.value(Input::ADCMode).toInt(), 0);
        QCOMPARE(input.value(Input::SlowMotionTime).toInt(), 5);
    }

    void inputVersionOneHoldsFourChannels()
    {
        Input input;
        readInto(recordOf(1, {}, [](QDataStream& out) { out << qint32(33) << qint32(255) << qint32(7) << qint32(32) << qint32(5); }),
            input);
        QCOMPARE(input.getChannelAssignments(), (QMap<int, int>{{1, 33}, {3, 7}, {4, 32}}));
        QCOMPARE(input.channelAssignment(2), 255);
        QCOMPARE(input.getOutputMask(), 5);
    }

    void readTellsTheObservers()
    {
        ChangeCounter<Motion> motionCounter;
        Motion motion;
        motion.addObserver(&motionCounter);
        readInto(written(Motion()), motion);
        QCOMPARE(motionCounter.m_count, 1);

        ChangeCounter<Sampling> samplingCounter;
        Sampling sampling;
        sampling.addObserver(&samplingCounter);
        readInto(written(Sampling()), sampling);
        sampling = Sampling();
        QCOMPARE(samplingCounter.m_count, 2);
    }

    void refusedContents_data()
    {
        QTest::addColumn<Reader>("reader");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("failure");
        const Reader motion([](QDataStream& in) { Motion m; in >> m; });
        const Reader sampling([](QDataStream& in) { Sampling s; in >> s; });
        const Reader input([](QDataStream& in) { Input i; in >> i; });
        const QString corrupted = QStringLiteral(" The file is corrupted.");
        auto inputTail = [](const QMap<int, int>& assignments, qint32 mask) {
            return [=](QDataStream& out) { out << assignments << mask; };
        };

        QTest::newRow("motion: a list for the velocity")
            << motion << recordOf(3, {{Motion::Velocity, QVariantList{1, 2}}})
            << "Property 1 holds a value of type 9 it cannot have. The file is corrupted or not a configuration file.";
        QTest::newRow("motion: NaN velocity")
            << motion << recordOf(3, {{Motion::Velocity, qQNaN()}})
            << "Property 1 holds a number that is not finite. The file is corrupted or not a configuration file.";
        QTest::newRow("input: unused id 10")
            << input << recordOf(2, {{10, 1}}, inputTail({}, 0))
            << "Unknown property 10. The file is corrupted or not a configuration file.";
        QTest::newRow("sampling: over-sampling 3") << sampling << recordOf(1, {{Sampling::SamplePeriod, 5}, {Sampling::OverSample, 3}})
                                                   << "The over-sampling 3 is not one of 0 to 2." + corrupted;
        QTest::newRow("sampling: period index 15") << sampling << recordOf(1, {{Sampling::SamplePeriod, 15}})
                                                   << "The sample period index 15 is not one of 1 to 14." + corrupted;
        QTest::newRow("sampling: period index as text") << sampling << recordOf(1, {{Sampling::SamplePeriod, "x"}})
                                                        << "The sample period index 0 is not one of 1 to 14." + corrupted;
        QTest::newRow("input: ADC gain 7") << input << recordOf(2, {{Input::ADCGain, 7}}, inputTail({}, 0))
                                           << "The ADC gain index 7 is not one of 0 to 6." + corrupted;
        QTest::newRow("input: channel 9")
            << input << recordOf(2, {}, inputTail({{9, 32}}, 0))
            << "Input channel 9 has the function 32, which no board knows." + corrupted;
        QTest::newRow("input: function 256")
            << input << recordOf(2, {}, inputTail({{1, 256}}, 0))
            << "Input channel 1 has the function 256, which no board knows." + corrupted;
        QTest::newRow("input: channel map claiming 2^32-1 entries")
            << input << recordOf(2, {}, [](QDataStream& out) { out << quint32(0xFFFFFFFF) << qint32(1) << qint32(32); })
            << "The file claims 4294967295 input channels." + corrupted;
        QTest::newRow("input: output mask 256") << input << recordOf(2, {}, inputTail({}, 256))
                                                << "The output mask 256 does not fit in a byte." + corrupted;
        QTest::newRow("input version 1: function -1")
            << input << recordOf(1, {}, [](QDataStream& out) { out << qint32(-1) << qint32(255) << qint32(255) << qint32(255) << qint32(0); })
            << "Input channel 1 has the function -1, which no board knows." + corrupted;
        QByteArray move;
        QDataStream(&move, QIODevice::WriteOnly) << qint32(1) << qint32(300) << qint32(0) << qint32(5);
        QTest::newRow("move: mode 300") << Reader([](QDataStream& in) { Move m; in >> m; }) << move
                                        << "The move mode 300 or direction 0 is out of range." + corrupted;
    }

    // What a record cannot hold is refused with a text that says what is wrong.
    void refusedContents()
    {
        QFETCH(Reader, reader);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, failure);
        QDataStream in(bytes);
        try
        {
            reader(in);
            QFAIL("no exception");
        }
        catch (const StreamableUnexpectedContentsException& e)
        {
            QCOMPARE(e.getMessage(), failure);
        }
    }

    void truncatedRecordThrows()
    {
        QByteArray bytes = written(Move(1, 1, 1000));
        bytes.chop(2);
        Move move;
        QVERIFY_EXCEPTION_THROWN(readInto(bytes, move), StreamableUnexpectedContentsException);
        QCOMPARE(move.getStepCount(), 100);
    }
};

TALVEX_TEST(tst_DriverRecordStreams)
#include "tst_DriverRecordStreams.moc"
