#pragma once

#include "PlotPoint.h"

#include <QVector>
#include <QWidget>

class Plot;
class QPushButton;

// The plot of a script's graph window: a chart with CSV and PNG export buttons, driven by the
// script through the ids of its traces. F5 fits the axes to the data again. GUI thread only.
class TalvexPlotWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TalvexPlotWindow(QWidget* parent = nullptr);

    // A red trace without markers on the first left axis, unit "a.u."; returns its id.
    int addTrace(const QString& name);
    void removeTrace(int id);
    void setTraceColor(int id, const QColor& color);
    // Replaces the trace's points, draws them and fits the axes.
    void setTraceData(int id, const QVector<PlotPoint>& points);
    void setTraceName(int id, const QString& name);
    void setXLabel(const QString& label);
    void setYLabel(const QString& label);
    void showPlot();

    Plot* plot() const { return m_pPlot; }

public slots:
    void onSaveCSV();
    void onSavePNG();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* m_pPngButton;
    QPushButton* m_pCsvButton;
    Plot* m_pPlot;
};
