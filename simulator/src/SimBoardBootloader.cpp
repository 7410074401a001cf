#include "SimBoardBootloader.h"

#include "SimBootloaderBoard.h"

namespace
{
enum Opcode : quint8
{
    Exit = 0x03,
    ExitToSecondary = 0x07,
    WriteUnlock = 0x0A,
    Erase = 0x10,
    PageData = 0x11,
    ReadPage = 0x12,
    SelectPage = 0x13,
    TargetInfo = 0x14,
    LoadInformationPage = 0x15,
    NoOperation = 0x16,
    ProgramPage = 0x17,
    ProgramInformationPage = 0x18
};

const quint8 s_notRecognised = 1;
const quint8 s_notUnlocked = 3;
const int s_unlockCodeLength = 36;
}

SimBoardBootloader::SimBoardBootloader(SimBootloaderBoard* board)
    : m_pBoard(board)
{
}

SimIBoardBootloader::Command SimBoardBootloader::beginCommand(quint8 command)
{
    Command answer;
    const SimBootloaderMemory::Geometry& geometry = m_pBoard->memory().getGeometry();
    quint8 status = 0;
    if (m_pBoard->isSilent(command))
    {
        m_pBoard->log(command, QVector<quint8>());
        answer.answered = false;
        return answer;
    }
    if (m_pBoard->refusesWithStatus(command, status))
    {
        m_pBoard->log(command, QVector<quint8>());
        answer.accepted = false;
        answer.acknowledge = status;
        return answer;
    }

    switch (command)
    {
    case Exit:
    case ExitToSecondary:
        answer.raw = true;
        return answer;
    case WriteUnlock:
        answer.raw = true;
        answer.payloadLength = s_unlockCodeLength;
        return answer;
    case PageData:
        answer.payloadLength = geometry.pageSize;
        return answer;
    case SelectPage:
        answer.payloadLength = m_widePageNumbers ? 2 : 1;
        return answer;
    case ProgramPage:
    case ProgramInformationPage:
        if (geometry.writeLock && !m_pBoard->isWriteUnlocked())
        {
            m_pBoard->log(command, QVector<quint8>());
            answer.accepted = false;
            answer.acknowledge = s_notUnlocked;
            return answer;
        }
        // The power fails before the page is touched; the host hears nothing more.
        if (command == ProgramPage && m_pBoard->cutsPowerAt(m_selectedPage))
        {
            m_pBoard->log(command, QVector<quint8>());
            m_pBoard->powerCut();
            answer.answered = false;
        }
        return answer;
    case Erase:
    case ReadPage:
    case TargetInfo:
    case LoadInformationPage:
    case NoOperation:
        return answer;
    default:
        m_pBoard->log(command, QVector<quint8>());
        answer.accepted = false;
        answer.acknowledge = s_notRecognised;
        return answer;
    }
}

SimIBoardBootloader::Reply SimBoardBootloader::finishCommand(quint8 command, const QVector<quint8>& payload)
{
    m_pBoard->log(command, payload);
    SimBootloaderMemory& memory = m_pBoard->memory();
    Reply reply;
    switch (command)
    {
    case Exit:
        m_pBoard->setFirmwareComplete(true);
        m_pBoard->switchMode(SimBootloaderBoard::Firmware);
        break;
    case ExitToSecondary:
        m_pBoard->setFirmwareComplete(true);
        m_pBoard->switchMode(SimBootloaderBoard::SecondaryUpdate);
        break;
    case WriteUnlock:
        m_pBoard->setWriteUnlocked(payload == SimBootloaderBoard::writeUnlockCode());
        break;
    case Erase:
        memory.eraseFlash();
        m_pBoard->setFirmwareComplete(false);
        break;
    case PageData:
        m_pageBuffer = payload;
        break;
    case ReadPage:
        reply.data = m_pBoard->pageReadReply(m_readBuffer);
        break;
    case SelectPage:
    {
        const int page = payload.count() == 2 ? payload.at(0) << 8 | payload.at(1) : payload.at(0);
        if (page < memory.getGeometry().pageCount)
            m_selectedPage = page;
        else
            reply.acknowledge = s_notRecognised;
        break;
    }
    case TargetInfo:
        reply.data = m_pBoard->targetInfo();
        break;
    case LoadInformationPage:
        m_readBuffer = memory.getInformationPage();
        break;
    case ProgramPage:
        memory.programPage(m_selectedPage, m_pageBuffer);
        break;
    case ProgramInformationPage:
        memory.setInformationPage(m_pageBuffer);
        break;
    default:
        break;
    }
    return reply;
}
