#pragma once

#include <QString>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QVector>

// Python colouring of a script editor, line by line: keywords, constants, numbers, comments,
// the names that def and class introduce, and strings. A later rule paints over an earlier one;
// nothing carries from one line to the next.
class TalvexPythonHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit TalvexPythonHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;

private:
    struct Rule
    {
        QString pattern;
        // The capture group that is coloured; 0 is the whole match.
        int nth;
        QTextCharFormat format;
    };

    QVector<Rule> m_rules;
};
