#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "PropertyMessageRecorder.h"
#include "TalvexDriverSamplingConfiguration.h"

#include <QTest>

namespace
{
typedef TalvexDriverSamplingConfiguration Sampling;

Sampling samplingOf(int period, int trigger, int overSample, int count)
{
    Sampling sampling;
    sampling.setValue(Sampling::SamplePeriod, period);
    sampling.setValue(Sampling::Trigger, trigger);
    sampling.setValue(Sampling::OverSample, overSample);
    sampling.setValue(Sampling::SampleCount, count);
    return sampling;
}
}

class tst_DriverSamplingConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void encoding_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("trigger");
        QTest::addColumn<int>("overSample");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("defaults") << 5 << 0 << 0 << 5000 << "05 88 13 00 00 05";
        QTest::newRow("5 ms low") << 5 << 0 << 1 << 5000 << "03 A8 61 00 01 05";
        QTest::newRow("5 s high") << 14 << 0 << 2 << 100 << "0B E8 03 00 02 0E";
        QTest::newRow("0.2 ms high, on event") << 1 << 1 << 2 << 7 << "01 07 00 01 02 01";
        QTest::newRow("1 ms low, on motor start") << 3 << 2 << 1 << 10 << "01 32 00 02 01 03";
        QTest::newRow("2 ms high") << 4 << 0 << 2 << 10 << "01 64 00 00 02 04";
        QTest::newRow("largest count without over-sampling") << 5 << 0 << 0 << 65535 << "05 FF FF 00 00 05";
    }

    void encoding()
    {
        QFETCH(int, period);
        QFETCH(int, trigger);
        QFETCH(int, overSample);
        QFETCH(int, count);
        QFETCH(QString, bytes);
        QCOMPARE(hexText(samplingOf(period, trigger, overSample, count).toByteArray()), bytes);
    }

    void decoding_data()
    {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("defaults") << "05 88 13 00 00 05" << QList<int>{5, 0, 0, 5000};
        QTest::newRow("low over-sampling") << "03 A8 61 00 01 05" << QList<int>{5, 0, 1, 5000};
        QTest::newRow("high over-sampling") << "0B E8 03 02 02 0E" << QList<int>{14, 2, 2, 100};
        QTest::newRow("count not a multiple of the factor") << "03 AB 61 01 01 05" << QList<int>{5, 1, 1, 5000};
        QTest::newRow("period 0 reads as 1") << "01 10 00 00 00 00" << QList<int>{1, 0, 0, 16};
    }

    void decoding()
    {
        QFETCH(QString, bytes);
        QFETCH(QList<int>, values);
        const Sampling sampling(hexBytes(bytes));
        for (int id = 0; id < values.size(); ++id)
            QCOMPARE(sampling.value(id).toInt(), values[id]);
    }

    void periodsAndFactors()
    {
        const QList<double> periods{0.0002, 0.0005, 0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5};
        const QList<int> low{1, 1, 5, 4, 5, 5, 4, 5, 5, 4, 5, 5, 4, 5};
        const QList<int> high{1, 1, 5, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
        for (int index = 1; index <= 14; ++index)
        {
            QCOMPARE(samplingOf(index, 0, 0, 1).samplePeriod(), periods[index - 1]);
            QCOMPARE(samplingOf(index, 0, 0, 1).overSamplingFactor(), 1);
            QCOMPARE(samplingOf(index, 0, 1, 1).overSamplingFactor(), low[index - 1]);
            QCOMPARE(samplingOf(index, 0, 2, 1).overSamplingFactor(), high[index - 1]);
        }
    }

    // The board counts the multiplied sample count in 16 bits: it must never wrap.
    void sampleCountFitsTheBoardCounter_data()
    {
        QTest::addColumn<int>("overSample");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("corrected");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("countBytes");
        QTest::newRow("fits") << 2 << 6553 << 6553 << QString() << "FA FF";
        QTest::newRow("would wrap") << 2 << 6554 << 6553
                                    << "The sample count was too high. At most 6553 samples can be taken with this "
                                       "over-sampling."
                                    << "FA FF";
        QTest::newRow("too high without over-sampling")
            << 0 << 70000 << 65535
            << "The sample count was too high. At most 65535 samples can be taken with this over-sampling."
            << "FF FF";
        QTest::newRow("negative") << 0 << -3 << 0 << "The sample count cannot be negative." << "00 00";
    }

    void sampleCountFitsTheBoardCounter()
    {
        QFETCH(int, overSample);
        QFETCH(int, count);
        QFETCH(int, corrected);
        QFETCH(QString, message);
        QFETCH(QString, countBytes);
        Sampling sampling = samplingOf(8, 0, overSample, count);
        // Even unvalidated, the payload holds the largest count that fits.
        QCOMPARE(hexText(sampling.toByteArray()).mid(3, 5), countBytes);
        PropertyMessageRecorder<TalvexDriverSamplingConfigurationTraits> recorder(sampling);
        const Sampling::ValidationMessages messages = sampling.validate();
        QCOMPARE(sampling.value(Sampling::SampleCount).toInt(), corrected);
        QCOMPARE(messages.isEmpty(), message.isEmpty());
        if (!message.isEmpty())
        {
            QCOMPARE(messages[0], qMakePair(message, 1));
            QCOMPARE(recorder.m_messages, (QList<QPair<int, QString>>{{int(Sampling::SampleCount), message}}));
        }
        QCOMPARE(hexText(sampling.toByteArray()).mid(3, 5), countBytes);
    }
};

TALVEX_TEST(tst_DriverSamplingConfiguration)
#include "tst_DriverSamplingConfiguration.moc"
