#include "TalvexPythonEditorLineNumberArea.h"

#include "TalvexPythonEditor.h"

TalvexPythonEditorLineNumberArea::TalvexPythonEditorLineNumberArea(TalvexPythonEditor* editor)
    : QWidget(editor)
    , m_pEditor(editor)
{
}

QSize TalvexPythonEditorLineNumberArea::sizeHint() const
{
    return QSize(m_pEditor->lineNumberAreaWidth(), 0);
}

void TalvexPythonEditorLineNumberArea::paintEvent(QPaintEvent* event)
{
    m_pEditor->lineNumberAreaPaintEvent(event);
}
