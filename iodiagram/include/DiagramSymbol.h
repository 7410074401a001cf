#pragma once

#include <QColor>
#include <QGraphicsPixmapItem>
#include <QSize>
#include <QString>

// One picture of the I/O diagram: a pixmap, tinted from the top (lighter) to the bottom with a
// colour, an optional bold label drawn onto it, scaled and given a drop shadow. Tinting and
// scaling happen once here, never while painting. A path that does not load gives an empty
// symbol. GUI thread only.
class DiagramSymbol : public QGraphicsPixmapItem
{
public:
    // An invalid colour leaves the pixmap as it is.
    DiagramSymbol(const QString& path, double scale, const QString& label, const QColor& color);
    DiagramSymbol(const QString& path, double scale, const QColor& color);

    QSize size() const { return m_size; }
    // Terminal i of n, spread evenly over the height around the middle, at half the width.
    QPointF terminalPoint(int i, int n) const;

private:
    QSize m_size = QSize(-1, -1);
};
