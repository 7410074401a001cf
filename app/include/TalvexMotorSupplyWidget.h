#pragma once

#include "TalvexMotorSupplyController.h"

#include <QWidget>

class QCustomPlot;
class QLabel;
class USBConnectionState;

// The Home tab's supply monitor: while a supported board is connected it shows the supply
// voltage, current and power that its controller measures once a second, as texts and as two
// scrolling plots of at most 112 points. The Home tab calls start on a connect and stop on a
// disconnect; everything runs in the GUI thread.
class TalvexMotorSupplyWidget : public QWidget
{
    Q_OBJECT

public:
    // The graphs keep this many points and then scroll.
    static const int s_pointCount = 112;

    TalvexMotorSupplyWidget(QWidget* parent, USBConnectionState* connectionState);

    // Sets the axes for the connected model and measures from an empty plot; a second start
    // only begins again.
    void start();
    void stop();

private slots:
    void measureSupply();
    void showMeasurement(const TalvexDriverMeasurement& measurement, const TalvexDriverDescriptor& model);

private:
    void setAxes(const TalvexMotorSupplyController::Axes& axes);
    void clear();

    TalvexMotorSupplyController* m_pController;
    QCustomPlot* m_pPlot;
    QLabel* m_pVoltageLabel;
    QLabel* m_pCurrentLabel;
    QLabel* m_pPowerLabel;
    qint32 m_sampleCounter = 0;
};
