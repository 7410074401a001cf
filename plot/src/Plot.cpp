#include "Plot.h"

#include "PlotSeries.h"
#include "PlotTracer.h"

#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QTextStream>
#include <limits>

namespace
{
// Ids are shared by every plot of the process and never reused.
int s_lastId = 0;

QSharedPointer<QCPAxisTickerLog> logTicker()
{
    static QSharedPointer<QCPAxisTickerLog> s_ticker;
    if (!s_ticker)
    {
        s_ticker.reset(new QCPAxisTickerLog);
        s_ticker->setLogBase(10.0);
    }
    return s_ticker;
}

// A header cell that holds the separator, a quote or a line break is quoted, so the columns
// stay intact; ordinary cells are written as they are.
QString csvCell(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

const int s_qualityDelayMs = 500;
// The size of a chart that was never laid out, when it is exported.
const QSize s_defaultExportSize(800, 400);
const int s_exportDotsPerInch = 96;
}

Plot::Plot(QObject* parent)
    : QObject(parent)
    , m_pPlot(new QCustomPlot)
    , m_qualityTimer(this)
{
    m_pPlot->setNoAntialiasingOnDrag(true);
    m_pPlot->setNotAntialiasedElement(QCP::aePlottables, false);

    m_pPlot->legend->setVisible(true);
    m_pPlot->legend->setBrush(QColor(255, 255, 255, 200));
    m_pPlot->legend->setSelectableParts(QCPLegend::spNone);

    m_pPlot->xAxis->setSelectableParts(QCPAxis::spNone);
    m_pPlot->xAxis2->setVisible(true);
    m_pPlot->xAxis2->setTickLabels(false);
    m_pPlot->xAxis2->setTicks(false);
    m_pPlot->xAxis2->setSelectableParts(QCPAxis::spNone);
    m_pPlot->yAxis->setSelectableParts(QCPAxis::spNone);
    m_pPlot->yAxis2->grid()->setZeroLinePen(m_pPlot->yAxis->grid()->zeroLinePen());
    m_pPlot->yAxis2->grid()->setPen(Qt::NoPen);
    m_pPlot->yAxis2->setSelectableParts(QCPAxis::spNone);

    m_pPlot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables);
    // Nothing pans or zooms until a press or a wheel turn has chosen the axes.
    m_pPlot->axisRect()->setRangeDrag(Qt::Orientations());
    m_pPlot->axisRect()->setRangeZoom(Qt::Orientations());

    connect(m_pPlot, &QCustomPlot::selectionChangedByUser, this, &Plot::selectionChanged);
    connect(m_pPlot, &QCustomPlot::mouseMove, this, &Plot::mouseMove);
    connect(m_pPlot, &QCustomPlot::mousePress, this, &Plot::mousePress);
    connect(m_pPlot, &QCustomPlot::mouseRelease, this, &Plot::mouseRelease);
    connect(m_pPlot, &QCustomPlot::mouseWheel, this, &Plot::mouseWheel);
    connect(m_pPlot, &QCustomPlot::beforeReplot, this, &Plot::onBeforeReplot);
    connect(m_pPlot, &QCustomPlot::axisDoubleClick, this, &Plot::axisLabelDoubleClick);
    connect(m_pPlot, &QCustomPlot::legendDoubleClick, this, &Plot::legendDoubleClick);
    connect(m_pPlot, &QCustomPlot::plottableClick, this, &Plot::graphClicked);
    m_pPlot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pPlot, &QWidget::customContextMenuRequested, this, &Plot::contextMenuRequest);

    m_qualityTimer.setSingleShot(true);
    connect(&m_qualityTimer, &QTimer::timeout, this, &Plot::setToHighQuality);
}

Plot::~Plot()
{
    m_tracers1.deleteAll();
    m_tracers2.deleteAll();
    // A chart that no layout took is still ours.
    if (m_pPlot && !m_pPlot->parent())
        delete m_pPlot.data();
}

int Plot::addGraph(const boost::shared_ptr<PlotSeries>& series, int axisSide, int axisIndex, bool logarithmic,
                   const QPen& pen, const PlotGraphStyle& scatter)
{
    const int id = ++s_lastId;
    m_series.insert(id, series);

    QCPAxis::AxisType yAxisType = QCPAxis::atLeft;
    if (axisSide == 1)
        yAxisType = QCPAxis::atRight;
    else
        Q_ASSERT_X(axisSide == 0, "src\\Plot", "0");
    QCPAxisRect* rect = m_pPlot->axisRect();
    Q_ASSERT_X(axisIndex <= rect->axisCount(yAxisType), "src\\Plot",
               "axisIndex <= m_pPlot->axisRect()->axisCount(yAxisType)");
    QCPAxis* valueAxis = axisIndex >= rect->axisCount(yAxisType) ? rect->addAxis(yAxisType) : rect->axis(yAxisType, axisIndex);
    if (logarithmic)
    {
        valueAxis->setScaleType(QCPAxis::stLogarithmic);
        valueAxis->setTicker(logTicker());
    }

    QCPGraph* graph = m_pPlot->addGraph(m_pPlot->xAxis, valueAxis);
    m_graphs.insert(id, graph);
    graph->setPen(pen);
    if (scatter.size() != 0)
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, scatter.pen(), scatter.brush(), scatter.size()));
    graph->selectionDecorator()->setPen(pen);
    graph->setName(series->name());
    graph->setVisible(true);
    graph->setSelectable(QCP::stWhole);

    m_pPlot->legend->setVisible(true);
    valueAxis->setVisible(true);
    const PlotValueRange range = series->valueRange();
    if (range.isValid())
        valueAxis->setRange(range.lower(), range.upper());
    else
        valueAxis->setRange(0.0, 0.0);

    const QString label = valueAxis->label();
    if (label.isEmpty())
        valueAxis->setLabel(series->unit());
    else if (!label.contains(series->unit()))
        valueAxis->setLabel(label + QLatin1String(", ") + series->unit());
    valueAxis->setTickLabels(true);
    valueAxis->setTicks(true);
    valueAxis->grid()->setVisible(true);

    m_pPlot->xAxis->setRange(series->keyLower(), series->keyUpper());
    if (m_series.size() == 1)
    {
        m_tracers1.setCurrentGraph(graph);
        m_tracers2.setCurrentGraph(graph);
    }
    replot();
    return id;
}

boost::shared_ptr<PlotSeries> Plot::series(int id) const
{
    Q_ASSERT_X(m_series.contains(id), "src\\Plot", "m_series.contains(id)");
    return m_series.value(id);
}

void Plot::removeSeries(int id)
{
    Q_ASSERT_X(m_series.contains(id), "src\\Plot", "m_series.contains(id)");
    QCPGraph* graph = m_graphs.take(id);
    m_series.remove(id);
    if (graph)
    {
        // Cursors on the graph go with it.
        m_tracers1.deleteFor(graph);
        m_tracers2.deleteFor(graph);
        m_pPlot->removeGraph(graph);
    }
    replot();
}

void Plot::setGraphColor(int id, const QColor& color)
{
    QCPGraph* graph = graphOf(id);
    if (!graph)
        return;
    graph->setPen(QPen(color));
    graph->selectionDecorator()->setPen(QPen(color));
    replot();
}

void Plot::setGraphName(int id, const QString& name)
{
    QCPGraph* graph = graphOf(id);
    if (!graph)
        return;
    graph->setName(name);
    replot();
}

void Plot::setXLabel(const QString& label)
{
    m_pPlot->xAxis->setLabel(label);
    replot();
}

void Plot::setYLabel(const QString& label)
{
    m_pPlot->yAxis->setLabel(label);
    replot();
}

QString Plot::keyAxisLabel() const
{
    return m_pPlot->xAxis->label();
}

void Plot::showPlot()
{
    m_pPlot->setVisible(true);
}

void Plot::clear()
{
    m_tracers1.deleteAll();
    m_tracers2.deleteAll();
    m_pPlot->clearGraphs();
    m_series.clear();
    m_graphs.clear();

    QCPAxisRect* rect = m_pPlot->axisRect();
    for (QCPAxis::AxisType type : {QCPAxis::atLeft, QCPAxis::atRight})
        while (rect->axisCount(type) > 1)
            rect->removeAxis(rect->axis(type, rect->axisCount(type) - 1));

    for (QCPAxis* axis : {m_pPlot->yAxis, m_pPlot->yAxis2})
    {
        axis->setScaleType(QCPAxis::stLinear);
        axis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
        axis->setLabel(QString());
        axis->setTickLabels(false);
        axis->setTicks(false);
        axis->setRange(0.0, 1.0);
        axis->setVisible(true);
        axis->grid()->setVisible(axis == m_pPlot->yAxis);
    }
    m_pPlot->legend->setVisible(false);
    m_pPlot->xAxis->setLabel(QStringLiteral("Time [s]"));
    rect->setRangeDragAxes(m_pPlot->xAxis, m_pPlot->yAxis);
    rect->setRangeZoomAxes(m_pPlot->xAxis, m_pPlot->yAxis);
}

void Plot::clearGraphData()
{
    for (auto it = m_series.cbegin(); it != m_series.cend(); ++it)
    {
        it.value()->clear();
        if (QCPGraph* graph = m_graphs.value(it.key()))
            graph->setData(QVector<double>(), QVector<double>());
    }
    updateTracers();
}

void Plot::refresh()
{
    m_pPlot->setNotAntialiasedElement(QCP::aePlottables, true);
    m_qualityTimer.start(s_qualityDelayMs);

    bool changed = false;
    QMap<QCPAxis*, PlotValueRange> ranges;
    for (auto it = m_series.cbegin(); it != m_series.cend(); ++it)
    {
        QCPGraph* graph = m_graphs.value(it.key());
        if (!graph)
            continue;
        if (it.value()->moveNewPointsTo(graph))
            changed = true;
        if (m_userZoomed || graph->data()->isEmpty())
            continue;
        // The range of what the graph holds, kept up to date batch by batch.
        ranges[graph->valueAxis()].merge(it.value()->drawnValueRange());
    }
    applyRanges(ranges);
    if (changed)
    {
        updateTracers();
        replot();
    }
}

void Plot::rescaleAxes()
{
    double keyLower = std::numeric_limits<double>::max();
    double keyUpper = -keyLower;
    bool seen = false;
    QMap<QCPAxis*, PlotValueRange> ranges;
    for (auto it = m_series.cbegin(); it != m_series.cend(); ++it)
    {
        QCPGraph* graph = m_graphs.value(it.key());
        if (!graph || !graph->visible())
            continue;
        seen = true;
        ranges[graph->valueAxis()].merge(it.value()->valueRange());
        keyUpper = std::max(keyUpper, it.value()->keyUpper());
        keyLower = std::min(keyLower, it.value()->keyLower());
    }
    m_userZoomed = false;
    if (!seen)
        return;
    applyRanges(ranges);
    m_pPlot->xAxis->setRange(keyLower, keyUpper);
    replot();
}

void Plot::applyRanges(const QMap<QCPAxis*, PlotValueRange>& ranges)
{
    for (auto it = ranges.cbegin(); it != ranges.cend(); ++it)
    {
        if (it.value().isValid())
            it.key()->setRange(it.value().lower(), it.value().upper());
        else
            it.key()->setRange(0.0, 0.0);
    }
}

UIIUserInput* Plot::addTracer(int list, int id, bool interpolating)
{
    QCPGraph* graph = graphOf(id);
    if (!graph)
        return nullptr;
    PlotTracer* tracer = new PlotTracer(graph, m_series.value(id)->name());
    if (list == 1)
        m_tracers1.add(tracer);
    else if (list == 2)
        m_tracers2.add(tracer);
    else
        Q_ASSERT_X(false, "src\\Plot", "0");
    if (interpolating)
        tracer->setInterpolating(true);
    return tracer;
}

bool Plot::exportCSV(const QFileInfo& file)
{
    // The rows go to a temporary file that replaces the target only once all is written.
    QSaveFile out(file.absoluteFilePath());
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QTextStream stream(&out);
    if (!m_series.isEmpty())
    {
        const QString keyLabel = keyAxisLabel();
        QVector<QSharedPointer<QCPGraphDataContainer>> columns;
        int rows = 0;
        stream << "Index";
        for (auto it = m_series.cbegin(); it != m_series.cend(); ++it)
        {
            const QString name = it.value()->name();
            stream << ", " << csvCell(name + QLatin1Char(':') + keyLabel) << ","
                   << csvCell(name + QLatin1Char(':') + it.value()->unit());
            QCPGraph* graph = m_graphs.value(it.key());
            columns.append(graph ? graph->data() : QSharedPointer<QCPGraphDataContainer>(new QCPGraphDataContainer));
            rows = std::max(rows, columns.last()->size());
        }
        stream << "\n";
        for (int row = 0; row < rows; ++row)
        {
            stream << row;
            for (const QSharedPointer<QCPGraphDataContainer>& column : qAsConst(columns))
            {
                if (row < column->size())
                {
                    const QCPGraphData& point = *(column->constBegin() + row);
                    stream << ", " << point.key << ", " << point.value;
                }
                else
                {
                    stream << ", , ";
                }
            }
            stream << "\n";
        }
    }
    stream.flush();
    if (stream.status() != QTextStream::Ok)
    {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

bool Plot::exportPNG(const QFileInfo& file)
{
    QSize size = m_pPlot->size();
    if (size.width() < 1 || size.height() < 1)
        size = s_defaultExportSize;
    QImage image = m_pPlot->toPixmap(size.width(), size.height(), 1.0).toImage();
    const int dotsPerMeter = qRound(s_exportDotsPerInch / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    // Like the CSV file: a failed export leaves an earlier image of that name in place.
    QSaveFile out(file.absoluteFilePath());
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (!image.save(&out, "PNG"))
    {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

void Plot::updatePlotData()
{
    for (auto it = m_series.cbegin(); it != m_series.cend(); ++it)
        if (QCPGraph* graph = m_graphs.value(it.key()))
            graph->setData(it.value()->graphData());
    fitAndReplot();
}

void Plot::updatePlotLegend()
{
    for (auto it = m_series.cbegin(); it != m_series.cend(); ++it)
        if (QCPGraph* graph = m_graphs.value(it.key()))
            graph->setName(it.value()->name());
    fitAndReplot();
}

void Plot::replot()
{
    m_pPlot->replot(QCustomPlot::rpRefreshHint);
}

void Plot::axisLabelDoubleClick(QCPAxis*, QCPAxis::SelectablePart)
{
}

void Plot::legendDoubleClick(QCPLegend*, QCPAbstractLegendItem*)
{
}

void Plot::selectionChanged()
{
    const QList<QCPGraph*> selected = m_pPlot->selectedGraphs();
    if (selected.isEmpty())
        return;
    m_tracers1.setCurrentGraph(selected.first());
    m_tracers2.setCurrentGraph(selected.first());
}

void Plot::mouseMove(QMouseEvent* event)
{
    PlotTracerList* dragged = m_tracers1.anySelected() ? &m_tracers1 : m_tracers2.anySelected() ? &m_tracers2 : nullptr;
    if (dragged)
    {
        dragged->setValueAll(QPointF(event->pos()));
        replot();
        return;
    }
    const Hit hit = hitAt(event->pos());
    if (hit.axis == m_pPlot->xAxis)
        m_pPlot->setCursor(Qt::SizeHorCursor);
    else if (hit.axis)
        m_pPlot->setCursor(Qt::SizeVerCursor);
    else
        m_pPlot->setCursor(Qt::ArrowCursor);
}

void Plot::mousePress(QMouseEvent* event)
{
    QCPAxisRect* rect = m_pPlot->axisRect();
    rect->setRangeDrag(Qt::Orientations());
    const QPointF pos = event->pos();
    if (m_tracers1.selectAt(pos) || m_tracers2.selectAt(pos))
        return;
    const Hit hit = hitAt(pos);
    if (hit.axis == m_pPlot->xAxis)
    {
        rect->setRangeDrag(hit.axis->orientation());
    }
    else if (hit.axis)
    {
        rect->setRangeDrag(hit.axis->orientation());
        rect->setRangeDragAxes(m_pPlot->xAxis, hit.axis);
    }
    else if (hit.plottable)
    {
        rect->setRangeDrag(Qt::Horizontal | Qt::Vertical);
        rect->setRangeDragAxes(m_pPlot->xAxis, hit.plottable->valueAxis());
    }
}

void Plot::mouseRelease()
{
    m_tracers1.deselectAll();
    m_tracers2.deselectAll();
}

void Plot::mouseWheel(QWheelEvent* event)
{
    QCPAxisRect* rect = m_pPlot->axisRect();
    const Hit hit = hitAt(event->position());
    if (hit.axis == m_pPlot->xAxis)
    {
        rect->setRangeZoom(hit.axis->orientation());
        m_userZoomed = true;
    }
    else if (hit.axis)
    {
        rect->setRangeZoom(hit.axis->orientation());
        rect->setRangeZoomAxes(m_pPlot->xAxis, hit.axis);
        m_userZoomed = true;
    }
    else if (hit.plottable)
    {
        // Zooming into the data keeps the fitting of new data on.
        rect->setRangeZoom(Qt::Horizontal | Qt::Vertical);
        rect->setRangeZoomAxes(m_pPlot->xAxis, hit.plottable->valueAxis());
    }
}

void Plot::contextMenuRequest(QPoint)
{
}

void Plot::graphClicked(QCPAbstractPlottable*)
{
}

void Plot::setToHighQuality()
{
    m_pPlot->setNotAntialiasedElement(QCP::aePlottables, false);
    replot();
}

void Plot::onBeforeReplot()
{
}

Plot::Hit Plot::hitAt(const QPointF& pos) const
{
    Hit hit;
    if (m_pPlot->xAxis->selectTest(pos, false) >= 0.0)
        hit.axis = m_pPlot->xAxis;
    else if (QCPAxis* axis = valueAxisAt(pos))
        hit.axis = axis;
    else
        hit.plottable = m_pPlot->plottableAt(pos, false);
    return hit;
}

QCPAxis* Plot::valueAxisAt(const QPointF& pos) const
{
    QCPAxisRect* rect = m_pPlot->axisRect();
    for (QCPAxis::AxisType type : {QCPAxis::atLeft, QCPAxis::atRight})
        for (QCPAxis* axis : rect->axes(type))
            if (!axis->graphs().isEmpty() && axis->selectTest(pos, false) >= 0.0)
                return axis;
    return nullptr;
}

QCPGraph* Plot::graphOf(int id) const
{
    Q_ASSERT_X(m_graphs.contains(id), "src\\Plot", "m_graphs.contains(id)");
    return m_graphs.value(id);
}

void Plot::updateTracers()
{
    m_tracers1.refreshAll();
    m_tracers2.refreshAll();
}

void Plot::fitAndReplot()
{
    updateTracers();
    if (!m_userZoomed)
        rescaleAxes();
    replot();
}
