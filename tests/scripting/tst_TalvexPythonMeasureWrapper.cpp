#include "TestRegistry.h"

#include "PlotSampleBuffer.h"
#include "ScriptingOnBoard.h"

#include <QTest>

namespace
{
typedef TalvexDriverCommRequest R;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverSamplingConfiguration Sampling;

// Takes every point of its channel at once, where the Measurements tab's series wait for the
// plot's refresh.
class CollectingClient : public PlotUSBDataStream::IStreamClient
{
public:
    CollectingClient(PlotUSBDataStream* stream, int channel) : m_pStream(stream) { stream->registerClient(this, channel, false); }
    ~CollectingClient() override { m_pStream->removeClient(this); }

    void appendSamples(PlotSampleBuffer& buffer) override { m_points += buffer.process(); }
    void markFinished() override {}
    void detachFromStream() override {}
    QVector<PlotPoint> processedPoints() override { return m_points; }

private:
    PlotUSBDataStream* m_pStream;
    QVector<PlotPoint> m_points;
};
}

// Measure on the simulated board: the sampling settings it stores or refuses, and a whole
// measurement from the start to the points of a channel.
class tst_TalvexPythonMeasureWrapper : public QObject
{
    Q_OBJECT

private slots:
    void storesOrRefusesSettings()
    {
        ScriptingOnBoard scripting;
        Sampling* sampling = scripting.m_board.m_document.samplingConfiguration();
        auto stored = [sampling](int id) { return sampling->value(id).toInt(); };
        QVERIFY(scripting.run("m = Measure()\n"
                              "m.setSampleCount(5000)\n"
                              "m.setResolution(Measure.Resol_200us)\n"
                              "m.setOverSampling(Measure.OverSampleHigh)\n"
                              "m.setTrigger(Measure.TriggerOnEvent)\n"));
        QCOMPARE(stored(Sampling::SampleCount), 5000);
        QCOMPARE(stored(Sampling::SamplePeriod), 1);
        QCOMPARE(stored(Sampling::OverSample), 2);
        QCOMPARE(stored(Sampling::Trigger), 1);
        QVERIFY(scripting.run("m = Measure()\nm.setSampleCount(-3)\nm.setOverSampling(7)\nm.setTrigger(-1)\n"));
        QCOMPARE(stored(Sampling::SampleCount), -3);
        QCOMPARE(stored(Sampling::OverSample), 0);
        QCOMPARE(stored(Sampling::Trigger), 0);
        QVERIFY(scripting.m_output.isEmpty());

        // Peak-peak values allow 10 ms at the shortest.
        scripting.m_board.m_document.inputConfiguration()->setValue(Input::ADCMode, 1);
        QVERIFY(scripting.run("m = Measure()\n"
                              "for call in (lambda: m.setSampleCount(5001), lambda: m.setResolution(Measure.Resol_5ms),\n"
                              "             lambda: m.setResolution(14), lambda: m.setSampleCount(2 ** 40)):\n"
                              "    try:\n"
                              "        call()\n"
                              "    except ValueError as error:\n"
                              "        print(str(error)[:20])\n"
                              "m.setResolution(Measure.Resol_10ms)\n"));
        QCOMPARE(scripting.m_output,
            QString("Sample count too lar\nSample period to sma\nSample period to sma\nValue out of range: \n"));
        QCOMPARE(stored(Sampling::SampleCount), -3);
        QCOMPARE(stored(Sampling::SamplePeriod), 6);
    }

    // Started by the script, ended by the board's last packet; the points of a channel with a
    // series, none of one without.
    void measuresAndReturnsThePoints()
    {
        ScriptingOnBoard scripting;
        Input input;
        input.setOutputMask(0xF);
        scripting.m_board.configureBoard(R::SetInputConfiguration,
            input.toByteArray(scripting.m_board.m_model, scripting.m_board.m_firmwareVersion));
        *scripting.m_board.m_document.inputConfiguration() = input;
        CollectingClient voltages(&scripting.m_stream, TalvexStreamInterpreter::VoltageChannel);

        scripting.m_runner.runScript("m = Measure()\n"
                                     "m.setSampleCount(100)\n"
                                     "m.setResolution(Measure.Resol_10ms)\n"
                                     "m.start()\n"
                                     "m.waitToFinish()\n"
                                     "keys, values = m.getPlotData(Measure.ADC)\n"
                                     "print(len(keys), len(values), type(keys[0]).__name__, round(keys[1] - keys[0], 6))\n"
                                     "print(m.getPlotData(Measure.Events), m.getPlotData(9))\n");
        QVERIFY(waitFor([&] {
            ConnectedDriverBoard::bus().advance(50);
            return !scripting.m_runner.isRunning();
        }));
        QVERIFY(scripting.finish());
        QCOMPARE(scripting.m_output, QString("100 100 float 0.01\n((), ()) ((), ())\n"));
        QCOMPARE(scripting.sent(R::StartSampling), 1);
        QCOMPARE(voltages.processedPoints().size(), 100);
    }

    // The board refuses to sample: start raises, and a wait after it ends at once.
    void refusedStartRaises()
    {
        ScriptingOnBoard scripting;
        scripting.m_board.m_state.disconnectDevice();
        QVERIFY(scripting.run("m = Measure()\n"
                              "try:\n"
                              "    m.start()\n"
                              "except RuntimeError as error:\n"
                              "    print(error)\n"
                              "m.waitToFinish()\n"));
        QCOMPARE(scripting.m_output, QString("No device is open\n"));
    }
};

TALVEX_TEST(tst_TalvexPythonMeasureWrapper)
#include "tst_TalvexPythonMeasureWrapper.moc"
