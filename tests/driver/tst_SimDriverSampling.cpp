#include "TestRegistry.h"

#include "DriverBoardRig.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverSamplingConfiguration.h"
#include "TalvexStreamInterpreter.h"
#include "USBByteHelpers.h"

#include <QTest>
#include <cmath>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverMotionConfiguration Motion;
typedef TalvexDriverMotorMoveConfiguration Move;
typedef TalvexDriverSamplingConfiguration Sampling;

struct Packet
{
    int wordCount = 0;
    bool last = false;
    quint32 steps = 0;
    QVector<quint16> words;
    int size = 0;
};

// A (1,2) board whose motor turns at 200 full steps per second: 3200 of its 1/16 steps each
// second, 3.2 per millisecond.
struct SamplingBoard : DriverBoardRig
{
    explicit SamplingBoard(const D& model = D::s_model1_2) : DriverBoardRig(model, USBVersion(3, 0)) {}

    bool configure(int mask, int gain = 0, int microStepping = 4)
    {
        Input input;
        input.setOutputMask(mask);
        input.setValue(Input::ADCGain, gain);
        Motion motion;
        motion.setValue(Motion::MicroStepping, microStepping);
        motion.setValue(Motion::Velocity, 200);
        motion.setValue(Motion::AccelerationMethod, 0);
        return run(R::SetInputConfiguration, input.toByteArray(m_model, m_firmwareVersion)).isOk()
            && run(R::SetMotionConfiguration, motion.toByteArray(m_model)).isOk();
    }

    USBResult start(int periodIndex, int count, int trigger = 0)
    {
        Sampling sampling;
        sampling.setValue(Sampling::SamplePeriod, periodIndex);
        sampling.setValue(Sampling::SampleCount, count);
        sampling.setValue(Sampling::Trigger, trigger);
        return run(R::StartSampling, sampling.toByteArray());
    }

    bool moveForward()
    {
        return run(R::MotorOn).isOk() && run(R::Move, Move(Move::Continuous, Move::Forward, 0).toByteArray(m_model)).isOk();
    }

    QVector<Packet> packets()
    {
        QVector<Packet> parsed;
        for (const QVector<quint8>& bytes : m_pFirmware->takeStreamPackets())
        {
            Packet packet;
            packet.size = bytes.count();
            packet.wordCount = bytes.value(0);
            packet.last = bytes.value(1) != 0;
            packet.steps = bytes.count() >= 6 ? readUInt32(bytes, 2) : 0;
            for (int i = 6; i + 1 < bytes.count(); i += 2)
                packet.words.append(readUInt16(bytes, i));
            parsed.append(packet);
        }
        return parsed;
    }

    // Runs the board until its run ends or the time is up.
    QVector<Packet> runToTheEnd(int milliseconds)
    {
        QVector<Packet> all;
        for (int ms = 0; ms < milliseconds && (all.isEmpty() || !all.last().last); ++ms)
        {
            m_pFirmware->advance(1);
            all += packets();
        }
        return all;
    }
};

int groupSizeOf(int mask)
{
    return ((mask & 1) ? 1 : 0) + ((mask & 6) ? 1 : 0) + ((mask & 8) ? 1 : 0);
}
}

class TestSimDriverSampling : public QObject
{
    Q_OBJECT

private slots:
    void runStreamsWholeGroups_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("periodIndex");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("groupsPerPacket");
        QTest::newRow("all channels, 0.2 ms: full packets") << 0xF << 1 << 500 << 40;
        QTest::newRow("two words, 0.2 ms: full packets") << 0x9 << 1 << 500 << 60;
        QTest::newRow("voltage, 0.2 ms: 20 ms per packet") << 0x1 << 1 << 500 << 100;
        QTest::newRow("two words, 1 ms: 20 ms per packet") << 0x9 << 3 << 90 << 20;
        QTest::newRow("steps, 50 ms: one sample per packet") << 0x8 << 8 << 4 << 1;
        QTest::newRow("nothing enabled: only the last packet") << 0x0 << 3 << 30 << 0;
    }

    // Every packet fits a short frame and carries whole groups; the last one says so and
    // nothing follows it.
    void runStreamsWholeGroups()
    {
        QFETCH(int, mask);
        QFETCH(int, periodIndex);
        QFETCH(int, count);
        QFETCH(int, groupsPerPacket);
        SamplingBoard board;
        QVERIFY(board.configure(mask));
        QVERIFY(board.start(periodIndex, count).isOk());
        const QVector<Packet> packets = board.runToTheEnd(60000);
        QVERIFY(!packets.isEmpty());
        QVERIFY(packets.last().last);

        const int groupSize = groupSizeOf(mask);
        int groups = 0;
        for (int i = 0; i < packets.count(); ++i)
        {
            const Packet& packet = packets.at(i);
            const QString where = QString("packet %1").arg(i);
            QVERIFY2(packet.size <= 255, qPrintable(where));
            QVERIFY2(packet.size == 6 + 2 * packet.wordCount, qPrintable(where));
            QVERIFY2(packet.last == (i == packets.count() - 1), qPrintable(where));
            if (groupSize == 0)
            {
                QCOMPARE(packet.wordCount, 0);
                continue;
            }
            QVERIFY2(packet.wordCount % groupSize == 0, qPrintable(where));
            if (!packet.last)
                QVERIFY2(packet.wordCount == groupsPerPacket * groupSize, qPrintable(where));
            groups += packet.wordCount / groupSize;
        }
        if (groupSize > 0)
            QCOMPARE(groups, count);
        else
            QCOMPARE(packets.count(), 1);
        board.m_pFirmware->advance(100);
        QVERIFY(board.packets().isEmpty());
    }

    // The step words count the micro-steps of the current mode since the run started; the head
    // gives the position in sixteenths of a full step at the packet's first sample.
    void stepCounter_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<int>("microStepping");
        QTest::addColumn<int>("unitsPerSixteenth");
        QTest::addColumn<int>("unitsPerMicroStep");
        QTest::newRow("(1,2) 1/16") << D::s_model1_2 << 4 << 1 << 1;
        QTest::newRow("(1,2) 1/4") << D::s_model1_2 << 2 << 1 << 4;
        QTest::newRow("(27,1) 1/32") << D::s_model27_1 << 5 << 8 << 4;
    }

    void stepCounter()
    {
        QFETCH(D, model);
        QFETCH(int, microStepping);
        QFETCH(int, unitsPerSixteenth);
        QFETCH(int, unitsPerMicroStep);
        SamplingBoard board(model);
        QVERIFY(board.configure(0x8, 0, microStepping));
        QVERIFY(board.moveForward());
        board.m_pFirmware->advance(10);
        // 1 ms period, the first sample after the run's first millisecond.
        QVERIFY(board.start(3, 50).isOk());
        const QVector<Packet> packets = board.runToTheEnd(1000);
        QCOMPARE(packets.count(), 3);

        // 200 full steps per second in the board's finest unit (16 or 128 per full step).
        const qint64 unitsPerSecond = 200 * 16 * unitsPerSixteenth;
        const auto position = [unitsPerSecond](int ms) { return unitsPerSecond * ms / 1000; };
        int sample = 0;
        for (const Packet& packet : packets)
        {
            QCOMPARE(packet.steps, quint32(position(11 + sample) / unitsPerSixteenth));
            for (quint16 word : packet.words)
            {
                QCOMPARE(int(word), int((position(11 + sample) - position(10)) / unitsPerMicroStep));
                ++sample;
            }
        }
        QCOMPARE(sample, 50);
    }

    void zeroingThePositionRestartsTheStepCounter()
    {
        SamplingBoard board;
        QVERIFY(board.configure(0x8));
        QVERIFY(board.moveForward());
        board.m_pFirmware->advance(100);
        QVERIFY(board.start(3, 1000).isOk());
        board.m_pFirmware->advance(50);
        QVERIFY(board.run(R::Stop).isOk());
        QVERIFY(board.run(R::ZeroPosition).isOk());
        board.packets();
        board.m_pFirmware->advance(40);
        QVERIFY(board.run(R::StopStreaming).isOk());
        const QVector<Packet> packets = board.packets();
        QVERIFY(!packets.isEmpty() && !packets.last().words.isEmpty());
        QCOMPARE(packets.last().steps, 0u);
        QCOMPARE(packets.last().words.last(), quint16(0));
    }

    // Below its zero position the head carries the position in two's complement, which the
    // studio reads back as the negative position.
    void headBelowZero()
    {
        SamplingBoard board;
        QVERIFY(board.configure(0x8));
        QVERIFY(board.run(R::MotorOn).isOk());
        QVERIFY(board.run(R::Move, Move(Move::Continuous, Move::Backward, 0).toByteArray(board.m_model)).isOk());
        board.m_pFirmware->advance(1000);
        QVERIFY(board.run(R::Stop).isOk());
        QVERIFY(board.start(3, 2).isOk());
        board.m_pFirmware->advance(5);
        const QVector<QVector<quint8>> packets = board.m_pFirmware->takeStreamPackets();
        QCOMPARE(packets.count(), 1);
        QCOMPARE(readUInt32(packets.first(), 2), quint32(-3200));

        Input input;
        input.setOutputMask(0x8);
        Motion motion;
        motion.setValue(Motion::MicroStepping, 4);
        TalvexStreamInterpreter interpreter;
        interpreter.setConfigurations(Sampling(), input, motion);
        const QVector<quint8>& bytes = packets.first();
        const StreamSample sample =
            interpreter.interpret(0.0, QByteArray(reinterpret_cast<const char*>(bytes.constData()), bytes.count()));
        QCOMPARE(sample.scalar(TalvexStreamInterpreter::StepsChannel), -3200.0);
        QCOMPARE(sample.values(TalvexStreamInterpreter::StepsChannel), QVector<double>({0.0, 0.0}));
    }

    void oneMeasurementAtATime()
    {
        SamplingBoard board;
        QVERIFY(board.configure(0x1));
        QVERIFY(board.start(5, 100).isOk());
        QVERIFY(board.run(R::GetSamplingConfiguration).isOk());
        const QVector<quint8> stored = board.m_reply;

        const USBResult again = board.start(6, 10);
        QCOMPARE(again.getStatus(), 2);
        QCOMPARE(again.getMessage(), QString("Measuring already in progress"));
        QVERIFY(board.run(R::GetSamplingConfiguration).isOk());
        QCOMPARE(board.m_reply, stored);

        // Stream start only readies the stream, whatever runs.
        QVERIFY(board.run(R::StreamStart).isOk());
        QVERIFY(board.run(R::StopStreaming).isOk());
        QVERIFY(board.start(6, 10).isOk());

        // A run waiting for its trigger is in progress too.
        QVERIFY(board.run(R::StopStreaming).isOk());
        QVERIFY(board.start(6, 10, 1).isOk());
        QCOMPARE(board.start(6, 10).getMessage(), QString("Measuring already in progress"));
    }

    void stopSendsTheLastPacket()
    {
        SamplingBoard board;
        QVERIFY(board.configure(0x1));
        QVERIFY(board.run(R::StopStreaming).isOk());
        QVERIFY(board.packets().isEmpty());

        QVERIFY(board.start(3, 1000).isOk());
        board.m_pFirmware->advance(25);
        QVERIFY(board.run(R::StopStreaming).isOk());
        QVector<Packet> packets = board.packets();
        QCOMPARE(packets.count(), 2);
        QVERIFY(!packets.first().last);
        QVERIFY(packets.last().last);
        QCOMPARE(packets.first().wordCount + packets.last().wordCount, 25);
        board.m_pFirmware->advance(50);
        QVERIFY(board.packets().isEmpty());

        // Stopped before its trigger: an empty last packet.
        QVERIFY(board.start(3, 1000, 2).isOk());
        board.m_pFirmware->advance(25);
        QVERIFY(board.run(R::StopStreaming).isOk());
        packets = board.packets();
        QCOMPARE(packets.count(), 1);
        QVERIFY(packets.first().last);
        QCOMPARE(packets.first().wordCount, 0);
    }

    void triggers_data()
    {
        QTest::addColumn<int>("trigger");
        QTest::newRow("manual") << 0;
        QTest::newRow("on event") << 1;
        QTest::newRow("on motor start") << 2;
    }

    // A run waits for its trigger; the event counter shows the pulse that started it.
    void triggers()
    {
        QFETCH(int, trigger);
        SamplingBoard board;
        QVERIFY(board.configure(0x2));
        QVERIFY(board.start(3, 10, trigger).isOk());
        board.m_pFirmware->advance(30);
        QCOMPARE(board.packets().isEmpty(), trigger != 0);
        if (trigger == 0)
            return;

        QVERIFY(board.run(R::MotorOn).isOk());
        if (trigger == 1)
            QVERIFY(board.run(R::Move, Move(Move::Counted, Move::Forward, 100).toByteArray(board.m_model)).isOk());
        else
            board.m_pFirmware->pulseEventInput();
        board.m_pFirmware->advance(30);
        QVERIFY(board.packets().isEmpty());

        if (trigger == 1)
            board.m_pFirmware->pulseEventInput();
        else
            QVERIFY(board.run(R::Move, Move(Move::Counted, Move::Forward, 100).toByteArray(board.m_model)).isOk());
        const QVector<Packet> packets = board.runToTheEnd(100);
        QCOMPARE(packets.count(), 1);
        QCOMPARE(packets.first().wordCount, 10);
        QCOMPARE(packets.first().words.first(), quint16(1));
    }

    void countersAndTheirClearing()
    {
        SamplingBoard board;
        // Quadrature: 4 counts per full step; the motor makes 3.2 of its 1/16 steps each ms.
        const auto quadrature = [](int ms) { return quint16(3200 * ms / 1000 / 4); };
        QVERIFY(board.configure(0x4));
        QVERIFY(board.moveForward());
        board.m_pFirmware->advance(100);
        // Ten 1 ms samples, the first at 101 ms; the run ends at 110 ms.
        QVERIFY(board.start(3, 10).isOk());
        QCOMPARE(board.runToTheEnd(100).first().words.first(), quadrature(101));
        QVERIFY(board.run(R::ClearCounters).isOk());
        QVERIFY(board.start(3, 10).isOk());
        QCOMPARE(board.runToTheEnd(100).first().words.first(), quint16(quadrature(111) - quadrature(110)));

        QVERIFY(board.run(R::Stop).isOk());
        QVERIFY(board.configure(0x2));
        for (int i = 0; i < 3; ++i)
            board.m_pFirmware->pulseEventInput();
        QVERIFY(board.start(3, 10).isOk());
        QCOMPARE(board.runToTheEnd(100).first().words.first(), quint16(3));
        QVERIFY(board.run(R::ClearCounters).isOk());
        QVERIFY(board.start(3, 10).isOk());
        QCOMPARE(board.runToTheEnd(100).first().words.first(), quint16(0));
    }

    // The voltage input carries a 1 Hz sine of 1 V, seen through the ADC gain.
    void voltageIsASine_data()
    {
        QTest::addColumn<int>("gain");
        QTest::addColumn<double>("volts");
        QTest::newRow("x1") << 0 << 1.0;
        QTest::newRow("x8 clips at full scale") << 3 << 0.255875;
    }

    void voltageIsASine()
    {
        QFETCH(int, gain);
        QFETCH(double, volts);
        SamplingBoard board;
        QVERIFY(board.configure(0x1, gain));
        Input input;
        input.setValue(Input::ADCGain, gain);
        // 50 ms: 20 samples a second.
        QVERIFY(board.start(8, 20).isOk());
        QVector<qint16> counts;
        for (const Packet& packet : board.runToTheEnd(2000))
            for (quint16 word : packet.words)
                counts.append(qint16(word));
        QCOMPARE(counts.count(), 20);
        for (int k = 0; k < counts.count(); ++k)
        {
            const double expected = qBound(-volts, std::sin(2.0 * 3.14159265358979 * k * 0.05), volts);
            QVERIFY2(std::abs(counts.at(k) * input.adcResolution() - expected) < 0.001,
                qPrintable(QString("sample %1: %2").arg(k).arg(counts.at(k))));
        }
    }
};

TALVEX_TEST(TestSimDriverSampling)
#include "tst_SimDriverSampling.moc"
