#pragma once

#include "TalvexScriptFileFormat.h"

#include <QPlainTextEdit>
#include <QString>

class QPaintEvent;
class QResizeEvent;
class TalvexPythonEditorLineNumberArea;

// One script of the Scripting tab: a plain-text editor with a line-number gutter, the current
// line highlighted, Python colouring, and the file the script was opened from or saved to with
// that file's form (its line breaks and byte-order mark).
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
    const TalvexScriptFileFormat& fileFormat() const { return m_fileFormat; }
    void setFileFormat(const TalvexScriptFileFormat& format) { m_fileFormat = format; }
    // The script as it is saved and run: each line break a "\n", every other character as it was
    // typed or read (toPlainText would turn a no-break space into a space).
    QString scriptText() const;

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
    TalvexScriptFileFormat m_fileFormat;
};
