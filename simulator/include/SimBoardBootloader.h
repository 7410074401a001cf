#pragma once

#include "SimIBoardBootloader.h"

#include <QVector>

class SimBootloaderBoard;

// The program of a simulated board's bootloader: the numeric command set on the handshake
// protocol. It keeps one page buffer and one selected page.
//   0x03 raw          exit: start the firmware
//   0x07 raw          exit so that the firmware updates the secondary chip
//   0x0A raw, 36      write unlock code: writes are unlocked until the bootloader is left
//   0x10              erase the whole main flash
//   0x11, one page    fill the page buffer
//   0x12 -> page + 2  the read buffer and the trailer 0xFF 0xFF
//   0x13, 1 byte      select the main page the next 0x17 programs (2 bytes, high first, on a
//                     board with wide page numbers)
//   0x14 -> 2 or 4    target info: the page size high byte first, or 0xFF, the page size and
//                     the write-lock flag on a board that locks writes
//   0x15              load the information page into the read buffer
//   0x16              accepted, does nothing
//   0x17              program the page buffer into the selected page
//   0x18              program the page buffer as the information page
// Programming on a write-locked board before the unlock is refused with status 3; an unknown
// command, a page select beyond the flash, with status 1. This bootloader does not speak the
// letter command set.
class SimBoardBootloader : public SimIBoardBootloader
{
public:
    // The board owns its program.
    explicit SimBoardBootloader(SimBootloaderBoard* board);

    void setWidePageNumbers(bool wide) { m_widePageNumbers = wide; }

    Command beginCommand(quint8 command) override;
    Reply finishCommand(quint8 command, const QVector<quint8>& payload) override;

private:
    SimBootloaderBoard* m_pBoard;
    bool m_widePageNumbers = false;
    QVector<quint8> m_pageBuffer;
    QVector<quint8> m_readBuffer;
    int m_selectedPage = 0;
};
