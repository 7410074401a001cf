#pragma once

#include "TalvexDriverCommands.h"
#include "TalvexDriverMotorInfo.h"
#include "TalvexRequestDispatcher.h"
#include "USBResult.h"

#include <QObject>
#include <QTimer>
#include <QVector>
#include <boost/shared_ptr.hpp>

class TalvexDocument;
class TalvexDriverAdvancedMotorMoveConfiguration;

// The Motion tab's rules, free of widgets: the motor state poll, what may be sent when, the
// moves built from the move settings and the failures of its own requests. The tab builds it
// with itself as the requester, forwards each user action to the call named after it, shows
// what it answers and emits, and tells it when the document goes. GUI thread only.
class TalvexMotionController : public QObject, public TalvexRequestDispatcher::IResultObserver
{
    Q_OBJECT

public:
    enum MoveMode
    {
        Continuous = 0,
        Relative = 1,
        Absolute = 2,
        BackAndForth = 3
    };

    // The move settings as the user has them when a move button is pressed.
    struct MoveSettings
    {
        int mode = Continuous;
        // Steps (or the position) in the micro-step mode below; the fraction is dropped.
        double steps = 0.0;
        // The micro-step factor that the settings count in.
        double microStepFactor = 1.0;
    };

    // What the user may do in a motor state.
    struct Controls
    {
        bool power = false;
        bool home = false;
        bool backward = false;
        bool forward = false;
        bool stop = false;
        bool clearError = false;
        // Whether the state is one of known meaning, whose settings rules apply.
        bool known = false;
        bool moving = false;
    };

    // requester: whose requests the dispatcher keeps in flight (the tab); parent owns this.
    TalvexMotionController(TalvexDocument* document, const boost::shared_ptr<TalvexRequestDispatcher>& dispatcher,
        QObject* requester, QObject* parent);
    ~TalvexMotionController() override;

    // When the board has connected: the motor state is asked for every 200 ms from then on.
    void startMotorStatePolling();
    // At each tick of the poll.
    void pollMotorState();
    // When the document goes before the tab (the main window closing): nothing reads it again.
    void forgetDocument();

    // When the document's motor info changed: what the user may do now, with the move mode
    // the settings show.
    Controls motorStateChanged(const TalvexDriverMotorInfo& info, int moveMode);
    // The last reported position in the micro-step mode the settings count in.
    double settingsPosition(double microStepFactor) const;

    // The user's actions, each when its button is pressed or its setting edited.
    void togglePower();
    void clearError();
    // Refused, with moveRefused, when the settings give no move to send.
    void move(int direction, const MoveSettings& settings);
    void stop();
    // Refused, with moveHomeRefused, when no input is wired to the home limit.
    void moveHome();
    // After the user confirmed it.
    void zeroPosition();
    void setReducedHoldCurrent(bool on);
    // Sent only to a model and firmware with the setting.
    void setLowInductance(bool on);
    void uploadMotorConfiguration();
    void uploadMotionConfiguration();
    // After the user accepted the dialog: stored in the document and sent.
    void uploadAdvancedMoveConfiguration(const TalvexDriverAdvancedMotorMoveConfiguration& configuration);

    void reportFailure(const USBResult& result) override;

signals:
    // A failure of one of this controller's requests, refused or answered.
    void statusMessage(const USBResult& result);
    // The step count (or position) gives no move; message says why.
    void moveRefused(const QString& message);
    void moveHomeRefused(const QString& message);

private:
    // Keeps the request a command queued, so that its failure is reported; a refusal is
    // reported at once.
    void keep(const USBResult& queued);
    // The move of the settings, or the reason why there is none.
    QString buildMove(int direction, const MoveSettings& settings, TalvexDriverMotorMoveConfiguration& move) const;

    TalvexDocument* m_pDocument;
    boost::shared_ptr<TalvexRequestDispatcher> m_pDispatcher;
    TalvexDriverCommands m_commands;
    TalvexDriverMotorInfo m_lastMotorInfo;
    QTimer m_pollTimer;
    bool m_motorOff = false;
    // This controller's requests in flight, so it knows which failures the dispatcher reports
    // are its own.
    QVector<boost::shared_ptr<TalvexDriverCommRequest>> m_requests;
};
