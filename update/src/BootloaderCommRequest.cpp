#include "BootloaderCommRequest.h"

#include "USBISocket.h"

#include <QHash>

namespace
{
typedef QHash<int, QHash<int, quint8>> OpcodeTable;

// Built on first use and kept; a (version, command) pair without an entry has opcode 0x00.
const OpcodeTable& opcodeTable()
{
    static const OpcodeTable s_table = {
        {0, {{0, 0x00}, {1, 0x00}, {2, 'E'}, {4, '*'}, {5, 0x00}, {6, 'C'}, {7, 'D'}, {8, 'd'}, {9, 'P'},
                {10, 'p'}, {11, 's'}, {12, 'a'}, {13, 'A'}, {14, 'S'}, {15, 0x00}, {16, 0x00}}},
        {1, {{0, 0x02}, {1, 0x09}, {2, 0x03}, {3, 0x07}, {4, 0x04}, {5, 0x08}, {6, 0x10}, {7, 0x11}, {8, 0x12},
                {9, 0x13}, {10, 0x14}, {11, 0x15}, {12, 0x16}, {13, 0x17}, {14, 0x18}, {15, 0x06}, {16, 0x0A},
                {17, 0x19}, {18, 0x1A}, {19, 0x1B}, {20, 0x1C}}},
    };
    return s_table;
}

const quint8 s_filler = 0xFF;
const quint8 s_longTargetInfoMarker = 0xFF;
}

BootloaderCommRequest::BootloaderCommRequest(int protocolVersion, int command, int pageSize)
    : m_opcode(opcode(protocolVersion, command))
    , m_command(command)
    , m_protocolVersion(protocolVersion)
    , m_pageSize(pageSize)
    , m_id(nextCommRequestId())
{
}

quint8 BootloaderCommRequest::opcode(int protocolVersion, int command)
{
    return opcodeTable().value(protocolVersion).value(command, 0x00);
}

USBResult BootloaderCommRequest::resultFromStatus(quint8 status)
{
    static const QString s_corrupted = QStringLiteral("Instruction stream was corrupted (unexpected return value [%1])");
    switch (status)
    {
    case 0:
    case 91:
    case 92:
        return USBResult();
    case 1:
        return USBResult(QStringLiteral("Instruction was not recognised by target device"), 2);
    case 2:
        return USBResult(QStringLiteral("Target device is busy"), 2);
    case 3:
        return USBResult(QStringLiteral("Device was not unlocked for write"), 2);
    default:
        return USBResult(s_corrupted.arg(status), 2);
    }
}

void BootloaderCommRequest::setRequestData(const QVector<quint8>& data)
{
    m_requestData = data;
}

bool BootloaderCommRequest::hasPageTrailer() const
{
    return m_pageSize != 0 && m_receivedData.count() == m_pageSize + 2 && m_receivedData.at(m_pageSize) == s_filler
        && m_receivedData.at(m_pageSize + 1) == s_filler;
}

bool BootloaderCommRequest::isRaw() const
{
    if (m_protocolVersion != 1)
        return false;
    switch (m_command)
    {
    case 0:
    case 1:
    case Exit:
    case ExitToSecondary:
    case Enter:
    case 5:
    case EntryUnlock:
    case WriteUnlock:
        return true;
    default:
        return false;
    }
}

quint8 BootloaderCommRequest::getCommand() const
{
    return m_opcode;
}

QVector<quint8> BootloaderCommRequest::getPayload() const
{
    return m_requestData;
}

bool BootloaderCommRequest::acceptsPacket(int id) const
{
    return id == m_command;
}

void BootloaderCommRequest::setReplyData(const QVector<quint8>& data)
{
    m_receivedData = data;
}

QVector<quint8> BootloaderCommRequest::getReplyData() const
{
    if (m_pageSize != 0)
        return m_receivedData.mid(0, m_pageSize);
    return m_receivedData;
}

USBResult BootloaderCommRequest::checkReply(quint8 status)
{
    return resultFromStatus(status);
}

int BootloaderCommRequest::getExpectedReturnDataCount() const
{
    if (m_command == ReadPage)
        return m_pageSize + 2;
    if (m_command == SecondaryStart)
        return 2;
    return 0;
}

bool BootloaderCommRequest::parsesReply() const
{
    return m_command == TargetInfo;
}

USBResult BootloaderCommRequest::processReply(const QVector<quint8>& data)
{
    if (m_command == TargetInfo)
        m_receivedData = data;
    return USBResult();
}

USBResult BootloaderCommRequest::readReply(const boost::shared_ptr<USBISocket>& socket)
{
    if (m_command != TargetInfo)
        return USBResult();
    const QVector<quint8> head = socket->read(2);
    m_receivedData += head;
    if (head.at(0) == s_longTargetInfoMarker)
        m_receivedData += socket->read(2);
    return USBResult();
}

int BootloaderCommRequest::getId() const
{
    return m_id;
}

void BootloaderCommRequest::setResult(const USBResult& result)
{
    m_result = result;
    m_done = true;
}

bool BootloaderCommRequest::isDone() const
{
    return m_done;
}

USBResult BootloaderCommRequest::getResult() const
{
    return m_result;
}
