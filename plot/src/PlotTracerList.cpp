#include "PlotTracerList.h"

#include "PlotTracer.h"

void PlotTracerList::add(PlotTracer* tracer)
{
    m_tracers.append(tracer);
    tracer->setActive(tracer->graph() == m_pCurrentGraph);
}

void PlotTracerList::setCurrentGraph(QCPGraph* graph)
{
    for (PlotTracer* tracer : tracers())
        tracer->setActive(tracer->graph() == graph);
    m_pCurrentGraph = graph;
}

bool PlotTracerList::anySelected() const
{
    for (PlotTracer* tracer : tracers())
        if (tracer->isSelected())
            return true;
    return false;
}

bool PlotTracerList::selectAt(const QPointF& pixel)
{
    for (PlotTracer* tracer : tracers())
        if (tracer->selectAt(pixel))
            return true;
    return false;
}

void PlotTracerList::deselectAll()
{
    for (PlotTracer* tracer : tracers())
        tracer->deselect();
}

void PlotTracerList::setValueAll(const QPointF& pixel)
{
    for (PlotTracer* tracer : tracers())
        tracer->setValue(QVariant(pixel));
}

void PlotTracerList::refreshAll()
{
    for (PlotTracer* tracer : tracers())
        tracer->refresh();
}

void PlotTracerList::deleteFor(QCPGraph* graph)
{
    for (int i = m_tracers.size(); i-- > 0;)
    {
        if (m_tracers.at(i) && m_tracers.at(i)->graph() != graph)
            continue;
        delete m_tracers.at(i).data();
        m_tracers.removeAt(i);
    }
    if (m_pCurrentGraph == graph)
        m_pCurrentGraph = nullptr;
}

void PlotTracerList::deleteAll()
{
    for (PlotTracer* tracer : tracers())
        delete tracer;
    clear();
}

void PlotTracerList::clear()
{
    m_tracers.clear();
}

QVector<PlotTracer*> PlotTracerList::tracers() const
{
    QVector<PlotTracer*> alive;
    for (const QPointer<PlotTracer>& tracer : m_tracers)
        if (tracer)
            alive.append(tracer.data());
    return alive;
}
