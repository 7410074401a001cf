#include "TestRegistry.h"

#include "SimBoardRig.h"

#include <QTest>
#include <cmath>

namespace
{
struct Packet
{
    int wordCount = 0;
    bool last = false;
    quint32 steps = 0;
    QVector<quint16> words;
    int size = 0;
};

// A board whose motor turns at 200 full steps per second: on (1,2) 3200 of its 1/16 steps each
// second, 3.2 per millisecond.
struct SamplingBoard : SimBoardRig
{
    explicit SamplingBoard(quint32 productCode = 1, quint32 revision = 2)
        : SimBoardRig(productCode, revision, USBVersion(3, 0))
    {
    }

    // The output mask and ADC gain of the input record, micro-stepping mode n at 200 full
    // steps per second with a step ramp.
    bool configure(int mask, int gain = 0, int microStepping = 4)
    {
        const bool eightInputs = m_firmware.getModel().is(27, 1);
        const QString inputs = QString("%1 00 00 00 00 00 00 00 00 %2 00 04 %3 00 00 05%4")
                                   .arg(eightInputs ? "FF FF FF FF FF FF FF FF" : "FF FF FF FF")
                                   .arg(gain, 2, 16, QChar('0'))
                                   .arg(mask, 2, 16, QChar('0'))
                                   .arg(eightInputs ? " 00 00" : "");
        const QString motion = QString("%1 C8 00 C8 00 E8 03 00 00 00 00").arg(microStepping, 2, 16, QChar('0'));
        return run(Op::SetInputs, inputs) == Status::Ok && run(Op::SetMotion, motion) == Status::Ok;
    }

    // Period index, sample count and trigger, without over-sampling.
    int start(int periodIndex, int count, int trigger = 0)
    {
        QVector<quint8> payload{quint8(periodIndex)};
        appendUInt16(payload, quint16(count));
        payload << quint8(trigger) << 0 << quint8(periodIndex);
        return run(Op::StartSampling, hexText(payload));
    }

    bool moveForward()
    {
        return run(Op::MotorOn) == Status::Ok && run(Op::Move, movePayload(0, 0, 0)) == Status::Ok;
    }

    QVector<Packet> packets()
    {
        QVector<Packet> parsed;
        for (const QVector<quint8>& bytes : m_firmware.takeStreamPackets())
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
            m_firmware.advance(1);
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

class tst_SimDriverSampling : public QObject
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
        QCOMPARE(board.start(periodIndex, count), Status::Ok);
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
        board.m_firmware.advance(100);
        QVERIFY(board.packets().isEmpty());
    }

    // The step words count the micro-steps of the current mode since the run started; the head
    // gives the position in sixteenths of a full step at the packet's first sample.
    void stepCounter_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("microStepping");
        QTest::addColumn<int>("unitsPerSixteenth");
        QTest::addColumn<int>("unitsPerMicroStep");
        QTest::newRow("(1,2) 1/16") << 1 << 4 << 1 << 1;
        QTest::newRow("(1,2) 1/4") << 1 << 2 << 1 << 4;
        QTest::newRow("(27,1) 1/32") << 27 << 5 << 8 << 4;
    }

    void stepCounter()
    {
        QFETCH(int, productCode);
        QFETCH(int, microStepping);
        QFETCH(int, unitsPerSixteenth);
        QFETCH(int, unitsPerMicroStep);
        SamplingBoard board(productCode, productCode == 1 ? 2 : 1);
        QVERIFY(board.configure(0x8, 0, microStepping));
        QVERIFY(board.moveForward());
        board.m_firmware.advance(10);
        // 1 ms period, the first sample after the run's first millisecond.
        QCOMPARE(board.start(3, 50), Status::Ok);
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
        board.m_firmware.advance(100);
        QCOMPARE(board.start(3, 1000), Status::Ok);
        board.m_firmware.advance(50);
        QCOMPARE(board.run(Op::Stop), Status::Ok);
        QCOMPARE(board.run(Op::ZeroPosition), Status::Ok);
        board.packets();
        board.m_firmware.advance(40);
        QCOMPARE(board.run(Op::StopStreaming), Status::Ok);
        const QVector<Packet> packets = board.packets();
        QVERIFY(!packets.isEmpty() && !packets.last().words.isEmpty());
        QCOMPARE(packets.last().steps, 0u);
        QCOMPARE(packets.last().words.last(), quint16(0));
    }

    // Below its zero position the head carries the position in two's complement.
    void headBelowZero()
    {
        SamplingBoard board;
        QVERIFY(board.configure(0x8));
        QCOMPARE(board.run(Op::MotorOn), Status::Ok);
        QCOMPARE(board.run(Op::Move, movePayload(0, 1, 0)), Status::Ok);
        board.m_firmware.advance(1000);
        QCOMPARE(board.run(Op::Stop), Status::Ok);
        QCOMPARE(board.start(3, 2), Status::Ok);
        board.m_firmware.advance(5);
        const QVector<QVector<quint8>> packets = board.m_firmware.takeStreamPackets();
        QCOMPARE(packets.count(), 1);
        // Two step words, last packet, -3200 sixteenths.
        QCOMPARE(hexText(packets.first()), QString("02 01 80 F3 FF FF 00 00 00 00"));
    }

    void oneMeasurementAtATime()
    {
        SamplingBoard board;
        QVERIFY(board.configure(0x1));
        QCOMPARE(board.start(5, 100), Status::Ok);
        const QString stored = board.read(Op::GetSampling);
        QCOMPARE(stored, QString("05 64 00 00 00 05"));

        QCOMPARE(board.start(6, 10), Status::Measuring);
        QCOMPARE(board.read(Op::GetSampling), stored);

        // Stream start only readies the stream, whatever runs.
        QCOMPARE(board.run(Op::StreamStart), Status::Ok);
        QCOMPARE(board.run(Op::StopStreaming), Status::Ok);
        QCOMPARE(board.start(6, 10), Status::Ok);

        // A run waiting for its trigger is in progress too.
        QCOMPARE(board.run(Op::StopStreaming), Status::Ok);
        QCOMPARE(board.start(6, 10, 1), Status::Ok);
        QCOMPARE(board.start(6, 10), Status::Measuring);
    }

    void stopSendsTheLastPacket()
    {
        SamplingBoard board;
        QVERIFY(board.configure(0x1));
        QCOMPARE(board.run(Op::StopStreaming), Status::Ok);
        QVERIFY(board.packets().isEmpty());

        QCOMPARE(board.start(3, 1000), Status::Ok);
        board.m_firmware.advance(25);
        QCOMPARE(board.run(Op::StopStreaming), Status::Ok);
        QVector<Packet> packets = board.packets();
        QCOMPARE(packets.count(), 2);
        QVERIFY(!packets.first().last);
        QVERIFY(packets.last().last);
        QCOMPARE(packets.first().wordCount + packets.last().wordCount, 25);
        board.m_firmware.advance(50);
        QVERIFY(board.packets().isEmpty());

        // Stopped before its trigger: an empty last packet.
        QCOMPARE(board.start(3, 1000, 2), Status::Ok);
        board.m_firmware.advance(25);
        QCOMPARE(board.run(Op::StopStreaming), Status::Ok);
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
        QCOMPARE(board.start(3, 10, trigger), Status::Ok);
        board.m_firmware.advance(30);
        QCOMPARE(board.packets().isEmpty(), trigger != 0);
        if (trigger == 0)
            return;

        QCOMPARE(board.run(Op::MotorOn), Status::Ok);
        if (trigger == 1)
            QCOMPARE(board.run(Op::Move, movePayload(1, 0, 100)), Status::Ok);
        else
            board.m_firmware.pulseEventInput();
        board.m_firmware.advance(30);
        QVERIFY(board.packets().isEmpty());

        if (trigger == 1)
            board.m_firmware.pulseEventInput();
        else
            QCOMPARE(board.run(Op::Move, movePayload(1, 0, 100)), Status::Ok);
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
        board.m_firmware.advance(100);
        // Ten 1 ms samples, the first at 101 ms; the run ends at 110 ms.
        QCOMPARE(board.start(3, 10), Status::Ok);
        QCOMPARE(board.runToTheEnd(100).first().words.first(), quadrature(101));
        QCOMPARE(board.run(Op::ClearCounters), Status::Ok);
        QCOMPARE(board.start(3, 10), Status::Ok);
        QCOMPARE(board.runToTheEnd(100).first().words.first(), quint16(quadrature(111) - quadrature(110)));

        QCOMPARE(board.run(Op::Stop), Status::Ok);
        QVERIFY(board.configure(0x2));
        for (int i = 0; i < 3; ++i)
            board.m_firmware.pulseEventInput();
        QCOMPARE(board.start(3, 10), Status::Ok);
        QCOMPARE(board.runToTheEnd(100).first().words.first(), quint16(3));
        QCOMPARE(board.run(Op::ClearCounters), Status::Ok);
        QCOMPARE(board.start(3, 10), Status::Ok);
        QCOMPARE(board.runToTheEnd(100).first().words.first(), quint16(0));
    }

    // The voltage input carries a 1 Hz sine of 1 V, seen through the ADC gain: 0.25 mV per
    // count at gain x1, halved with each gain step.
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
        const double voltsPerCount = std::ldexp(0.00025, -gain);
        // 50 ms: 20 samples a second.
        QCOMPARE(board.start(8, 20), Status::Ok);
        QVector<qint16> counts;
        for (const Packet& packet : board.runToTheEnd(2000))
            for (quint16 word : packet.words)
                counts.append(qint16(word));
        QCOMPARE(counts.count(), 20);
        for (int k = 0; k < counts.count(); ++k)
        {
            const double expected = qBound(-volts, std::sin(2.0 * 3.14159265358979 * k * 0.05), volts);
            QVERIFY2(std::abs(counts.at(k) * voltsPerCount - expected) < 0.001,
                qPrintable(QString("sample %1: %2").arg(k).arg(counts.at(k))));
        }
    }
};

TALVEX_TEST(tst_SimDriverSampling)
#include "tst_SimDriverSampling.moc"
