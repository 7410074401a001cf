#pragma once

#include "DiagramItem.h"

#include <QPointF>
#include <QVariantAnimation>

// An item the user drags onto a terminal: it has a home in its column, an anchor (the point of
// its own that is put on a terminal) and glides home or onto a terminal in 700 ms. Moves made
// by the program (home, snapping) draw no drop hint: the scene does not hear of them. The glide
// is a Qt animation, timed by the application's animation driver (which a test may replace).
class DiagramDraggableItem : public DiagramItem
{
public:
    DiagramDraggableItem();

    // Moves the item there and remembers it as its home.
    void setHomePosition(const QPointF& position);
    QPointF homePosition() const { return m_homePosition; }
    void returnHome();
    // Moves the item so that its anchor lies on the scene point.
    void snapTo(const QPointF& point);
    void animateHome();
    // Jumps when the target is closer than 10 units (Manhattan length), else glides there.
    void animateTo(const QPointF& point);
    bool isAnimating() const;

    void setMovable(bool movable);
    bool isMovable() const { return m_movable; }
    QPointF anchor() const { return m_anchor; }
    void setAnchor(const QPointF& anchor) { m_anchor = anchor; }

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;

private:
    void moveQuietly(const QPointF& position);
    void glideTo(const QPointF& target);

    QVariantAnimation m_glide;
    QPointF m_homePosition;
    QPointF m_anchor;
    bool m_movable = true;
};
