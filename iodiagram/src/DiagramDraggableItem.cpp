#include "DiagramDraggableItem.h"

#include <QGraphicsScene>

namespace
{
const int s_durationMs = 700;
const int s_frames = 25;
const int s_steps = 24;
const double s_jumpDistance = 10.0;
}

DiagramDraggableItem::DiagramDraggableItem()
    : m_timeLine(s_durationMs)
{
    setFlag(QGraphicsItem::ItemIsMovable);
    setFlag(QGraphicsItem::ItemSendsGeometryChanges);
    m_timeLine.setFrameRange(0, s_frames);
    m_animation.setItem(this);
    m_animation.setTimeLine(&m_timeLine);
}

void DiagramDraggableItem::setHomePosition(const QPointF& position)
{
    m_homePosition = position;
    moveQuietly(position);
}

void DiagramDraggableItem::returnHome()
{
    moveQuietly(m_homePosition);
}

void DiagramDraggableItem::snapTo(const QPointF& point)
{
    moveQuietly(point - m_anchor);
}

void DiagramDraggableItem::animateHome()
{
    glideTo(m_homePosition);
}

void DiagramDraggableItem::animateTo(const QPointF& point)
{
    const QPointF target = point - m_anchor;
    if ((target - pos()).manhattanLength() < s_jumpDistance)
    {
        m_timeLine.stop();
        setPos(target);
        return;
    }
    glideTo(target);
}

bool DiagramDraggableItem::isAnimating() const
{
    return m_timeLine.state() == QTimeLine::Running;
}

void DiagramDraggableItem::setMovable(bool movable)
{
    setFlag(QGraphicsItem::ItemIsMovable, movable);
    m_movable = movable;
}

void DiagramDraggableItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    m_timeLine.stop();
    DiagramItem::mousePressEvent(event);
}

void DiagramDraggableItem::moveQuietly(const QPointF& position)
{
    // Without its diagram the item's position change asks for no drop hint.
    Diagram* diagram = m_pDiagram;
    m_pDiagram = nullptr;
    setPos(position);
    m_pDiagram = diagram;
}

void DiagramDraggableItem::glideTo(const QPointF& target)
{
    m_timeLine.stop();
    const QPointF start = pos();
    const QPointF step = (target - start) / s_steps;
    m_animation.clear();
    for (int i = 0; i < s_steps; ++i)
        m_animation.setPosAt(double(i) / s_frames, start + i * step);
    m_animation.setPosAt(1.0, target);
    m_timeLine.start();
}
