#include "DiagramBufferItem.h"

#include "Diagram.h"
#include "DiagramSymbol.h"

namespace
{
const double s_symbolScale = 0.5;
const double s_itemZ = 100;
// The anchor sits this much above the middle, on the picture's connector.
const double s_anchorRise = 2;
}

DiagramBufferItem::DiagramBufferItem(int number, const QString& path, const QColor& color)
    : m_number(number)
    , m_color(color)
{
    DiagramSymbol* symbol = new DiagramSymbol(path, s_symbolScale, color);
    addToGroup(symbol);
    setAnchor(QPointF(0, symbol->size().height() * 0.5 - s_anchorRise));
    setZValue(s_itemZ);
}

void DiagramBufferItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    DiagramDraggableItem::mousePressEvent(event);
    if (!m_pDiagram)
        return;
    m_pDiagram->disconnectBuffer(m_number);
    m_pDiagram->showBufferTargets(true, m_number);
}

void DiagramBufferItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    if (m_pDiagram)
        m_pDiagram->showBufferTargets(false, m_number);
    DiagramDraggableItem::mouseReleaseEvent(event);
    if (!m_pDiagram)
        return;
    QPointF position = mapToScene(anchor());
    if (m_pDiagram->connectBuffer(m_number, position))
        snapTo(position);
    else
        animateHome();
}

QVariant DiagramBufferItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == QGraphicsItem::ItemPositionHasChanged && !isAnimating() && m_pDiagram)
        m_pDiagram->showBufferDropHint(m_number, mapToScene(anchor()));
    return DiagramDraggableItem::itemChange(change, value);
}
