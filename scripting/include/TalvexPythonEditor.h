#pragma once

#include <QPlainTextEdit>
#include <QString>

class QPaintEvent;
class QResizeEvent;
class TalvexPythonEditorLineNumberArea;

// One script of the Scripting tab: a plain-text editor with a line-number gutter, the current
// line highlighted, Python colouring, and the file the script was opened from or saved to.
// The platform's Save key asks the tab to save it (saveRequest). GUI thread only.
class TalvexPythonEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TalvexPythonEditor(QWidget* parent = nullptr);

    // Pixels: 10 plus one digit width per digit of the line count.
    int lineNumberAreaWidth() const;
    // Called by the gutter's paintEvent.
    void lineNumberAreaPaintEvent(QPaintEvent* event);

    QString fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

signals:
    void saveRequest(TalvexPythonEditor* editor);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void updateLineNumberAreaWidth(int newBlockCount);
    void highlightCurrentLine();
    void updateLineNumberArea(const QRect& rect, int dy);

private:
    TalvexPythonEditorLineNumberArea* m_pLineNumberArea;
    QString m_fileName;
};
