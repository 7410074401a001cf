#include "TalvexPythonConsole.h"

#include "TalvexPythonOutput.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace
{
const char* const s_prompt = ">>>";
const char* const s_morePrompt = "...";
const int s_maximumLines = 10000;
}

TalvexPythonConsole::TalvexPythonConsole(QWidget* parent)
    : QWidget(parent)
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_pOutput = new QPlainTextEdit(this);
    m_pOutput->setReadOnly(true);
    m_pOutput->setFont(fixed);
    m_pOutput->setMaximumBlockCount(s_maximumLines);
    m_pPrompt = new QLabel(QString::fromLatin1(s_prompt), this);
    m_pPrompt->setFont(fixed);
    m_pInput = new QLineEdit(this);
    m_pInput->setFont(fixed);
    m_pInput->setToolTip(QStringLiteral("Python statement"));

    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(m_pPrompt);
    inputRow->addWidget(m_pInput, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pOutput, 1);
    layout->addLayout(inputRow);

    connect(TalvexPythonOutput::instance(), &TalvexPythonOutput::textWritten, this,
        &TalvexPythonConsole::onTextWritten);
    connect(m_pInput, &QLineEdit::returnPressed, this, &TalvexPythonConsole::onReturnPressed);
}

QString TalvexPythonConsole::text() const
{
    return m_pOutput->toPlainText();
}

void TalvexPythonConsole::inputDone(bool more)
{
    if (!more)
        m_lines.clear();
    m_pPrompt->setText(QString::fromLatin1(more ? s_morePrompt : s_prompt));
    m_pInput->setFocus();
}

void TalvexPythonConsole::onTextWritten(const QString& text, bool error)
{
    QTextCharFormat format;
    if (error)
        format.setForeground(QColor(Qt::darkRed));
    append(text, format);
}

void TalvexPythonConsole::onReturnPressed()
{
    const QString line = m_pInput->text();
    m_pInput->clear();
    append(m_pPrompt->text() + ' ' + line + '\n', QTextCharFormat());
    m_lines.append(line);
    emit inputEntered(m_lines.join('\n'));
}

void TalvexPythonConsole::append(const QString& text, const QTextCharFormat& format)
{
    QTextCursor cursor(m_pOutput->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text, format);
    m_pOutput->verticalScrollBar()->setValue(m_pOutput->verticalScrollBar()->maximum());
}
