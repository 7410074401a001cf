#pragma once

#include <QBrush>
#include <QPen>

// The scatter symbols of a graph: circles of the given size drawn with pen and brush;
// size 0 draws no symbols.
class PlotGraphStyle
{
public:
    PlotGraphStyle() = default;
    PlotGraphStyle(const QPen& pen, const QBrush& brush, int size)
        : m_pen(pen)
        , m_brush(brush)
        , m_size(size)
    {
    }

    QPen pen() const { return m_pen; }
    QBrush brush() const { return m_brush; }
    int size() const { return m_size; }

private:
    QPen m_pen;
    QBrush m_brush;
    int m_size = 0;
};
