#pragma once

#include "TalvexDriverAdvancedMotorMoveConfiguration.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorInfo.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexDriverSamplingConfiguration.h"
#include "TalvexGlobalSettings.h"
#include "TalvexPlotSettings.h"
#include "TalvexSODocument.h"

#include <QDataStream>
#include <QObject>

class TalvexRequestDispatcher;

// The device configuration document: one object of every driver configuration, the last move
// record, the motor state, the plot and global settings, the PWM settings and a stand-alone
// operation document. The tabs, the scripts and the dispatcher share it. It is stored as a
// ".tcf" data stream and knows the request sequences that read the board's state into it and
// upload its configuration to the board. GUI thread only.
class TalvexDocument : public QObject
{
    Q_OBJECT

public:
    // Loads the global settings from the per-user store.
    TalvexDocument();
    ~TalvexDocument() override;

    // Assigns the motion, motor and sampling configurations, the move record, the input
    // configuration, the plot and global settings and the stand-alone-operation document; the
    // advanced move configuration, the PWM settings and the motor state stay.
    TalvexDocument& operator=(const TalvexDocument& other);

    TalvexDriverMotionConfiguration* motionConfiguration() { return &m_motionConfiguration; }
    TalvexDriverMotorConfiguration* motorConfiguration() { return &m_motorConfiguration; }
    TalvexDriverSamplingConfiguration* samplingConfiguration() { return &m_samplingConfiguration; }
    TalvexDriverAdvancedMotorMoveConfiguration* advancedMotorMoveConfiguration()
    {
        return &m_advancedMotorMoveConfiguration;
    }
    TalvexDriverInputConfiguration* inputConfiguration() { return &m_inputConfiguration; }
    TalvexPlotSettings* plotSettings() { return &m_plotSettings; }
    TalvexGlobalSettings* globalSettings() { return &m_globalSettings; }
    TalvexDriverPWMSettings* pwmSettings() { return &m_pwmSettings; }
    TalvexDriverMotorInfo* motorInfo() { return &m_motorInfo; }
    TalvexSODocument* soDocument() { return &m_soDocument; }

    void writeTo(QDataStream& out) const;
    // Reads a ".tcf" stream of file version 1 or 2. Throws StreamableUnexpectedContentsException
    // (not a configuration file, truncated data) or StreamableVersionException and then leaves
    // the document as it was.
    void readFrom(QDataStream& in);

    // Queue the requests only; the dispatcher stores the replies.
    void readDeviceState(TalvexRequestDispatcher* dispatcher, QObject* requester);
    void uploadToDevice(TalvexRequestDispatcher* dispatcher, QObject* requester);

private:
    TalvexDriverMotionConfiguration m_motionConfiguration;
    TalvexDriverMotorConfiguration m_motorConfiguration;
    TalvexDriverSamplingConfiguration m_samplingConfiguration;
    TalvexDriverMotorMoveConfiguration m_moveConfiguration;
    TalvexDriverAdvancedMotorMoveConfiguration m_advancedMotorMoveConfiguration;
    TalvexDriverInputConfiguration m_inputConfiguration;
    TalvexPlotSettings m_plotSettings;
    TalvexGlobalSettings m_globalSettings;
    TalvexDriverPWMSettings m_pwmSettings;
    TalvexDriverMotorInfo m_motorInfo;
    TalvexSODocument m_soDocument;
};

QDataStream& operator<<(QDataStream& out, const TalvexDocument& document);
QDataStream& operator>>(QDataStream& in, TalvexDocument& document);
