#include "SimBootloaderFirmware.h"

#include "SimBootloaderBoard.h"

namespace
{
enum Opcode : quint8
{
    ReadPage = 0x12,
    TargetInfo = 0x14,
    LoadInformationPage = 0x15,
    SecondaryStart = 0x19,
    SecondaryPage = 0x1A,
    SecondaryErase = 0x1B,
    SecondaryEnd = 0x1C
};

const quint8 s_notRecognised = 1;
}

SimBootloaderFirmware::SimBootloaderFirmware(SimBootloaderBoard* board,
    const boost::shared_ptr<SimIBoardFirmware>& firmware)
    : m_pBoard(board)
    , m_pFirmware(firmware)
{
}

SimIBoardFirmware::Reply SimBootloaderFirmware::handleCommand(quint8 opcode, const QVector<quint8>& payload)
{
    Reply reply;
    if (m_pBoard->isSilent(opcode))
    {
        reply.answered = false;
        return reply;
    }
    if (m_pBoard->refusesWithStatus(opcode, reply.status))
        return reply;

    switch (opcode)
    {
    case TargetInfo:
        reply.data = m_pBoard->targetInfo();
        return reply;
    case LoadInformationPage:
        m_readBuffer = m_pBoard->memory().getInformationPage();
        return reply;
    case ReadPage:
        reply.data = m_pBoard->pageReadReply(m_readBuffer);
        return reply;
    case SecondaryStart:
    case SecondaryPage:
    case SecondaryErase:
    case SecondaryEnd:
        if (m_pBoard->getMode() == SimBootloaderBoard::SecondaryUpdate)
            return handleSecondary(opcode, payload);
        break;
    default:
        break;
    }
    return m_pFirmware->handleCommand(opcode, payload);
}

SimIBoardFirmware::Reply SimBootloaderFirmware::handleSecondary(quint8 opcode, const QVector<quint8>& payload)
{
    SimBootloaderMemory& memory = m_pBoard->memory();
    const int pageSize = memory.getGeometry().secondaryPageSize;
    Reply reply;
    reply.status = s_notRecognised;
    if (opcode == SecondaryStart)
    {
        if (pageSize == 0 || !payload.isEmpty())
            return reply;
        m_secondaryStarted = true;
        reply.status = 0;
        reply.data = {quint8(pageSize), quint8(pageSize >> 8)};
        return reply;
    }
    if (!m_secondaryStarted)
        return reply;
    if (opcode == SecondaryEnd)
    {
        m_secondaryStarted = false;
        m_pBoard->switchMode(SimBootloaderBoard::Firmware);
        reply.status = 0;
        return reply;
    }
    if (payload.count() < 2)
        return reply;
    const int number = payload.at(0) | payload.at(1) << 8;
    // The power fails before the page is touched; the host hears nothing more.
    if (opcode == SecondaryPage && m_pBoard->cutsPowerAtSecondaryPage(number))
    {
        m_pBoard->powerCut();
        reply.answered = false;
        return reply;
    }
    const bool done = opcode == SecondaryErase
        ? payload.count() == 2 && memory.eraseSecondarySector(number)
        : memory.programSecondaryPage(number, payload.mid(2));
    if (done)
        reply.status = 0;
    return reply;
}

void SimBootloaderFirmware::powerOn()
{
    m_secondaryStarted = false;
    m_readBuffer.clear();
}

void SimBootloaderFirmware::advance(qint64 milliseconds)
{
    m_pFirmware->advance(milliseconds);
}

QVector<QVector<quint8>> SimBootloaderFirmware::takeStreamPackets()
{
    return m_pFirmware->takeStreamPackets();
}
