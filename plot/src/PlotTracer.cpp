#include "PlotTracer.h"

#include "UISignalRelay.h"

#include <qcustomplot.h>

PlotTracer::PlotTracer(QCPGraph* graph, const QString& name)
    : QObject(graph->parentPlot())
    , m_pTracer(new QCPItemTracer(graph->parentPlot()))
    , m_pGraph(graph)
    , m_pRelay(new UISignalRelay(this))
    , m_name(name)
{
    QPen pen(Qt::darkGray);
    pen.setStyle(Qt::DashLine);
    m_pTracer->setPen(pen);
    m_pTracer->setSelectedPen(pen);
    m_pTracer->setStyle(QCPItemTracer::tsCrosshair);
    m_pTracer->setSelectable(true);
    m_pTracer->setGraph(graph);
    m_pTracer->setVisible(false);
}

PlotTracer::~PlotTracer()
{
    // The chart may have gone first and taken its items with it.
    if (m_pTracer)
        m_pTracer->parentPlot()->removeItem(m_pTracer);
}

QVariant PlotTracer::getValue() const
{
    if (!m_pTracer)
        return QVariant(QPointF());
    return QVariant(QPointF(m_pTracer->position->key(), m_pTracer->position->value()));
}

void PlotTracer::setValue(const QVariant& value)
{
    Q_ASSERT_X(value.canConvert(QVariant::PointF), "src\\PlotTracer", "value.canConvert(Variant::PointF)");
    if (!m_pTracer)
        return;
    const QPointF pixel = value.toPointF();
    m_pTracer->setGraphKey(m_pTracer->parentPlot()->xAxis->pixelToCoord(pixel.x()));
    m_pTracer->updatePosition();
    m_pRelay->slot();
}

void PlotTracer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    updateVisibility();
    if (m_pTracer)
        m_pTracer->parentPlot()->replot(QCustomPlot::rpRefreshHint);
}

void PlotTracer::addValidator(boost::shared_ptr<UIIValidator>)
{
    Q_ASSERT_X(false, "src\\PlotTracer", "0");
}

void PlotTracer::forwardSignalFrom(UIIUserInput*)
{
    Q_ASSERT_X(false, "src\\PlotTracer", "0");
}

QWidget* PlotTracer::widget()
{
    Q_ASSERT_X(false, "src\\PlotTracer", "0");
    return nullptr;
}

void PlotTracer::connectSignal(QObject* receiver, const char* member, int)
{
    connect(m_pRelay, SIGNAL(signal()), receiver, member);
}

QCPGraph* PlotTracer::graph() const
{
    return m_pGraph;
}

void PlotTracer::setActive(bool active)
{
    m_active = active;
    updateVisibility();
}

void PlotTracer::setInterpolating(bool interpolating)
{
    if (m_pTracer)
        m_pTracer->setInterpolating(interpolating);
}

bool PlotTracer::isSelected() const
{
    return m_pTracer && m_pTracer->selected();
}

bool PlotTracer::selectAt(const QPointF& pixel)
{
    if (!m_pTracer || !m_pTracer->visible() || m_pTracer->parentPlot()->itemAt(pixel, false) != m_pTracer)
        return false;
    m_pTracer->setSelected(true);
    return true;
}

void PlotTracer::deselect()
{
    if (m_pTracer)
        m_pTracer->setSelected(false);
}

void PlotTracer::refresh()
{
    if (!m_pTracer || !graphHoldsData())
        return;
    m_pTracer->updatePosition();
    m_pRelay->slot();
    updateVisibility();
}

bool PlotTracer::graphHoldsData() const
{
    return m_pGraph && !m_pGraph->data()->isEmpty();
}

void PlotTracer::updateVisibility()
{
    if (m_pTracer)
        m_pTracer->setVisible(m_enabled && m_active && graphHoldsData());
}
