#pragma once

#include "TalvexDriverDescriptor.h"
#include "USBDefaultCommRequest.h"
#include "USBVersion.h"

#include <QByteArray>

// One driver command: the opcode of an action in the board model's command map, its payload
// and the length of the reply data it expects.
class TalvexDriverCommRequest : public USBDefaultCommRequest
{
public:
    enum Action
    {
        SetMotionConfiguration = 0,
        SetMotorConfiguration = 1,
        Move = 2,
        SetInputConfiguration = 3,
        StartSampling = 4,
        SetPWM = 5,
        SetAdvancedMotorMoveConfiguration = 6,
        MotorOn = 7,
        MotorOff = 8,
        Stop = 9,
        ReducedHoldCurrentOn = 10,
        ReducedHoldCurrentOff = 11,
        RelayOn = 12,
        RelayOff = 13,
        StreamStart = 14,
        StopStreaming = 15,
        ZeroPosition = 16,
        ClearCounters = 17,
        MoveHome = 18,
        LowInductanceOn = 19,
        LowInductanceOff = 20,
        MeasureSupply = 21,
        GetMotorState = 22,
        GetMotionConfiguration = 23,
        GetMotorConfiguration = 24,
        GetInputConfiguration = 25,
        GetSamplingConfiguration = 26,
        GetAdvancedMotorMoveConfiguration = 27,
        GetPWMSettings = 28
    };
    static constexpr int s_actionCount = 29;

    TalvexDriverCommRequest(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion, int action);

    void setData(const QByteArray& data);
    int getAction() const { return m_action; }

    // Success when the model knows the action; otherwise the refusal to give the caller
    // instead of sending the request.
    USBResult checkSupported() const;

    // The opcode of the action in the model's map; 0 when the model lacks the action.
    static quint8 commandCode(const TalvexDriverDescriptor& descriptor, int action);
    static bool isSupported(const TalvexDriverDescriptor& descriptor, int action);
    // Reply data bytes after the status byte; 0 for a model or action without reply data.
    static int expectedReplyLength(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion,
        int action);
    // The result that a reply's status byte stands for.
    static USBResult statusResult(quint8 status);

    bool isRaw() const override;
    quint8 getCommand() const override;
    QVector<quint8> getPayload() const override;
    USBResult checkReply(quint8 status) override;
    int getExpectedReturnDataCount() const override;

private:
    QByteArray m_payload;
    int m_action;
    quint8 m_opcode;
    int m_expectedReplyLength;
    bool m_supported;
};
