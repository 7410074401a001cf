#include "TestRegistry.h"

#include "Plot.h"
#include "ScriptingOnBoard.h"
#include "TalvexPlotWindow.h"

#include <QApplication>
#include <QMainWindow>
#include <QTest>
#include <qcustomplot.h>

namespace
{
QMainWindow* graphWindow(const QString& title)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowTitle() == title && qobject_cast<QMainWindow*>(widget))
            return static_cast<QMainWindow*>(widget);
    return nullptr;
}

// As the user closes it: the window deletes itself.
void closeByHand(QMainWindow* window)
{
    const QString title = window->windowTitle();
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!graphWindow(title));
}

QCPGraph* firstGraph(QMainWindow* window)
{
    return window->findChild<TalvexPlotWindow*>()->plot()->customPlot()->graph(0);
}
}

// Graph and Trace: the script's own plot windows, which go with their Graph and ignore calls
// once the user has closed them.
class tst_TalvexPythonGraphWrapper : public QObject
{
    Q_OBJECT

private slots:
    void plotsTheScriptsData()
    {
        ScriptingOnBoard scripting;
        QVERIFY(scripting.run("g = Graph('Trial')\n"
                              "g.setXLabel('Time [s]')\n"
                              "g.setYLabel('Height [m]')\n"
                              "t = Trace(g, 'first')\n"
                              "t.setData([0, 1, 2, 3, 4], [5.0, 6.5, 7.0])\n"
                              "t.setColor(Qt.darkGreen)\n"
                              "t.setLabel('sine')\n"
                              "Trace(None, 'nowhere').setData([1], [2])\n"));
        QVERIFY2(scripting.m_output.isEmpty(), qPrintable(scripting.m_output));
        // Kept by the script's module, the window stays after its end.
        QMainWindow* window = graphWindow("Trial");
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->size(), QSize(400, 400));
        QCPGraph* graph = firstGraph(window);
        QCOMPARE(graph->data()->size(), 3);
        QCOMPARE(graph->data()->at(2)->value, 7.0);
        QCOMPARE(graph->name(), QString("sine"));
        QCOMPARE(graph->pen().color(), QColor(Qt::darkGreen));
        QCustomPlot* plot = window->findChild<TalvexPlotWindow*>()->plot()->customPlot();
        QCOMPARE(plot->xAxis->label(), QString("Time [s]"));
        QVERIFY(plot->yAxis->label().startsWith("Height [m]"));
        closeByHand(window);
    }

    // Through the console, whose names live on: the window is closed between the calls.
    void closedWindowIgnoresCalls()
    {
        ScriptingOnBoard scripting;
        scripting.m_runner.runConsoleInput("g = Graph('Closing'); t = Trace(g, 'a'); t.setData([1, 2], [3, 4])");
        QVERIFY(scripting.finish());
        QVERIFY(graphWindow("Closing"));
        closeByHand(graphWindow("Closing"));
        scripting.m_runner.runConsoleInput("g.setXLabel('x'); g.setYLabel('y'); t.setData([1], [2]); "
                                           "t.setColor(QColor(1, 2, 3)); t.setLabel('b'); Trace(g, 'late').setData([1], [1]); "
                                           "del g, t; print('ignored')");
        QVERIFY(scripting.finish());
        QCOMPARE(scripting.m_output, QString("ignored\n"));
    }

    // A Graph local to a function closes its window when the function returns; a second
    // setData replaces the points of the first.
    void localGraphClosesItsWindow()
    {
        ScriptingOnBoard scripting;
        QVERIFY(scripting.run("def show():\n"
                              "    g = Graph('Local')\n"
                              "    t = Trace(g, 'a')\n"
                              "    t.setData([1, 2, 3], [1, 2, 3])\n"
                              "    t.setData([1, 2], [1, 2])\n"
                              "    print(len([w for w in range(1)]))\n"
                              "show()\n"
                              "print('returned')\n"));
        QCOMPARE(scripting.m_output, QString("1\nreturned\n"));
        QVERIFY(waitFor([] { return !graphWindow("Local"); }));
    }
};

TALVEX_TEST(tst_TalvexPythonGraphWrapper)
#include "tst_TalvexPythonGraphWrapper.moc"
