#pragma once

#include "TalvexDriverDescriptor.h"
#include "TalvexDriverMeasurement.h"

#include <QObject>
#include <QTimer>
#include <optional>

class USBConnectionState;

// The supply monitor's rules, free of widgets: the measurement asked for once a second while a
// board is connected, and the scale of the plot's axes per model. The measurement goes straight
// on socket 0 of the open board, not through the request dispatcher, and its reply comes back
// to this object: a failed one changes nothing and reports nothing, the next tick tries again.
// The Home tab's supply widget builds it, forwards start, stop and its ticks, and shows what it
// answers and emits. GUI thread only; the protocol thread posts the replies.
class TalvexMotorSupplyController : public QObject
{
    Q_OBJECT

public:
    static const int s_intervalMs = 1000;

    // Ranges from 0 and tick steps, in volts and amperes.
    struct Axes
    {
        double volts;
        double voltStep;
        double amperes;
        double ampereStep;
    };

    // parent owns this.
    TalvexMotorSupplyController(USBConnectionState* connectionState, QObject* parent);

    // When the plot is built: the axes for the model the connection state reports, up to its
    // maximum supply voltage and current with round steps on its scale; before a board is
    // connected, and for a model the studio does not know, those of any other model.
    Axes axes() const;

    // When a board of a supported model has connected: measures once a second from then on; a
    // measurement still out is forgotten. Answers the connected model's axes; none for a model
    // the studio does not know, whose plot keeps the axes it has.
    std::optional<Axes> start();
    // When the board has disconnected.
    void stop();
    // At each tick: asks for one measurement, unless one is still out (a board that stops
    // answering gets no second one until the first has come back or timed out) or no board is
    // open.
    void measure();

signals:
    // A measurement came back from a board of the model.
    void measured(const TalvexDriverMeasurement& measurement, const TalvexDriverDescriptor& model);

protected:
    void customEvent(QEvent* event) override;

private:
    // The model the connection state reports.
    TalvexDriverDescriptor model() const;

    USBConnectionState* m_pConnectionState;
    QTimer m_timer;
    // The id of the measurement on its way; 0 when none is.
    int m_pendingId = 0;
};
