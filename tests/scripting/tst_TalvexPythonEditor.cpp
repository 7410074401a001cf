#include "TestRegistry.h"

#include "TalvexPythonEditor.h"

#include <QSignalSpy>
#include <QTest>

// The script editor: the gutter that grows with the line count, the save key and the
// current-line highlight.
class tst_TalvexPythonEditor : public QObject
{
    Q_OBJECT

private slots:
    void gutterGrowsWithTheDigits_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("digits");
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("9") << 9 << 1;
        QTest::newRow("10") << 10 << 2;
        QTest::newRow("99") << 99 << 2;
        QTest::newRow("100") << 100 << 3;
    }

    void gutterGrowsWithTheDigits()
    {
        QFETCH(int, lines);
        QFETCH(int, digits);
        TalvexPythonEditor editor;
        editor.setPlainText(QString("x = 1\n").repeated(lines - 1) + "x = 1");
        QCOMPARE(editor.blockCount(), lines);
        QCOMPARE(editor.lineNumberAreaWidth(), 10 + digits * editor.fontMetrics().horizontalAdvance('9'));
        QCOMPARE(editor.viewport()->geometry().left() - editor.contentsRect().left(), editor.lineNumberAreaWidth());
    }

    void saveKeyAsksToSave()
    {
        TalvexPythonEditor editor;
        editor.setPlainText("print(1)");
        QSignalSpy saves(&editor, &TalvexPythonEditor::saveRequest);
        QTest::keySequence(&editor, QKeySequence::Save);
        QCOMPARE(saves.count(), 1);
        QCOMPARE(saves.at(0).at(0).value<TalvexPythonEditor*>(), &editor);
        QCOMPARE(editor.toPlainText(), QString("print(1)"));
    }

    void highlightsTheCurrentLineUnlessReadOnly()
    {
        TalvexPythonEditor editor;
        editor.setPlainText("a\nb");
        QCOMPARE(editor.extraSelections().size(), 1);
        QCOMPARE(editor.extraSelections().at(0).format.background().color(), QColor(Qt::yellow).lighter(160));
        editor.setReadOnly(true);
        editor.moveCursor(QTextCursor::End);
        QVERIFY(editor.extraSelections().isEmpty());
    }
};

TALVEX_TEST(tst_TalvexPythonEditor)
#include "tst_TalvexPythonEditor.moc"
