#pragma once

#include "SimIBoardFirmware.h"

#include <boost/shared_ptr.hpp>

class SimBootloaderBoard;

// The firmware of a simulated board with a bootloader, on the packet protocol: the bootloader's
// queries a running firmware answers (0x14 target info, 0x15 load the information page, 0x12
// read it with its trailer), the secondary chip's commands while the board is in its secondary
// update (0x19 start, answered by the chip's page size, little-endian; 0x1A page number, little
// endian, and one page; 0x1B sector number; 0x1C end), and every other command passed to the
// board's driver firmware. A secondary command out of its mode, before 0x19, of the wrong
// length or beyond the chip is refused with status 1.
class SimBootloaderFirmware : public SimIBoardFirmware
{
public:
    SimBootloaderFirmware(SimBootloaderBoard* board, const boost::shared_ptr<SimIBoardFirmware>& firmware);

    Reply handleCommand(quint8 opcode, const QVector<quint8>& payload) override;
    void advance(qint64 milliseconds) override;
    QVector<QVector<quint8>> takeStreamPackets() override;
    // Starts afresh: a secondary update the power cut ended is gone.
    void powerOn();

private:
    Reply handleSecondary(quint8 opcode, const QVector<quint8>& payload);

    SimBootloaderBoard* m_pBoard;
    boost::shared_ptr<SimIBoardFirmware> m_pFirmware;
    QVector<quint8> m_readBuffer;
    bool m_secondaryStarted = false;
};
