#include "DiagramChannelItem.h"

#include "Diagram.h"
#include "DiagramSymbol.h"

namespace
{
const double s_symbolScale = 0.5;
const double s_itemZ = 100;
}

DiagramChannelItem::DiagramChannelItem(int number, const QString& label, const QColor& color)
    : m_number(number)
    , m_color(color)
{
    DiagramSymbol* symbol = new DiagramSymbol(QStringLiteral(":/rc/channel.png"), s_symbolScale, label, color);
    addToGroup(symbol);
    setAnchor(QPointF(symbol->size().width(), symbol->size().height() * 0.5));
    setZValue(s_itemZ);
}

void DiagramChannelItem::setAllowableFunctions(const QSet<int>& functions)
{
    m_allowableFunctions = functions;
    updateMovable();
}

void DiagramChannelItem::setFixed(bool fixed)
{
    m_fixed = fixed;
    updateMovable();
}

void DiagramChannelItem::updateMovable()
{
    setMovable(!(m_fixed && m_allowableFunctions.count() == 1));
}

void DiagramChannelItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    DiagramDraggableItem::mousePressEvent(event);
    if (!isMovable() || !m_pDiagram)
        return;
    m_pDiagram->disconnectChannel(m_number);
    m_pDiagram->showChannelTargets(true, m_number);
}

void DiagramChannelItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    DiagramDraggableItem::mouseReleaseEvent(event);
    if (!isMovable() || !m_pDiagram)
        return;
    m_pDiagram->showChannelTargets(false, m_number);
    QPointF position = mapToScene(anchor());
    if (m_pDiagram->connectChannel(m_number, position))
        animateTo(position);
    else
        animateHome();
}

QVariant DiagramChannelItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == QGraphicsItem::ItemPositionHasChanged && !isAnimating() && m_pDiagram)
        m_pDiagram->showChannelDropHint(m_number, mapToScene(anchor()));
    return DiagramDraggableItem::itemChange(change, value);
}
