#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTextCharFormat;

// The Python console of the Scripting tab: shows what scripts print and their tracebacks, and
// takes Python statements line by line, as the interactive interpreter does (">>>", and "..."
// while a statement is unfinished). It does not run them itself: inputEntered hands the
// statement so far to the tab's runner, and inputDone tells the console how it went. GUI thread.
class TalvexPythonConsole : public QWidget
{
    Q_OBJECT

public:
    explicit TalvexPythonConsole(QWidget* parent = nullptr);

    QString text() const;

public slots:
    // After the runner has run an entry: more is true when the statement is unfinished.
    void inputDone(bool more);

signals:
    void inputEntered(const QString& source);

private slots:
    void onTextWritten(const QString& text, bool error);
    void onReturnPressed();

private:
    void append(const QString& text, const QTextCharFormat& format);

    QPlainTextEdit* m_pOutput;
    QLabel* m_pPrompt;
    QLineEdit* m_pInput;
    // The lines of the unfinished statement.
    QStringList m_lines;
};
