#include "TestRegistry.h"

#include "TalvexPythonHighlighter.h"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace
{
// The format the highlighter gave the character at position of a one-line document.
QTextCharFormat formatAt(const QString& line, int position)
{
    QTextDocument document;
    auto* highlighter = new TalvexPythonHighlighter(&document);
    document.setPlainText(line);
    // The first highlighting is queued otherwise.
    highlighter->rehighlight();
    for (const QTextLayout::FormatRange& range : document.firstBlock().layout()->formats())
        if (position >= range.start && position < range.start + range.length)
            return range.format;
    return QTextCharFormat();
}

// What a test looks at of a format: colour, bold, italic, underline.
QString describe(const QTextCharFormat& format)
{
    QStringList parts;
    parts << (format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color().name() : "none");
    if (format.fontWeight() == QFont::Bold)
        parts << "bold";
    if (format.fontItalic())
        parts << "italic";
    if (format.fontUnderline())
        parts << "underlined";
    return parts.join(' ');
}
}

// The Python colouring of one line, rule over rule.
class tst_TalvexPythonHighlighter : public QObject
{
    Q_OBJECT

private slots:
    void colours_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("format");
        const QString darkBlue = QColor(Qt::darkBlue).name();
        const QString string = "#483d8b";
        QTest::newRow("keyword def") << "def foo(x):" << 0 << darkBlue + " bold";
        QTest::newRow("name after def") << "def foo(x):" << 4 << "none underlined";
        QTest::newRow("name after class") << "class Foo:" << 7 << "none underlined";
        QTest::newRow("keyword inside a word") << "undefined = 1" << 2 << "none";
        QTest::newRow("constant") << "return None" << 8 << QColor(Qt::darkRed).name() + " bold";
        QTest::newRow("digit in a name") << "x2 = 10" << 1 << QColor(Qt::darkYellow).name();
        QTest::newRow("comment") << "x = 1  # note" << 9 << QColor(Qt::darkGreen).name() + " italic";
        QTest::newRow("string over comment") << "s = 'a # b'" << 7 << string;
        QTest::newRow("greedy strings") << "a = \"x\" + y + \"z\"" << 10 << string;
        QTest::newRow("second def too close") << "def a;def b" << 10 << "none";
        QTest::newRow("plain text") << "value = other" << 3 << "none";
    }

    void colours()
    {
        QFETCH(QString, line);
        QFETCH(int, position);
        QFETCH(QString, format);
        QCOMPARE(describe(formatAt(line, position)), format);
    }
};

TALVEX_TEST(tst_TalvexPythonHighlighter)
#include "tst_TalvexPythonHighlighter.moc"
