#pragma once

#include <QPointF>
#include <QPointer>
#include <QVector>

class PlotTracer;
class QCPGraph;

// One cursor: a tracer per graph, of which only the one on the current graph is shown. The
// list owns its tracers; a tracer that went with its chart is skipped. GUI thread only.
class PlotTracerList
{
public:
    PlotTracerList() = default;
    PlotTracerList(const PlotTracerList&) = delete;
    PlotTracerList& operator=(const PlotTracerList&) = delete;

    void add(PlotTracer* tracer);
    void setCurrentGraph(QCPGraph* graph);
    QCPGraph* currentGraph() const { return m_pCurrentGraph; }
    bool anySelected() const;
    // Stops at the first tracer that takes the selection.
    bool selectAt(const QPointF& pixel);
    void deselectAll();
    // The whole cursor moves to the key under that pixel.
    void setValueAll(const QPointF& pixel);
    void refreshAll();
    // Deletes the tracers of a graph that leaves the plot.
    void deleteFor(QCPGraph* graph);
    void deleteAll();
    // Empties the list without deleting.
    void clear();
    QVector<PlotTracer*> tracers() const;

private:
    QVector<QPointer<PlotTracer>> m_tracers;
    QCPGraph* m_pCurrentGraph = nullptr;
};
