#pragma once

#include "SimBootloaderMemory.h"
#include "SimIBoardFirmware.h"
#include "SimIChannelEndpoint.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVector>
#include <boost/shared_ptr.hpp>

class QThread;
class SimBoardBootloader;
class SimBoardFraming;
class SimBootloaderFirmware;
class SimFtdiChip;

// A simulated board with its bootloader, on the command channel of a chip: the board side of
// every mode a firmware update goes through.
// - Firmware: the packet protocol, answered by the board's firmware (given) and, for the
//   bootloader's queries (target info 0x14, information page select 0x15 and read 0x12), by the
//   board itself. Raw bytes between frames: 0x06 and the 36-byte entry unlock code opens the
//   entry; 0x04 then starts the bootloader (a wrong code closes the entry again).
// - Bootloader: the handshake protocol, see SimBoardBootloader.
// - Secondary update: the firmware again, which now also takes the secondary chip's commands
//   (0x19 start, 0x1A page, 0x1B sector erase, 0x1C end, back to Firmware).
// The chip stays listed with the same serial number through every mode change and its USB
// handles stay valid. The memories (SimBootloaderMemory) belong to the board.
//
// A slow board (setReplyDelay) answers every write late, in every mode, on the bus's clock.
//
// A power cut unplugs the chip; powerOn() plugs it back and starts the board: in its bootloader
// when the main flash was erased and not finished by the exit command, else in its firmware,
// which has forgotten any secondary update it was in.
//
// Every method is called with the bus lock held, or takes it.
class SimBootloaderBoard : public SimIChannelEndpoint
{
public:
    enum Mode
    {
        Firmware,
        Bootloader,
        SecondaryUpdate
    };

    // serialNumber "VTAH" + product code (3 digits) + revision (2) + unit: the model, whose
    // geometry the memories take. The information page starts as layout 2 with that serial
    // number and the given firmware version.
    static boost::shared_ptr<SimBootloaderBoard> plugInto(SimFtdiChip& chip, int channelIndex,
        const boost::shared_ptr<SimIBoardFirmware>& firmware, const QString& serialNumber, int firmwareMajor,
        int firmwareMinor);
    ~SimBootloaderBoard() override;

    void hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes) override;
    void advance(SimFtdiChannel& channel, qint64 milliseconds) override;

    Mode getMode() const;
    SimBootloaderMemory getMemory() const;
    // Every command received in any mode, oldest first: its opcode followed by its payload.
    QList<QVector<quint8>> getCommandLog() const;
    // The thread of every write the host made, oldest first: the host's USB calls run in the
    // thread that makes them.
    QList<QThread*> getWriterThreads() const;
    // Empties the command log and the writer threads.
    void clearCommandLog();
    // Every reply leaves this many milliseconds of the bus's clock after the write it answers;
    // 0 (the default) answers before the host's write returns.
    void setReplyDelay(qint64 milliseconds);

    // Faults, per opcode of the mode the command arrives in: a refusal with that status byte
    // (the acknowledge of a handshake command, the reply status of a framed one); silence.
    void setStatusFault(quint8 opcode, quint8 status);
    void setSilentFault(quint8 opcode);
    // The information page read loses its 0xFF trailer.
    void setCorruptInformationPage(bool corrupt);
    // Power fails when the bootloader is told to program main page k (once).
    void setPowerCutAtPage(int page);
    // Power fails when the secondary update is told to program page k of the secondary chip,
    // counted on the chip (once).
    void setPowerCutAtSecondaryPage(int page);
    void clearFaults();
    void powerOn();
    // A page as the factory may have left it (blank, or of another layout).
    void setInformationPage(const QVector<quint8>& page);

    // For the board's two programs.
    SimBootloaderMemory& memory() { return m_memory; }
    void log(quint8 opcode, const QVector<quint8>& payload);
    // True (status set) when a fault refuses the opcode.
    bool refusesWithStatus(quint8 opcode, quint8& status) const;
    bool isSilent(quint8 opcode) const;
    bool isInformationPageCorrupt() const { return m_corruptInformationPage; }
    bool cutsPowerAt(int page);
    bool cutsPowerAtSecondaryPage(int page);
    void powerCut();
    // The switch happens once the bytes being handled are done.
    void switchMode(Mode mode);
    bool isWriteUnlocked() const { return m_writeUnlocked; }
    void setWriteUnlocked(bool unlocked) { m_writeUnlocked = unlocked; }
    void setFirmwareComplete(bool complete) { m_firmwareComplete = complete; }
    static QVector<quint8> writeUnlockCode();
    // The target info reply: the page size high byte first, or 0xFF, the page size and the
    // write-lock flag on a board that locks writes.
    QVector<quint8> targetInfo() const;
    // A page read's reply: the page (a blank one when none was loaded) and the trailer 0xFF 0xFF
    // (0xFF 0x00 when corrupted).
    QVector<quint8> pageReadReply(const QVector<quint8>& page) const;

private:
    SimBootloaderBoard(SimFtdiChip& chip, const boost::shared_ptr<SimIBoardFirmware>& firmware,
        const QString& serialNumber, int firmwareMajor, int firmwareMinor);

    void start(Mode mode);
    // What the host wrote, to the program of the current mode.
    void takeBytes(SimFtdiChannel& channel, const QVector<quint8>& bytes);
    // Firmware and secondary update: frames go to the packet framing whole, raw bytes between
    // them to the entry; false when more bytes are needed.
    bool takeFirmwareBytes(SimFtdiChannel& channel);
    void applyModeSwitch();

    SimFtdiChip& m_chip;
    SimBootloaderMemory m_memory;
    boost::shared_ptr<SimBoardBootloader> m_pBootloader;
    boost::shared_ptr<SimBootloaderFirmware> m_pFirmware;
    boost::shared_ptr<SimBoardFraming> m_pFraming;
    qint64 m_replyDelay = 0;
    Mode m_mode = Firmware;
    Mode m_nextMode = Firmware;
    bool m_switching = false;
    QVector<quint8> m_pending;
    bool m_entryOpen = false;
    bool m_writeUnlocked = false;
    bool m_firmwareComplete = true;
    QList<QVector<quint8>> m_log;
    QList<QThread*> m_writers;
    QHash<quint8, quint8> m_statusFaults;
    QSet<quint8> m_silentFaults;
    bool m_corruptInformationPage = false;
    int m_powerCutPage = -1;
    int m_secondaryPowerCutPage = -1;
};
