#include "DiagramDraggableItem.h"

#include <QEasingCurve>
#include <QGraphicsScene>

namespace
{
const int s_durationMs = 700;
const int s_frames = 25;
const int s_steps = 24;
const double s_jumpDistance = 10.0;
}

DiagramDraggableItem::DiagramDraggableItem()
{
    setFlag(QGraphicsItem::ItemIsMovable);
    setFlag(QGraphicsItem::ItemSendsGeometryChanges);
    m_glide.setDuration(s_durationMs);
    // Slow at both ends.
    m_glide.setEasingCurve(QEasingCurve::InOutSine);
    QObject::connect(&m_glide, &QVariantAnimation::valueChanged, [this](const QVariant& position) {
        if (m_glide.state() == QAbstractAnimation::Running)
            setPos(position.toPointF());
    });
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
        m_glide.stop();
        setPos(target);
        return;
    }
    glideTo(target);
}

bool DiagramDraggableItem::isAnimating() const
{
    return m_glide.state() == QAbstractAnimation::Running;
}

void DiagramDraggableItem::setMovable(bool movable)
{
    setFlag(QGraphicsItem::ItemIsMovable, movable);
    m_movable = movable;
}

void DiagramDraggableItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    m_glide.stop();
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
    m_glide.stop();
    const QPointF start = pos();
    const QPointF step = (target - start) / s_steps;
    QVariantAnimation::KeyValues path;
    for (int i = 0; i < s_steps; ++i)
        path.append({double(i) / s_frames, start + i * step});
    path.append({1.0, target});
    m_glide.setKeyValues(path);
    m_glide.start();
}
