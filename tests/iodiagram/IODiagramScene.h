#pragma once

#include "Diagram.h"
#include "DiagramAcquisitionItem.h"
#include "DiagramBufferItem.h"
#include "DiagramChannelItem.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexIODiagram.h"
#include "TalvexIODiagramItemType.h"

#include <QApplication>
#include <QGraphicsSceneMouseEvent>
#include <QStackedWidget>

// The diagram of a model as the IO tab builds it, each block with an empty page of its own.
struct IODiagramScene
{
    explicit IODiagramScene(const QVector<int>& kinds = {ADC, Quadrature, Event, LimitStart, LimitEnd, StepCount, PWM,
                                Relay},
        int channels = 4, bool encoderPins = false)
        : m_adapter(nullptr, 560, 500, Diagram::ChannelFrame | Diagram::BufferFrame, TalvexDriverDescriptor())
    {
        QVector<QPair<int, int>> pages;
        for (int kind : kinds)
            pages.append({kind, m_pages.addWidget(new QWidget)});
        m_adapter.setChannelCount(channels);
        m_adapter.setBufferCount(2);
        if (encoderPins)
        {
            m_adapter.setOption(TalvexIODiagram::OptionEncoderInputs, true);
            m_adapter.setFixedChannelInput(100, 16);
            m_adapter.setFixedChannelInput(101, 17);
            m_adapter.setChannelLabel(100, "ENCA");
            m_adapter.setChannelLabel(101, "ENCB");
        }
        m_adapter.buildScene(&m_pages, pages);
    }

    Diagram* diagram() const { return m_adapter.diagram(); }
    DiagramChannelItem* channel(int number) const { return diagram()->channelItem(number); }
    DiagramBufferItem* buffer(int number) const { return diagram()->bufferItem(number); }
    DiagramAcquisitionItem* blockOf(int function) const { return diagram()->acquisitionItemByFunction(function); }
    DiagramAcquisitionItem* blockBySample(int sample) const { return diagram()->acquisitionItemBySample(sample); }
    QPointF terminal(int function) const
    {
        DiagramAcquisitionItem* block = blockOf(function);
        return block->inputTerminalPosition(block->terminalIndexOf(function));
    }
    QPointF anchorOf(const DiagramDraggableItem* item) const { return item->mapToScene(item->anchor()); }

    // The user's mouse on the scene: press on the item's anchor, drag the anchor by the
    // distance to the target and let go there.
    void mouse(QEvent::Type type, const QPointF& scenePos, const QPointF& downPos)
    {
        QGraphicsSceneMouseEvent event(type);
        event.setScenePos(scenePos);
        event.setLastScenePos(scenePos);
        event.setButtonDownScenePos(Qt::LeftButton, downPos);
        event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
        event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
        QApplication::sendEvent(diagram(), &event);
    }
    void press(const DiagramDraggableItem* item)
    {
        // A point just inside the item next to its anchor.
        m_pressedAt = anchorOf(item) + QPointF(item->anchor().x() > 0 ? -4 : 4, 0);
        m_at = m_pressedAt;
        mouse(QEvent::GraphicsSceneMousePress, m_at, m_pressedAt);
    }
    void moveAnchorTo(const DiagramDraggableItem* item, const QPointF& target)
    {
        m_at += target - anchorOf(item);
        mouse(QEvent::GraphicsSceneMouseMove, m_at, m_pressedAt);
    }
    void release() { mouse(QEvent::GraphicsSceneMouseRelease, m_at, m_pressedAt); }
    void drag(const DiagramDraggableItem* item, const QPointF& target)
    {
        press(item);
        moveAnchorTo(item, target);
        release();
    }

    QStackedWidget m_pages;
    TalvexIODiagram m_adapter;
    QPointF m_pressedAt;
    QPointF m_at;
};
