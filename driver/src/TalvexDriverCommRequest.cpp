#include "TalvexDriverCommRequest.h"

#include "USBByteHelpers.h"

#include <QHash>

namespace
{
typedef QHash<TalvexDriverDescriptor, QHash<int, quint8>> CommandMap;

quint8 opcodeOf(int action)
{
    return action <= TalvexDriverCommRequest::LowInductanceOff ? quint8(0x20 + action)
                                                               : quint8(0x40 + action - TalvexDriverCommRequest::MeasureSupply);
}

QHash<int, quint8> actionsOf(const QList<int>& missing)
{
    QHash<int, quint8> actions;
    for (int action = 0; action < TalvexDriverCommRequest::s_actionCount; ++action)
        if (!missing.contains(action))
            actions.insert(action, opcodeOf(action));
    return actions;
}

CommandMap buildCommandMap()
{
    typedef TalvexDriverCommRequest R;
    CommandMap map;
    map.insert(TalvexDriverDescriptor::s_model1_1, actionsOf({R::LowInductanceOn, R::LowInductanceOff, R::GetPWMSettings}));
    map.insert(TalvexDriverDescriptor::s_model1_2, actionsOf({R::GetPWMSettings}));
    map.insert(TalvexDriverDescriptor::s_model10_1, actionsOf({R::RelayOn, R::RelayOff}));
    map.insert(TalvexDriverDescriptor::s_model27_1, actionsOf({R::RelayOn, R::RelayOff}));
    return map;
}

// Built once, on first use, by whichever thread comes first; read-only afterwards.
const CommandMap& commandMap()
{
    static const CommandMap s_commandMap = buildCommandMap();
    return s_commandMap;
}
}

TalvexDriverCommRequest::TalvexDriverCommRequest(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion, int action)
    : m_action(action)
    , m_opcode(commandCode(descriptor, action))
    , m_expectedReplyLength(expectedReplyLength(descriptor, firmwareVersion, action))
    , m_supported(isSupported(descriptor, action))
{
}

void TalvexDriverCommRequest::setData(const QByteArray& data)
{
    m_payload = data;
}

USBResult TalvexDriverCommRequest::checkSupported() const
{
    if (m_supported)
        return USBResult();
    return USBResult(QStringLiteral("The command is not supported by the device"), 1);
}

quint8 TalvexDriverCommRequest::commandCode(const TalvexDriverDescriptor& descriptor, int action)
{
    return commandMap().value(descriptor).value(action, 0);
}

bool TalvexDriverCommRequest::isSupported(const TalvexDriverDescriptor& descriptor, int action)
{
    return commandMap().value(descriptor).contains(action);
}

int TalvexDriverCommRequest::expectedReplyLength(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion, int action)
{
    if (!isSupported(descriptor, action))
        return 0;
    const bool is10_1 = descriptor == TalvexDriverDescriptor::s_model10_1;
    const bool is27_1 = descriptor == TalvexDriverDescriptor::s_model27_1;
    const bool is1_1 = descriptor == TalvexDriverDescriptor::s_model1_1;
    const bool is1_2 = descriptor == TalvexDriverDescriptor::s_model1_2;
    switch (action)
    {
    case MeasureSupply:
        return is10_1 ? 9 : 10;
    case GetMotorState:
        return 14;
    case GetMotionConfiguration:
        return is1_1 ? 8 : 11;
    case GetMotorConfiguration:
        if (is1_1)
            return 10;
        if (is1_2)
            return firmwareVersion >= USBVersion(2, 1) ? 11 : 10;
        return 11;
    case GetInputConfiguration:
        if (is27_1)
            return 25;
        if (is10_1)
            return 19;
        if (is1_2)
            return firmwareVersion >= USBVersion(3, 0) ? 19 : 18;
        return 18;
    case GetSamplingConfiguration:
        return 6;
    case GetAdvancedMotorMoveConfiguration:
        return 11;
    case GetPWMSettings:
        return is27_1 ? 2 : 1;
    default:
        return 0;
    }
}

USBResult TalvexDriverCommRequest::statusResult(quint8 status)
{
    static const QHash<int, USBResult> s_results = {
        {1, USBResult(QStringLiteral("Instruction was not recognised by target device"), 2)},
        {2, USBResult(QStringLiteral("Target device is busy"), 2)},
        {100, USBResult(QStringLiteral("Motor is busy"), 2)},
        {101, USBResult(QStringLiteral("Motor is turned off"), 2)},
        {102, USBResult(QStringLiteral("Motor driver over-current (phase A)"), 2)},
        {103, USBResult(QStringLiteral("Motor driver over-current (phase B)"), 2)},
        {104, USBResult(QStringLiteral("Motor short-circuit"), 2)},
        {105, USBResult(QStringLiteral("Motor driver over-temperature"), 2)},
        {106, USBResult(QStringLiteral("Motor at start"), 2)},
        {107, USBResult(QStringLiteral("Motor at end"), 2)},
        {108, USBResult(QStringLiteral("Motor supply voltage too low or too high"), 2)},
        {109, USBResult(QStringLiteral("Both end limits are activated"), 2)},
        {110, USBResult(QStringLiteral("Measuring already in progress"), 2)},
        {200, USBResult(QStringLiteral("Some values for the motion configuration were out of range"), 1)},
        {201, USBResult(QStringLiteral("Some values for the motor supply configuration were out of range"), 1)},
        {202, USBResult(QStringLiteral("Some values for the interface configuration were out of range"), 1)},
    };
    static const QString s_corrupted = QStringLiteral("Instruction stream was corrupted (unexpected return value [%1])");
    if (status == 0)
        return USBResult();
    const auto found = s_results.constFind(status);
    if (found != s_results.constEnd())
        return found.value();
    return USBResult(s_corrupted.arg(status), 2);
}

bool TalvexDriverCommRequest::isRaw() const
{
    return false;
}

quint8 TalvexDriverCommRequest::getCommand() const
{
    return m_opcode;
}

QVector<quint8> TalvexDriverCommRequest::getPayload() const
{
    return byteArrayToBytes(m_payload);
}

USBResult TalvexDriverCommRequest::checkReply(quint8 status)
{
    // A request the model does not know never counts as done, whatever came back.
    if (!m_supported)
        return checkSupported();
    return statusResult(status);
}

int TalvexDriverCommRequest::getExpectedReturnDataCount() const
{
    return m_expectedReplyLength;
}
