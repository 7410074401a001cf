#pragma once

#include "PlotGraphStyle.h"
#include "PlotTracerList.h"
#include "PlotValueRange.h"

#include <QFileInfo>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <boost/shared_ptr.hpp>
#include <qcustomplot.h>

class PlotSeries;
class UIIUserInput;

// Puts series on a QCustomPlot chart: every series gets a process-wide id and a graph on a
// chosen value axis; new points move into the graphs when the owner refreshes (the
// Measurements tab every 100 ms), the axes follow the data until the user zooms an axis, the
// mouse pans and zooms per axis and drags the cursors, and the graphs export as CSV or PNG.
// The chart is made without parent: the owner puts customPlot() into a layout, which then
// owns it. GUI thread only.
class Plot : public QObject
{
    Q_OBJECT

public:
    explicit Plot(QObject* parent = nullptr);
    ~Plot() override;

    QCustomPlot* customPlot() const { return m_pPlot; }

    // axisSide 0 left, 1 right; axisIndex up to the number of axes on that side, which adds
    // an axis. Returns the graph's id: 1, 2, 3, ... across all plots, never reused.
    int addGraph(const boost::shared_ptr<PlotSeries>& series, int axisSide, int axisIndex, bool logarithmic,
                 const QPen& pen, const PlotGraphStyle& scatter);
    boost::shared_ptr<PlotSeries> series(int id) const;
    void removeSeries(int id);
    void setGraphColor(int id, const QColor& color);
    void setGraphName(int id, const QString& name);
    void setXLabel(const QString& label);
    void setYLabel(const QString& label);
    QString keyAxisLabel() const;
    void showPlot();

    // Removes every series, graph, tracer and extra axis; the key axis reads "Time [s]".
    void clear();
    // Empties every series and graph for a new acquisition.
    void clearGraphData();
    // Moves new points into the graphs, draws fast for a while and fits the value axes
    // unless the user zoomed one.
    void refresh();
    // Fits every axis to the data of the visible graphs and ends the user's zoom.
    void rescaleAxes();

    // list 1 or 2: the cursor that the tracer joins.
    UIIUserInput* addTracer(int list, int id, bool interpolating);

    // The graphs as drawn, two columns (key, value) per series. False when the file cannot be
    // written completely; an earlier file of that name then stays as it was.
    bool exportCSV(const QFileInfo& file);
    // The chart at its current size; one that was never laid out is drawn at 800 × 400.
    bool exportPNG(const QFileInfo& file);

public slots:
    // Rebuilds every graph from its series.
    void updatePlotData();
    void updatePlotLegend();
    void replot();

private slots:
    void axisLabelDoubleClick(QCPAxis* axis, QCPAxis::SelectablePart part);
    void legendDoubleClick(QCPLegend* legend, QCPAbstractLegendItem* item);
    void selectionChanged();
    void mouseMove(QMouseEvent* event);
    void mousePress(QMouseEvent* event);
    void mouseRelease();
    void mouseWheel(QWheelEvent* event);
    void contextMenuRequest(QPoint pos);
    void graphClicked(QCPAbstractPlottable* plottable);
    void setToHighQuality();
    void onBeforeReplot();

private:
    // What the mouse is over: an axis, or a graph with its value axis; all null for none.
    struct Hit
    {
        QCPAxis* axis = nullptr;
        QCPAbstractPlottable* plottable = nullptr;
    };
    Hit hitAt(const QPointF& pos) const;
    QCPAxis* valueAxisAt(const QPointF& pos) const;
    void applyRanges(const QMap<QCPAxis*, PlotValueRange>& ranges);
    // Null, and a debug assertion, for an id that is not registered.
    QCPGraph* graphOf(int id) const;
    void updateTracers();
    // After a rebuild: the tracers follow, the axes fit unless the user zoomed one.
    void fitAndReplot();

    bool m_userZoomed = false;
    QPointer<QCustomPlot> m_pPlot;
    QMap<int, boost::shared_ptr<PlotSeries>> m_series;
    QMap<int, QCPGraph*> m_graphs;
    PlotTracerList m_tracers1;
    PlotTracerList m_tracers2;
    QTimer m_qualityTimer;
};
