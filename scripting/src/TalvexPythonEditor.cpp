#include "TalvexPythonEditor.h"

#include "TalvexPythonEditorLineNumberArea.h"
#include "TalvexPythonHighlighter.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>

namespace
{
const int s_gutterPadding = 10;
const int s_numberMargin = 4;
const int s_tabStopPixels = 10;
const int s_currentLineLighter = 160;
}

TalvexPythonEditor::TalvexPythonEditor(QWidget* parent)
    : QPlainTextEdit(parent)
{
    new TalvexPythonHighlighter(document());
    setReadOnly(false);
    setTabStopDistance(s_tabStopPixels);
    m_pLineNumberArea = new TalvexPythonEditorLineNumberArea(this);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &TalvexPythonEditor::updateLineNumberAreaWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, &TalvexPythonEditor::updateLineNumberArea);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TalvexPythonEditor::highlightCurrentLine);
    setViewportMargins(lineNumberAreaWidth(), 0, 0, 0);
    highlightCurrentLine();
}

int TalvexPythonEditor::lineNumberAreaWidth() const
{
    int digits = 1;
    for (int max = qMax(1, blockCount()); max >= 10; max /= 10)
        ++digits;
    return s_gutterPadding + digits * fontMetrics().horizontalAdvance(QLatin1Char('9'));
}

void TalvexPythonEditor::lineNumberAreaPaintEvent(QPaintEvent* event)
{
    QPainter painter(m_pLineNumberArea);
    painter.fillRect(event->rect(), Qt::lightGray);
    painter.setPen(Qt::black);

    QTextBlock block = firstVisibleBlock();
    int number = block.blockNumber();
    int top = int(blockBoundingGeometry(block).translated(contentOffset()).top());
    int bottom = top + int(blockBoundingRect(block).height());
    while (block.isValid() && top <= event->rect().bottom())
    {
        if (block.isVisible() && bottom >= event->rect().top())
            painter.drawText(0, top, m_pLineNumberArea->width() - s_numberMargin, fontMetrics().height(),
                Qt::AlignRight, QString::number(number + 1));
        block = block.next();
        top = bottom;
        bottom = top + int(blockBoundingRect(block).height());
        ++number;
    }
}

QString TalvexPythonEditor::scriptText() const
{
    // Blocks are joined by paragraph separators; Shift+Enter breaks a line within a block.
    QString text = document()->toRawText();
    for (QChar& character : text)
        if (character == QChar::ParagraphSeparator || character == QChar::LineSeparator)
            character = '\n';
    return text;
}

void TalvexPythonEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Save))
    {
        emit saveRequest(this);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TalvexPythonEditor::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect contents = contentsRect();
    m_pLineNumberArea->setGeometry(QRect(contents.left(), contents.top(), lineNumberAreaWidth(), contents.height()));
}

void TalvexPythonEditor::updateLineNumberAreaWidth(int)
{
    setViewportMargins(lineNumberAreaWidth(), 0, 0, 0);
}

void TalvexPythonEditor::highlightCurrentLine()
{
    QList<QTextEdit::ExtraSelection> selections;
    if (!isReadOnly())
    {
        QTextEdit::ExtraSelection selection;
        selection.format.setBackground(QColor(Qt::yellow).lighter(s_currentLineLighter));
        selection.format.setProperty(QTextFormat::FullWidthSelection, true);
        selection.cursor = textCursor();
        selection.cursor.clearSelection();
        selections.append(selection);
    }
    setExtraSelections(selections);
}

void TalvexPythonEditor::updateLineNumberArea(const QRect& rect, int dy)
{
    if (dy != 0)
        m_pLineNumberArea->scroll(0, dy);
    else
        m_pLineNumberArea->update(0, rect.y(), m_pLineNumberArea->width(), rect.height());
    if (rect.contains(viewport()->rect()))
        updateLineNumberAreaWidth(0);
}
