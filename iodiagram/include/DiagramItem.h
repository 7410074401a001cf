#pragma once

#include <QGraphicsItemGroup>
#include <QPen>

class Diagram;
class QStackedWidget;

// The base of every item of the I/O diagram: a group of sub-items that knows its scene, which
// it asks whenever something concerns other items. The scene hands itself over when it adds
// the item. GUI thread only.
class DiagramItem : public QGraphicsItemGroup
{
public:
    void setDiagram(Diagram* diagram) { m_pDiagram = diagram; }
    bool hasFocusFrame() const { return m_pFocusRect != nullptr; }

protected:
    // The page that a block shows when it gets the focus; it is then framed in red.
    void setSettingsPage(QStackedWidget* pages, int pageIndex);
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Adds a sub-item at a position of this item's own (addToGroup alone keeps its scene position).
    void addAt(QGraphicsItem* item, const QPointF& position);
    // The pen of terminal lines and the font of labels, the same on every block.
    static QPen terminalPen();
    static QGraphicsSimpleTextItem* createText(const QString& text, double z);

    Diagram* m_pDiagram = nullptr;

private:
    QStackedWidget* m_pPages = nullptr;
    int m_pageIndex = -1;
    QGraphicsItem* m_pFocusRect = nullptr;
};
