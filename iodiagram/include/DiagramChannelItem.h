#pragma once

#include "DiagramDraggableItem.h"

#include <QColor>
#include <QSet>

// A board input (or an extra input such as an encoder pin) that the user drags onto an input
// terminal of an acquisition block. A press takes its connection away, a release asks the scene
// to connect it where its anchor (the middle of its right edge) lies. A fixed channel with one
// allowable function is placed by the scene and cannot be dragged.
class DiagramChannelItem : public DiagramDraggableItem
{
public:
    DiagramChannelItem(int number, const QString& label, const QColor& color);

    int number() const { return m_number; }
    // Empty: any function.
    QSet<int> getAllowableFunctions() const { return m_allowableFunctions; }
    void setAllowableFunctions(const QSet<int>& functions);
    void setFixed(bool fixed);
    bool isFixed() const { return m_fixed; }
    QColor color() const { return m_color; }

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    void updateMovable();

    int m_number;
    QSet<int> m_allowableFunctions;
    bool m_fixed = false;
    QColor m_color;
};
