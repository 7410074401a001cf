#include "TalvexPythonHighlighter.h"

#include <QRegExp>

namespace
{
const char* const s_keywords[] = {"def", "class", "from", "import", "for", "in", "while", "if", "elif", "else", "pass",
    "global", "return", "continue"};
const char* const s_constants[] = {"True", "False", "None"};
const char* const s_stringColour = "#483d8b";

QTextCharFormat coloured(const QColor& colour)
{
    QTextCharFormat result;
    result.setForeground(colour);
    return result;
}

QTextCharFormat bold(const QColor& colour)
{
    QTextCharFormat result = coloured(colour);
    result.setFontWeight(QFont::Bold);
    return result;
}
}

TalvexPythonHighlighter::TalvexPythonHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document)
{
    for (const char* keyword : s_keywords)
        m_rules.append({QStringLiteral("\\b%1\\b").arg(QLatin1String(keyword)), 0, bold(Qt::darkBlue)});
    for (const char* constant : s_constants)
        m_rules.append({QStringLiteral("\\b%1\\b").arg(QLatin1String(constant)), 0, bold(Qt::darkRed)});
    m_rules.append({QStringLiteral("([0-9]+)"), 0, coloured(Qt::darkYellow)});
    QTextCharFormat comment = coloured(Qt::darkGreen);
    comment.setFontItalic(true);
    m_rules.append({QStringLiteral("#[^\\n]*"), 0, comment});
    QTextCharFormat name;
    name.setFontUnderline(true);
    m_rules.append({QStringLiteral("\\bdef\\b\\s*(\\w+)"), 1, name});
    m_rules.append({QStringLiteral("\\bclass\\b\\s*(\\w+)"), 1, name});
    m_rules.append({QStringLiteral("\"(.*)\""), 0, coloured(QColor(s_stringColour))});
    m_rules.append({QStringLiteral("'(.*)'"), 0, coloured(QColor(s_stringColour))});
}

void TalvexPythonHighlighter::highlightBlock(const QString& text)
{
    for (const Rule& rule : qAsConst(m_rules))
    {
        QRegExp expression(rule.pattern, Qt::CaseSensitive);
        int index = expression.indexIn(text);
        while (index >= 0)
        {
            const int start = expression.pos(rule.nth);
            const int length = expression.cap(rule.nth).length();
            setFormat(start, length, rule.format);
            // A match of length 0 would find itself again.
            index = expression.indexIn(text, start + qMax(1, expression.matchedLength()));
        }
    }
}
