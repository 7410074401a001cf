#include "DiagramItem.h"

#include <QFont>
#include <QStackedWidget>

void DiagramItem::setSettingsPage(QStackedWidget* pages, int pageIndex)
{
    m_pPages = pages;
    m_pageIndex = pageIndex;
}

void DiagramItem::focusInEvent(QFocusEvent* event)
{
    QGraphicsItemGroup::focusInEvent(event);
    delete m_pFocusRect;
    QGraphicsRectItem* frame = new QGraphicsRectItem(childrenBoundingRect().adjusted(0, 0, 0, -2));
    frame->setPen(QPen(Qt::red));
    frame->setBrush(Qt::NoBrush);
    addAt(frame, QPointF());
    m_pFocusRect = frame;
    if (m_pPages && m_pPages->currentIndex() != m_pageIndex)
        m_pPages->setCurrentIndex(m_pageIndex);
}

void DiagramItem::focusOutEvent(QFocusEvent* event)
{
    QGraphicsItemGroup::focusOutEvent(event);
    delete m_pFocusRect;
    m_pFocusRect = nullptr;
}

void DiagramItem::addAt(QGraphicsItem* item, const QPointF& position)
{
    item->setPos(mapToScene(position));
    addToGroup(item);
}

QPen DiagramItem::terminalPen()
{
    return QPen(QBrush(Qt::darkGray, Qt::SolidPattern), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

QGraphicsSimpleTextItem* DiagramItem::createText(const QString& text, double z)
{
    QGraphicsSimpleTextItem* item = new QGraphicsSimpleTextItem(text);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    item->setFont(font);
    item->setZValue(z);
    return item;
}
