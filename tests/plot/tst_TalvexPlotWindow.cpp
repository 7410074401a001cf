#include "TestRegistry.h"

#include "ModalAnswers.h"
#include "Plot.h"
#include "PlotSeries.h"
#include "TalvexPlotWindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace
{
// The user types the whole path into the dialog's name field.
void typeFileName(QFileDialog* dialog, const QString& path)
{
    QLineEdit* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(edit);
    edit->setText(path);
}

QPushButton* buttonWithTip(TalvexPlotWindow& window, const QString& tip)
{
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->toolTip() == tip)
            return button;
    return nullptr;
}

QVector<PlotPoint> ramp(int count, double slope)
{
    QVector<PlotPoint> points;
    for (int i = 0; i < count; ++i)
        points.append(PlotPoint(i * 0.5, i * slope));
    return points;
}
}

class tst_TalvexPlotWindow : public QObject
{
    Q_OBJECT

private slots:
    void tracesAreRedWithArbitraryUnits()
    {
        TalvexPlotWindow window;
        const int first = window.addTrace("position");
        const int second = window.addTrace("speed");
        QCustomPlot* chart = window.plot()->customPlot();
        QCOMPARE(chart->graphCount(), 2);
        for (int i = 0; i < 2; ++i)
        {
            QCOMPARE(chart->graph(i)->pen().color(), QColor(Qt::red));
            QVERIFY(chart->graph(i)->scatterStyle().isNone());
            QCOMPARE(chart->graph(i)->valueAxis(), chart->yAxis);
        }
        QCOMPARE(chart->graph(0)->name(), QString("position"));
        QCOMPARE(window.plot()->series(first)->unit(), QString("a.u."));
        QCOMPARE(chart->yAxis->label(), QString("a.u."));
        QCOMPARE(window.plot()->keyAxisLabel(), QString("Time [s]"));

        window.setTraceColor(second, Qt::green);
        window.setTraceName(second, "velocity");
        QCOMPARE(chart->graph(1)->pen().color(), QColor(Qt::green));
        QCOMPARE(chart->graph(1)->name(), QString("velocity"));
        window.setXLabel("Angle");
        window.setYLabel("Counts");
        QCOMPARE(chart->xAxis->label(), QString("Angle"));
        QCOMPARE(chart->yAxis->label(), QString("Counts"));
        window.removeTrace(first);
        QCOMPARE(chart->graphCount(), 1);
    }

    void traceDataReplacesAndFits()
    {
        TalvexPlotWindow window;
        const int id = window.addTrace("t");
        window.setTraceData(id, ramp(10, 1.0));
        window.setTraceData(id, ramp(5, 2.0));
        QCustomPlot* chart = window.plot()->customPlot();
        QCOMPARE(chart->graph(0)->data()->size(), 5);
        QCOMPARE(chart->yAxis->range().upper, 8.4);
        QCOMPARE(chart->xAxis->range().upper, 2.0);
        QCOMPARE(window.plot()->series(id)->rawPoints(), ramp(5, 2.0));
    }

    void refreshKeyFitsAgainAfterZoom()
    {
        TalvexPlotWindow window;
        window.resize(800, 400);
        window.show();
        const int id = window.addTrace("t");
        window.setTraceData(id, ramp(5, 2.0));
        QCustomPlot* chart = window.plot()->customPlot();
        chart->replot(QCustomPlot::rpImmediateRefresh);
        const QCPRange fitted = chart->yAxis->range();

        const QRect rect = chart->axisRect()->rect();
        const QPointF onAxis(rect.left() - 4, rect.center().y());
        QWheelEvent wheel(onAxis, QPointF(chart->mapToGlobal(onAxis.toPoint())), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &wheel);
        QVERIFY(chart->yAxis->range() != fitted);

        QTest::keyClick(&window, Qt::Key_A);
        QVERIFY(chart->yAxis->range() != fitted);
        QTest::keyClick(&window, Qt::Key_F5);
        QCOMPARE(chart->yAxis->range(), fitted);
    }

    void exportButtons_data()
    {
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");

        QTest::newRow("CSV without extension") << "Save graph in CSV format." << "graph" << "graph.csv";
        QTest::newRow("CSV as dat in capitals") << "Save graph in CSV format." << "graph.DAT" << "graph.DAT";
        QTest::newRow("CSV with its extension") << "Save graph in CSV format." << "graph.csv" << "graph.csv";
        QTest::newRow("PNG without extension") << "Save graph to *.png file." << "graph" << "graph.png";
        QTest::newRow("PNG with its extension") << "Save graph to *.png file." << "graph.PNG" << "graph.PNG";
    }

    void exportButtons()
    {
        QFETCH(QString, tip);
        QFETCH(QString, typed);
        QFETCH(QString, written);

        QTemporaryDir dir;
        TalvexPlotWindow window;
        window.resize(600, 300);
        const int id = window.addTrace("A");
        window.setTraceData(id, {{0.0, 1.5}, {0.5, 2.0}});
        QPushButton* button = buttonWithTip(window, tip);
        QVERIFY(button);
        QCOMPARE(button->iconSize(), QSize(32, 32));
        QVERIFY(!button->icon().isNull());

        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(dir.filePath(typed), ModalAnswers::TypeAcceptOrCancel));
        QTest::mousePress(button, Qt::LeftButton);
        QTest::mouseRelease(button, Qt::LeftButton);
        const QString path = dir.filePath(written);
        QVERIFY2(QFile::exists(path), qPrintable(QDir(dir.path()).entryList().join(' ')));
        if (tip.contains("CSV"))
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("Index, A:Time [s],A:a.u.\n0, 0, 1.5\n1, 0.5, 2\n"));
        }
        else
        {
            QImage image;
            QVERIFY(image.load(path, "PNG"));
            QVERIFY(image.width() > 100 && image.height() > 50);
        }
    }

    void failedExportShowsAnError_data()
    {
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("message");

        QTest::newRow("CSV") << "Save graph in CSV format." << "Unable to save CSV file to %1";
        QTest::newRow("PNG") << "Save graph to *.png file." << "Unable to save PNG file to %1";
    }

    void failedExportShowsAnError()
    {
        QFETCH(QString, tip);
        QFETCH(QString, message);

        QTemporaryDir dir;
        TalvexPlotWindow window;
        window.setTraceData(window.addTrace("A"), {{0.0, 1.0}});
        // A name the dialog accepts whose folder is gone by the time of writing.
        QVERIFY(QDir(dir.path()).mkdir("gone"));
        const QString typed = dir.filePath("gone/graph");
        const QString written = typed + (tip.contains("CSV") ? ".csv" : ".png");

        ModalAnswers answers;
        answers.add([&](QWidget* widget) {
            QFileDialog* dialog = qobject_cast<QFileDialog*>(widget);
            QVERIFY(dialog);
            typeFileName(dialog, typed);
            QVERIFY(QDir(dir.filePath("gone")).removeRecursively());
            static_cast<QDialog*>(dialog)->accept();
            if (dialog->isVisible())
                dialog->reject();
        });
        QTest::mousePress(buttonWithTip(window, tip), Qt::LeftButton);
        QCOMPARE(answers.m_boxes, QStringList{"Save error: " + message.arg(written)});
        QVERIFY(!QFile::exists(written));
    }

    void cancelledDialogWritesNothing()
    {
        QTemporaryDir dir;
        TalvexPlotWindow window;
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(QString()));
        QTest::mousePress(buttonWithTip(window, "Save graph in CSV format."), Qt::LeftButton);
        QTest::qWait(100);
        // Another dialog would be noted as unanswered.
        QCOMPARE(answers.m_windows.count(), 1);
        QVERIFY(answers.m_boxes.isEmpty());
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }
};

TALVEX_TEST(tst_TalvexPlotWindow)
#include "tst_TalvexPlotWindow.moc"
