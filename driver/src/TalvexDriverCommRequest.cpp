#include "TalvexDriverCommRequest.h"

#include "TalvexDriverBytes.h"
#include "TalvexDriverModel.h"

#include <QHash>

namespace
{
// The opcode of an action on every model that has it.
quint8 opcodeOf(int action)
{
    return action <= TalvexDriverCommRequest::LowInductanceOff ? quint8(0x20 + action)
                                                               : quint8(0x40 + action - TalvexDriverCommRequest::MeasureSupply);
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
    return isSupported(descriptor, action) ? opcodeOf(action) : 0;
}

bool TalvexDriverCommRequest::isSupported(const TalvexDriverDescriptor& descriptor, int action)
{
    return TalvexDriverModel::hasCommand(descriptor, action);
}

int TalvexDriverCommRequest::expectedReplyLength(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion, int action)
{
    return TalvexDriverModel::replyLength(descriptor, firmwareVersion, action);
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
