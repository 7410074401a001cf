#pragma once

#include <QWidget>

class TalvexPythonEditor;

// The line-number gutter of a script editor; the editor sizes and paints it.
class TalvexPythonEditorLineNumberArea : public QWidget
{
    Q_OBJECT

public:
    explicit TalvexPythonEditorLineNumberArea(TalvexPythonEditor* editor);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TalvexPythonEditor* m_pEditor;
};
