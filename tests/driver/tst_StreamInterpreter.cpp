#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "TalvexStreamInterpreter.h"

#include <QTest>

namespace
{
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverMotionConfiguration Motion;

QVector<quint8> packetOf(const QString& hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    return QVector<quint8>(bytes.begin(), bytes.end());
}

// "1:0.5,-1 8:10,20": the values per channel; a channel without values is written "4:".
QMap<int, QVector<double>> channelsOf(const QString& text)
{
    QMap<int, QVector<double>> channels;
    for (const QString& entry : text.split(' ', Qt::SkipEmptyParts))
    {
        const QStringList parts = entry.split(':');
        QVector<double>& values = channels[parts.at(0).toInt()];
        for (const QString& value : parts.at(1).split(',', Qt::SkipEmptyParts))
            values.append(value.toDouble());
    }
    return channels;
}

struct Setup
{
    int mask;
    int period;
    int overSample;
    int gain;
    int microStepping;
};
}
Q_DECLARE_METATYPE(Setup)

class tst_StreamInterpreter : public QObject
{
    Q_OBJECT

private slots:
    void decoding_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("packet");
        QTest::addColumn<QString>("channels");
        QTest::addColumn<int>("groups");
        QTest::addColumn<double>("step");
        QTest::addColumn<bool>("last");

        // Head: word count, last flag, step counter (u32); then the words, little-endian.
        QTest::newRow("voltage and steps") << Setup{0x9, 5, 0, 0, 0} << "04 00 00000000 A00F 0A00 60F0 1400"
                                           << "1:1,-1 8:10,20" << 2 << 0.005 << false;
        QTest::newRow("events and quadrature share a word")
            << Setup{0x6, 5, 0, 0, 0} << "02 00 00000000 0500 FFFF" << "2:5,65535 4:5,65535" << 2 << 0.005 << false;
        QTest::newRow("all channels") << Setup{0xF, 3, 0, 0, 0} << "03 01 00000000 A00F 0700 0900"
                                      << "1:1 2:7 4:7 8:9" << 1 << 0.001 << true;
        QTest::newRow("over-sampled values a millisecond apart")
            << Setup{0x1, 5, 1, 0, 0} << "03 00 00000000 0100 0200 0300" << "1:0.00025,0.0005,0.00075" << 3 << 0.001
            << false;
        QTest::newRow("gain x4") << Setup{0x1, 5, 0, 2, 0} << "01 00 00000000 803E" << "1:1" << 1 << 0.005 << false;
        QTest::newRow("empty last packet") << Setup{0x9, 5, 0, 0, 0} << "00 01 00000000" << "1: 8:" << 0 << 0.005
                                           << true;
        QTest::newRow("no channel enabled") << Setup{0x0, 5, 0, 0, 0} << "02 01 00000000 0100 0200" << "" << 0
                                            << 0.005 << true;
        // A packet the board should not send: every channel keeps the same length and no byte
        // beyond the packet is read.
        QTest::newRow("partial group") << Setup{0x9, 5, 0, 0, 0} << "03 00 00000000 A00F 0A00 60F0" << "1:1 8:10" << 1
                                       << 0.005 << false;
        QTest::newRow("head counts more words than sent")
            << Setup{0x9, 5, 0, 0, 0} << "08 00 00000000 A00F 0A00 60F0" << "1:1 8:10" << 1 << 0.005 << false;
        QTest::newRow("head counts fewer words than sent")
            << Setup{0x9, 5, 0, 0, 0} << "02 00 00000000 A00F 0A00 60F0 1400" << "1:1 8:10" << 1 << 0.005 << false;
        QTest::newRow("odd byte count") << Setup{0x1, 5, 0, 0, 0} << "02 00 00000000 A00F 60" << "1:1" << 1 << 0.005
                                        << false;
        QTest::newRow("shorter than a head") << Setup{0x9, 5, 0, 0, 0} << "04 01 0000" << "" << 0 << 0.005 << false;
    }

    void decoding()
    {
        QFETCH(Setup, setup);
        QFETCH(QString, packet);
        QFETCH(QString, channels);
        QFETCH(int, groups);
        QFETCH(double, step);
        QFETCH(bool, last);

        Sampling sampling;
        sampling.setValue(Sampling::SamplePeriod, setup.period);
        sampling.setValue(Sampling::OverSample, setup.overSample);
        Input input;
        input.setOutputMask(setup.mask);
        input.setValue(Input::ADCGain, setup.gain);
        Motion motion;
        motion.setValue(Motion::MicroStepping, setup.microStepping);
        TalvexStreamInterpreter interpreter;
        interpreter.setConfigurations(sampling, input, motion);

        // The sample is reused from packet to packet: a longer, last packet decoded into it
        // before must leave no trace.
        StreamSample sample;
        interpreter.interpret(9.0, packetOf("08 01 FFFFFFFF 1111 2222 3333 4444 5555 6666 7777 8888"), sample);
        const double start = 2.5;
        interpreter.interpret(start, packetOf(packet), sample);
        const QMap<int, QVector<double>> expected = channelsOf(channels);
        QCOMPARE(sample.isEmpty(), expected.isEmpty());
        QVector<double> keys;
        for (int g = 0; g < groups; ++g)
            keys.append(start + g * step);
        for (int channel : {1, 2, 4, 8})
        {
            const QString where = QString("channel %1").arg(channel);
            if (!expected.contains(channel))
            {
                QVERIFY2(sample.keys(channel).isEmpty() && sample.values(channel).isEmpty(), qPrintable(where));
                continue;
            }
            QCOMPARE(sample.values(channel).count(), groups);
            for (int g = 0; g < groups; ++g)
            {
                QVERIFY2(qFuzzyCompare(sample.keys(channel).at(g), keys.at(g)), qPrintable(where));
                QVERIFY2(qFuzzyCompare(1.0 + sample.values(channel).at(g), 1.0 + expected[channel].at(g)),
                    qPrintable(where + QString(": %1").arg(sample.values(channel).at(g))));
            }
        }
        QVERIFY(qFuzzyCompare(sample.getEndTime(), start + groups * step));
        QCOMPARE(sample.isLast(), last);
        QVERIFY(!sample.isFollowOn());
    }

    void stepCounterAtThePacketStart_data()
    {
        QTest::addColumn<QString>("head");
        QTest::addColumn<int>("microStepping");
        QTest::addColumn<double>("scalar");
        QTest::newRow("1/16") << "800C0000" << 4 << 3200.0;
        QTest::newRow("full steps") << "800C0000" << 0 << 200.0;
        QTest::newRow("part of a full step is dropped") << "8F0C0000" << 3 << 1600.0;
        QTest::newRow("largest position") << "FFFFFF7F" << 0 << 134217727.0;
        // The board's position is signed: below zero it comes in two's complement.
        QTest::newRow("below zero, 1/16") << "80F3FFFF" << 4 << -3200.0;
        QTest::newRow("below zero, full steps") << "80F3FFFF" << 0 << -200.0;
        QTest::newRow("below zero, part of a full step is dropped") << "7FF3FFFF" << 3 << -1600.0;
    }

    // The head's counter in sixteenths of a full step, as micro-steps of the current mode.
    void stepCounterAtThePacketStart()
    {
        QFETCH(QString, head);
        QFETCH(int, microStepping);
        QFETCH(double, scalar);
        Input input;
        input.setOutputMask(0x8);
        Motion motion;
        motion.setValue(Motion::MicroStepping, microStepping);
        TalvexStreamInterpreter interpreter;
        interpreter.setConfigurations(Sampling(), input, motion);
        StreamSample sample;
        interpreter.interpret(0.0, packetOf("01 00" + head + "0500"), sample);
        QVERIFY(sample.hasScalar(TalvexStreamInterpreter::StepsChannel));
        QCOMPARE(sample.scalar(TalvexStreamInterpreter::StepsChannel), scalar);
        QCOMPARE(sample.values(TalvexStreamInterpreter::StepsChannel), QVector<double>{5.0});
    }
};

TALVEX_TEST(tst_StreamInterpreter)
#include "tst_StreamInterpreter.moc"
