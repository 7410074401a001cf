#pragma once

#include "TalvexDriverDescriptor.h"

#include <QTimer>
#include <QWidget>

class QCustomPlot;
class QLabel;
class USBConnectionState;

// The Home tab's supply monitor: while a supported board is connected it measures the supply
// once a second, straight on socket 0 of the open device, and shows voltage, current and power
// as texts and as two scrolling plots of at most 112 points. The Home tab calls start on a
// connect and stop on a disconnect; everything runs in the GUI thread.
class TalvexMotorSupplyWidget : public QWidget
{
    Q_OBJECT

public:
    static const int s_intervalMs = 1000;
    // The graphs keep this many points and then scroll.
    static const int s_pointCount = 112;

    TalvexMotorSupplyWidget(QWidget* parent, USBConnectionState* connectionState);

    // Sets the axes for the connected model and measures from an empty plot; a second start
    // only begins again.
    void start();
    void stop();

protected:
    void customEvent(QEvent* event) override;

private slots:
    void measureSupply();

private:
    // Up to the model's maximum supply voltage and current, with the model's tick steps.
    void setAxes(const TalvexDriverDescriptor& model);
    void clear();

    USBConnectionState* m_pConnectionState;
    QCustomPlot* m_pPlot;
    QLabel* m_pVoltageLabel;
    QLabel* m_pCurrentLabel;
    QLabel* m_pPowerLabel;
    QTimer m_timer;
    qint32 m_sampleCounter = 0;
    // The id of the measurement on its way; 0 when none is. A board that stops answering
    // gets no second one until the first has come back or timed out.
    int m_pendingId = 0;
};
