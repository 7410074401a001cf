#pragma once

#include "DiagramItem.h"

#include <QColor>
#include <QRectF>
#include <QVector>

class QStackedWidget;

// An output block of the board (PWM, relay): one or more outputs on its left, each an icon on a
// line, with a label on the icon. It shows its settings page when it gets the focus.
class DiagramOutputItem : public DiagramItem
{
public:
    // The colour of every output block.
    static const QColor s_outputItemColor;

    DiagramOutputItem(QStackedWidget* pages, int pageIndex, const QString& path, const QColor& color, int outputCount);

    int outputCount() const { return m_outputCount; }
    // Item coordinates of output i's icon.
    QRectF outputRect(int i) const { return m_outputInfos.at(i); }
    // outputNumber counts from 1; an empty text removes the label.
    void setOutputLabel(const QString& text, int outputNumber);
    QString outputLabel(int outputNumber) const;

private:
    QVector<QRectF> m_outputInfos;
    QVector<QGraphicsSimpleTextItem*> m_outputLabels;
    int m_outputCount;
};
