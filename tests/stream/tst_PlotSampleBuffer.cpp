#include "TestRegistry.h"

#include "PlotSampleBuffer.h"

#include <QTest>

#include <vector>

namespace
{
QVector<double> numbers(const QString& text)
{
    QVector<double> values;
    for (const QString& part : text.split(' ', Qt::SkipEmptyParts))
        values.append(part.toDouble());
    return values;
}

QVector<double> valuesOf(const QVector<PlotPoint>& points)
{
    QVector<double> values;
    for (const PlotPoint& point : points)
        values.append(point.getValue());
    return values;
}

QVector<double> keysOf(const QVector<PlotPoint>& points)
{
    QVector<double> keys;
    for (const PlotPoint& point : points)
        keys.append(point.getKey());
    return keys;
}

// Keys 0, 1, 2, ... from the first key on, one for each value.
QVector<double> keysFor(const QVector<double>& values, double firstKey = 0.0)
{
    QVector<double> keys;
    for (int i = 0; i < values.count(); ++i)
        keys.append(firstKey + i);
    return keys;
}

// Appends the values with keys 0, 1, 2, ... from the first key on.
QVector<PlotPoint> feed(PlotSampleBuffer& buffer, const QVector<double>& values, double firstKey = 0.0)
{
    buffer.append(keysFor(values, firstKey), values);
    return buffer.process();
}
}

class tst_PlotSampleBuffer : public QObject
{
    Q_OBJECT

private slots:
    void processing_data()
    {
        QTest::addColumn<bool>("unwrap");
        QTest::addColumn<int>("average");
        QTest::addColumn<double>("offset");
        QTest::addColumn<QString>("batches");
        QTest::addColumn<QString>("outputs");

        // Batches and their outputs are separated by '|'.
        QTest::newRow("wrap down, then back up") << true << 1 << 0.0 << "65530 2 10" << "-6 2 10";
        QTest::newRow("jump of exactly 40000 is no wrap") << true << 1 << 0.0 << "40000" << "40000";
        QTest::newRow("first value above 40000 counts as negative") << true << 1 << 0.0 << "40001" << "-25535";
        QTest::newRow("counting up across the top") << true << 1 << 0.0 << "30000 60000 65535 5 100"
                                                     << "30000 60000 65535 65541 65636";
        QTest::newRow("the last value carries to the next call") << true << 1 << 0.0 << "60000 | 100 | 30000"
                                                                 << "-5536 | 100 | 30000";
        QTest::newRow("no unwrap") << false << 1 << 0.0 << "65530 2" << "65530 2";
        QTest::newRow("offset from the channel") << true << 1 << 1000.0 << "0 65535" << "1000 999";
        QTest::newRow("averaging waits for whole groups") << false << 4 << 0.0 << "1 2 3 4 5 6 7 8 9 10 | 11 12"
                                                           << "2.5 6.5 | 10.5";
        QTest::newRow("averaging of an unwrapped counter") << true << 2 << 0.0 << "65534 65535 | 0 1"
                                                           << "-1.5 | 0.5";
        QTest::newRow("an incomplete group emits nothing") << false << 3 << 0.0 << "1 2 | 3" << " | 2";
    }

    void processing()
    {
        QFETCH(bool, unwrap);
        QFETCH(int, average);
        QFETCH(double, offset);
        QFETCH(QString, batches);
        QFETCH(QString, outputs);
        PlotSampleBuffer buffer(8, unwrap);
        buffer.setAverageCount(average);
        buffer.setOffset(offset);
        // The same points written straight behind those a client already keeps.
        PlotSampleBuffer into(8, unwrap);
        into.setAverageCount(average);
        into.setOffset(offset);
        const PlotPoint kept(-1.0, -1.0);
        QVector<PlotPoint> keeping{kept};
        QVector<PlotPoint> processed{kept};
        const QStringList inputs = batches.split('|');
        const QStringList expected = outputs.split('|');
        QCOMPARE(inputs.count(), expected.count());
        for (int i = 0; i < inputs.count(); ++i)
        {
            const QVector<PlotPoint> points = feed(buffer, numbers(inputs.at(i)));
            QCOMPARE(valuesOf(points), numbers(expected.at(i)));
            processed += points;
            into.append(keysFor(numbers(inputs.at(i))), numbers(inputs.at(i)));
            into.processInto(keeping);
        }
        QCOMPARE(keeping, processed);
    }

    // An averaged point takes the key of its group's first sample.
    void averagedKeys()
    {
        PlotSampleBuffer buffer(1, false);
        buffer.setAverageCount(3);
        const QVector<PlotPoint> points = feed(buffer, numbers("1 2 3 4 5 6 7"), 10.0);
        QCOMPARE(keysOf(points), numbers("10 13"));
        for (const PlotPoint& point : points)
            QVERIFY(point.isValid());
        QCOMPARE(keysOf(feed(buffer, numbers("8 9"), 17.0)), numbers("16"));
    }

    // Lent samples are read where they are, in their order among copied ones, and kept on
    // request before their arrays change.
    void borrowedSamples()
    {
        PlotSampleBuffer buffer(4, true);
        std::vector<double> keys{3.0, 4.0};
        std::vector<double> values{65535.0, 1.0};
        buffer.append({1.0, 2.0}, {5.0, 6.0});
        buffer.appendBorrowed(keys.data(), values.data(), 2);
        QCOMPARE(keysOf(buffer.process()), numbers("1 2 3 4"));
        QCOMPARE(valuesOf(buffer.process()), QVector<double>());

        buffer.appendBorrowed(keys.data(), values.data(), 2);
        buffer.keepBorrowed();
        keys.assign({5.0, 6.0});
        values.assign({2.0, 3.0});
        buffer.appendBorrowed(keys.data(), values.data(), 2);
        buffer.append({7.0}, {65534.0});
        const QVector<PlotPoint> points = buffer.process();
        QCOMPARE(keysOf(points), numbers("3 4 5 6 7"));
        // The counter goes on from the last value before the borrowed ones, across both parts.
        QCOMPARE(valuesOf(points), numbers("-1 1 2 3 -2"));

        buffer.appendBorrowed(keys.data(), values.data(), 2);
        buffer.clear();
        buffer.keepBorrowed();
        QVERIFY(buffer.process().isEmpty());
    }

    // Samples read from a packet's words where they are: two groups of a signed, scaled word and
    // a counter word. What is kept before the packet changes is read as it was.
    void borrowedWords()
    {
        QVector<quint8> packet{0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x00, 0x01, 0x00};
        const std::vector<double> keys{10.0, 10.25};
        StreamChannelView voltage;
        voltage.m_count = 2;
        voltage.m_pKeys = keys.data();
        voltage.m_pWords = packet.constData();
        voltage.m_stride = 4;
        voltage.m_signed = true;
        voltage.m_scale = 0.5;
        StreamChannelView counter = voltage;
        counter.m_pWords += 2;
        counter.m_signed = false;
        counter.m_scale = 1.0;

        PlotSampleBuffer volts(1, false);
        volts.setOffset(1.0);
        volts.appendBorrowed(voltage);
        const QVector<PlotPoint> points = volts.process();
        QCOMPARE(keysOf(points), numbers("10 10.25"));
        QCOMPARE(valuesOf(points), numbers("0 3"));

        PlotSampleBuffer counts(4, true);
        counts.append({9.0}, {2.0});
        counts.appendBorrowed(counter);
        counts.keepBorrowed();
        packet.fill(0x80);
        QVector<PlotPoint> kept;
        counts.processInto(kept);
        QCOMPARE(keysOf(kept), numbers("9 10 10.25"));
        // 65535 after 2 is a step down across the wrap.
        QCOMPARE(valuesOf(kept), numbers("2 -1 1"));
    }

    // Packets of one 16-bit word a group, read in place by each kind of channel: signed or not,
    // scaled or not, a counter continued across its wrap-arounds within a packet and from one
    // packet to the next. Packets and their values are separated by '|'.
    void wordChannels_data()
    {
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("unwrap");
        QTest::addColumn<QString>("packets");
        QTest::addColumn<QString>("outputs");

        QTest::newRow("signed") << true << 1.0 << false << "FEFF 0200" << "-2 2";
        QTest::newRow("signed, scaled") << true << 0.5 << false << "FEFF 0300" << "-1 1.5";
        QTest::newRow("unsigned") << false << 1.0 << false << "FEFF 0200" << "65534 2";
        QTest::newRow("unsigned, scaled") << false << 0.5 << false << "FEFF 0300" << "32767 1.5";
        QTest::newRow("counter wraps between two packets")
            << false << 1.0 << true << "3075 50C3 E8FD | F401 E803" << "30000 50000 65000 | 66036 66536";
        QTest::newRow("counter wraps at a packet's last word")
            << false << 1.0 << true << "0A00 0500 FBFF | F6FF" << "10 5 -5 | -10";
        QTest::newRow("counter wraps at a packet's first word")
            << false << 1.0 << true << "0A00 | FBFF 0500 0200 0100" << "10 | -5 5 2 1";
        QTest::newRow("counter moves far without a wrap")
            << false << 1.0 << true << "0000 409C 8038 | 409C 0000" << "0 40000 14464 | 40000 0";
        QTest::newRow("signed counter") << true << 1.0 << true << "FF7F 0180 0280" << "32767 32769 32770";
    }

    void wordChannels()
    {
        QFETCH(bool, isSigned);
        QFETCH(double, scale);
        QFETCH(bool, unwrap);
        QFETCH(QString, packets);
        QFETCH(QString, outputs);
        const QStringList inputs = packets.split('|');
        const QStringList expected = outputs.split('|');
        QCOMPARE(inputs.count(), expected.count());
        PlotSampleBuffer buffer(4, unwrap);
        PlotSampleBuffer into(4, unwrap);
        QVector<PlotPoint> kept;
        QVector<PlotPoint> processed;
        double key = 0.0;
        for (int i = 0; i < inputs.count(); ++i)
        {
            const QByteArray bytes = QByteArray::fromHex(inputs.at(i).toLatin1());
            std::vector<double> keys;
            for (int g = 0; g < bytes.count() / 2; ++g)
                keys.push_back(key++);
            StreamChannelView words;
            words.m_count = int(keys.size());
            words.m_pKeys = keys.data();
            words.m_pWords = reinterpret_cast<const quint8*>(bytes.constData());
            words.m_stride = 2;
            words.m_signed = isSigned;
            words.m_scale = scale;
            buffer.appendBorrowed(words);
            const QVector<PlotPoint> points = buffer.process();
            QCOMPARE(valuesOf(points), numbers(expected.at(i)));
            QCOMPARE(keysOf(points), QVector<double>(keys.cbegin(), keys.cend()));
            processed += points;
            into.appendBorrowed(words);
            into.processInto(kept);
        }
        QCOMPARE(kept, processed);
    }

    void clearStartsAfresh()
    {
        PlotSampleBuffer buffer(4, true);
        buffer.setAverageCount(2);
        buffer.setOffset(500.0);
        QCOMPARE(valuesOf(feed(buffer, numbers("65535 65535 7"))), numbers("499"));
        buffer.clear();
        // No offset, no waiting sample, no reference: the first value is measured against 0 again.
        QCOMPARE(valuesOf(feed(buffer, numbers("65535 65533"))), numbers("-2"));
        QCOMPARE(buffer.channel(), 4);

        buffer.resetOffset();
        QCOMPARE(valuesOf(feed(buffer, numbers("1 3"))), numbers("2"));
        QVERIFY(buffer.process().isEmpty());
        QCOMPARE(PlotSampleBuffer(true).channel(), 0);
    }

    // The board's counter was cleared at a high count: what follows is a new count, no wrap.
    void clearedCounterStartsWithoutWrap()
    {
        PlotSampleBuffer buffer(2, true);
        QCOMPARE(valuesOf(feed(buffer, numbers("30000 50000"))), numbers("30000 50000"));
        buffer.resetOffset();
        QCOMPARE(valuesOf(feed(buffer, numbers("5 65530"))), numbers("5 -6"));
    }
};

TALVEX_TEST(tst_PlotSampleBuffer)
#include "tst_PlotSampleBuffer.moc"
