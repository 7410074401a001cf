#include "TestRegistry.h"

#include "ScriptingOnBoard.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace
{
typedef TalvexDriverCommRequest R;

// A motor state reply (action 22) whose state code is state.
QVector<quint8> motorState(int state)
{
    return QVector<quint8>{0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, quint8(state), 0, 0};
}
}

// Scripts on the runner's thread against a simulated board: what a script sees of Python and
// of the package PythonQt, what ends a script, and how Stop ends one.
class tst_TalvexPythonRunner : public QObject
{
    Q_OBJECT

private slots:
    void importsThePackageAndQtColours()
    {
        ScriptingOnBoard scripting;
        QVERIFY(scripting.run("from PythonQt.Talvex import *\n"
                              "from PythonQt.Qt import *\n"
                              "from PythonQt.QtCore import *\n"
                              "from PythonQt.QtGui import *\n"
                              "print(Motor.Degrees, Measure.Resol_10ms, Measure.TriggerOnMotorStart)\n"
                              "print(QColor(Qt.red).name(), QColor(10, 20, 30).green(), QColor(Qt.darkBlue) == QColor(0, 0, 128))\n"
                              "print([c.__name__ for c in (Output, Motor, Measure, Graph, Trace)])\n"));
        QCOMPARE(scripting.m_output, QString("4 5 2\n#ff0000 20 True\n['Output', 'Motor', 'Measure', 'Graph', 'Trace']\n"));
    }

    // Names of one run are gone in the next; the console's main module keeps its own.
    void eachRunGetsAFreshModule()
    {
        ScriptingOnBoard scripting;
        QVERIFY(scripting.run("secret = 42\nprint(__name__)"));
        QVERIFY(scripting.run("print('secret' in globals())"));
        QCOMPARE(scripting.m_output, QString("__main__\nFalse\n"));
    }

    void consoleKeepsItsNamesAndAsksForMore()
    {
        ScriptingOnBoard scripting;
        QSignalSpy finished(&scripting.m_runner, &TalvexPythonRunner::finished);
        const QStringList entries{"answer = 6 * 7", "answer", "def twice(x):", "def twice(x):\n    return 2 * x\n",
            "twice(answer)", "1 +"};
        for (const QString& entry : entries)
        {
            scripting.m_runner.runConsoleInput(entry);
            QVERIFY(scripting.finish());
        }
        QCOMPARE(finished.count(), entries.size());
        QList<bool> more;
        for (const QList<QVariant>& arguments : finished)
            more << arguments.at(0).toBool();
        QCOMPARE(more, (QList<bool>{false, false, true, false, false, false}));
        QVERIFY(scripting.m_output.startsWith("42\n84\n"));
        QVERIFY(scripting.m_output.contains("SyntaxError"));
        QVERIFY(scripting.run("print('answer' in globals())"));
        QVERIFY(scripting.m_output.endsWith("False\n"));
    }

    void errorShowsItsTraceback()
    {
        ScriptingOnBoard scripting;
        QVERIFY(scripting.run("x = 1\ny = x / 0\nprint('after')\n"));
        QVERIFY(scripting.m_output.contains("Traceback (most recent call last)"));
        QVERIFY(scripting.m_output.contains("line 2"));
        QVERIFY(scripting.m_output.contains("ZeroDivisionError: division by zero"));
        QVERIFY(!scripting.m_output.contains("after"));
        QVERIFY(scripting.run("def broken(:\n"));
        QVERIFY(scripting.m_output.contains("SyntaxError"));
    }

    // SystemExit, also from sys.exit, ends the script only; input() finds no line.
    void exitAndInputEndQuietly()
    {
        ScriptingOnBoard scripting;
        QVERIFY(scripting.run("print('before')\nraise SystemExit(3)\nprint('after')\n"));
        QVERIFY(scripting.run("import sys\nsys.exit('bye')\n"));
        QVERIFY(scripting.run("try:\n    input('name? ')\nexcept EOFError:\n    print('no input')\n"));
        QCOMPARE(scripting.m_output, QString("before\nname? no input\n"));
    }

    // Stop ends a script inside each of the three waits and one that never waits.
    void stopEndsTheScript_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("Output.wait") << "Output().wait(-1)";
        QTest::newRow("Motor.waitToFinish") << "m = Motor()\nm.waitToFinish()";
        QTest::newRow("Measure.waitToFinish") << "m = Measure()\nm.start()\nm.waitToFinish()";
        QTest::newRow("no wait") << "while True:\n    pass";
    }

    void stopEndsTheScript()
    {
        QFETCH(QString, script);
        ScriptingOnBoard scripting;
        // The motor keeps moving and the board never starts sampling.
        scripting.m_board.m_pRecorder->answer(R::commandCode(scripting.m_board.m_model, R::GetMotorState), motorState(9));
        scripting.m_board.m_pRecorder->refuse(R::commandCode(scripting.m_board.m_model, R::StartSampling), 0);
        scripting.m_runner.runScript("print('started')\n" + script + "\nprint('ended')\n");
        QVERIFY(scripting.printed("started"));
        QTest::qWait(50);
        QVERIFY(scripting.m_runner.isRunning());
        TalvexPythonRunner::requestScriptAbort();
        QVERIFY(scripting.finish());
        QVERIFY2(scripting.m_output.contains("UserAborted: User aborted"), qPrintable(scripting.m_output));
        QVERIFY(!scripting.m_output.contains("ended"));
        // The next run starts without the stop.
        QVERIFY(scripting.run("Output().wait(1)\nprint('next')"));
        QVERIFY(scripting.m_output.endsWith("next\n"));
    }

    // A script that catches "User aborted" goes on; a later wait raises it again, a wait whose
    // end has come returns.
    void stopHoldsForTheRestOfTheRun()
    {
        ScriptingOnBoard scripting;
        // The stop lands inside the try, whether in the wait or, through the interruption, just
        // before it: the script goes on the same either way.
        scripting.m_runner.runScript("o = Output()\n"
                                     "try:\n"
                                     "    print('started')\n"
                                     "    o.wait(-1)\n"
                                     "except RuntimeError as error:\n"
                                     "    print('caught', error)\n"
                                     "Measure().waitToFinish()\n"
                                     "print('returned')\n"
                                     "o.wait(10)\n"
                                     "print('ended')\n");
        QVERIFY(scripting.printed("started"));
        TalvexPythonRunner::requestScriptAbort();
        QVERIFY(scripting.finish());
        QVERIFY2(scripting.m_output.contains("caught User aborted\nreturned\nTraceback"),
            qPrintable(scripting.m_output));
        QVERIFY(!scripting.m_output.contains("ended"));
    }

    // Destroying the runner (its tab goes) stops the waiting script and returns after its end.
    void destroyedRunnerStopsItsScript()
    {
        ScriptingOnBoard scripting;
        auto runner = std::make_unique<TalvexPythonRunner>();
        runner->runScript("print('started')\nOutput().wait(-1)\n");
        QVERIFY(scripting.printed("started"));
        runner.reset();
        QVERIFY(scripting.printed("User aborted"));
    }

    // The script that the README offers runs on the board.
    void exampleScriptRuns()
    {
        ScriptingOnBoard scripting;
        QFile file(TALVEX_EXAMPLES_DIR "/move_and_plot.py");
        QVERIFY(file.open(QIODevice::ReadOnly));
        scripting.m_runner.runScript(QString::fromUtf8(file.readAll()));
        // The motor state poll of the Motion tab, with the board's clock running.
        QVERIFY(waitFor([&] {
            ConnectedDriverBoard::bus().advance(50);
            scripting.m_board.m_pDispatcher->sendRequest(scripting.m_board.request(R::GetMotorState), &scripting.m_receiver, QString());
            return !scripting.m_runner.isRunning();
        }, 20000));
        QCoreApplication::processEvents();
        QVERIFY2(!scripting.m_output.contains("Traceback"), qPrintable(scripting.m_output));
        QVERIFY2(scripting.m_output.contains("Done: Off"), qPrintable(scripting.m_output));
        QVERIFY(scripting.sent(R::Move) >= 2);
        QVERIFY(scripting.m_failures.m_results.isEmpty());
    }
};

TALVEX_TEST(tst_TalvexPythonRunner)
#include "tst_TalvexPythonRunner.moc"
