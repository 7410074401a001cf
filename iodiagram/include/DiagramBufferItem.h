#pragma once

#include "DiagramDraggableItem.h"

#include <QColor>
#include <QSet>

// A sample buffer of the board that the user drags onto the output terminal of an acquisition
// block; its anchor is the middle of its left edge. A press takes its connection away, a
// release asks the scene to connect it. A fixed buffer is put back onto its sample when a drop
// connects nothing.
class DiagramBufferItem : public DiagramDraggableItem
{
public:
    DiagramBufferItem(int number, const QString& path, const QColor& color);

    int number() const { return m_number; }
    // Empty: any sample.
    QSet<int> getAllowableSamples() const { return m_allowableSamples; }
    void setAllowableSamples(const QSet<int>& samples) { m_allowableSamples = samples; }
    void setFixed(bool fixed) { m_fixed = fixed; }
    bool isFixed() const { return m_fixed; }
    QColor color() const { return m_color; }

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    int m_number;
    QSet<int> m_allowableSamples;
    bool m_fixed = false;
    QColor m_color;
};
