#include "TalvexPlotWindow.h"

#include "PlotFileExport.h"

#include "Plot.h"
#include "PlotSeries.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <boost/make_shared.hpp>

// The export icons are compiled into this static library; registering them here makes them
// reachable for every user of the window.
static void initPlotResources()
{
    static const bool s_done = [] {
        Q_INIT_RESOURCE(plot);
        return true;
    }();
    Q_UNUSED(s_done);
}

namespace
{
QPushButton* exportButton(const QString& icon, const QString& toolTip, QWidget* parent)
{
    QPushButton* button = new QPushButton(QIcon(icon), QString(), parent);
    button->setIconSize(QSize(32, 32));
    button->setToolTip(toolTip);
    return button;
}
}

TalvexPlotWindow::TalvexPlotWindow(QWidget* parent)
    : QWidget(parent)
{
    initPlotResources();
    QVBoxLayout* layout = new QVBoxLayout(this);
    QHBoxLayout* buttons = new QHBoxLayout;
    layout->addLayout(buttons, 0);

    m_pCsvButton = exportButton(QStringLiteral(":/rc/export_dat.png"), tr("Save graph in CSV format."), this);
    m_pPngButton = exportButton(QStringLiteral(":/rc/export_png.png"), tr("Save graph to *.png file."), this);
    buttons->addStretch(1);
    buttons->addWidget(m_pCsvButton);
    buttons->addWidget(m_pPngButton);
    buttons->addSpacing(50);

    m_pPlot = new Plot(this);
    layout->addWidget(m_pPlot->customPlot(), 1);

    connect(m_pCsvButton, &QPushButton::pressed, this, &TalvexPlotWindow::onSaveCSV);
    connect(m_pPngButton, &QPushButton::pressed, this, &TalvexPlotWindow::onSavePNG);
    m_pPlot->clear();
}

int TalvexPlotWindow::addTrace(const QString& name)
{
    boost::shared_ptr<PlotSeries> series = boost::make_shared<PlotSeries>();
    series->setName(name);
    series->setUnit(QStringLiteral("a.u."));
    return m_pPlot->addGraph(series, 0, 0, false, QPen(QColor(Qt::red)), PlotGraphStyle());
}

void TalvexPlotWindow::removeTrace(int id)
{
    m_pPlot->removeSeries(id);
}

void TalvexPlotWindow::setTraceColor(int id, const QColor& color)
{
    m_pPlot->setGraphColor(id, color);
}

void TalvexPlotWindow::setTraceData(int id, const QVector<PlotPoint>& points)
{
    boost::shared_ptr<PlotSeries> series = m_pPlot->series(id);
    Q_ASSERT_X(series, "src\\TalvexPlotWindow", "series");
    if (!series)
        return;
    series->setPoints(points);
    m_pPlot->updatePlotData();
    m_pPlot->rescaleAxes();
}

void TalvexPlotWindow::setTraceName(int id, const QString& name)
{
    m_pPlot->setGraphName(id, name);
}

void TalvexPlotWindow::setXLabel(const QString& label)
{
    m_pPlot->setXLabel(label);
}

void TalvexPlotWindow::setYLabel(const QString& label)
{
    m_pPlot->setYLabel(label);
}

void TalvexPlotWindow::showPlot()
{
    m_pPlot->showPlot();
}

void TalvexPlotWindow::onSaveCSV()
{
    PlotFileExport::saveCSV(this, m_pPlot);
}

void TalvexPlotWindow::onSavePNG()
{
    PlotFileExport::savePNG(this, m_pPlot);
}

void TalvexPlotWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Refresh))
        m_pPlot->rescaleAxes();
    else
        event->ignore();
}

