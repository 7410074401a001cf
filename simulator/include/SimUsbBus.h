#pragma once

#include "USBFtdiDeviceListNode.h"

#include <QElapsedTimer>
#include <QRecursiveMutex>
#include <QStringList>
#include <QVector>
#include <memory>
#include <vector>

class SimFtdiApi;
class SimFtdiChannel;
class SimFtdiChip;
class USBIFtdiApi;

// The simulated USB bus: the process-wide set of simulated FTDI chips behind the "simulator"
// FTDI back-end (TALVEX_USB_BACKEND=simulator). There is at most one; main owns it (see
// SimUsbBackend) and instance() reaches it while it lives.
//
// Tests call reset() first, then add chips (addChip), plug a board-side endpoint into a channel
// (chip.getChannel(i).setEndpoint(...), see SimIChannelEndpoint) and step the clock. The device
// list is the listed channels of the plugged chips in the order the chips were added (channel A
// before B); a node's position is the device index the host opens.
//
// Time. The bus has a clock in milliseconds. In manual mode (after reset()) it moves only when a
// test calls advance(), when the host pauses (pause(10) after a bit-mode change) or when a host
// read waits: a read that lacks bytes steps the clock one millisecond at a time (endpoints get
// advance() each step) until the bytes are there or the channel's read time-out has passed on
// the simulated clock, then returns what it has; nothing sleeps. A freshly opened channel has
// the library's default time-outs (s_defaultTimeout); a read time-out of 0 returns at once. The
// clock is the bus's: a read waiting on one channel moves the time of every endpoint. In
// real-time mode (the default of a fresh bus, as the studio uses it) the clock follows the wall
// clock, every call first catches up with it, and a waiting read really sleeps, 1 ms at a time,
// with the bus unlocked.
//
// Call log. Every library call except the transfer calls (read, write, queue and status
// queries) is logged as "name(arg, ...)" with its decimal arguments, e.g. "setBitMode(255, 64)",
// "pause(10)"; EEPROM calls log the form version ("readEeprom(3)", "readEepromX(56)").
//
// Faults. failCallAt(k, status): the k-th logged call from now (0-based, pauses not counted)
// answers status and does nothing else (a failed close still releases its handle). Unplugging
// and short transfers: see SimFtdiChip and SimFtdiChannel.
class SimUsbBus
{
public:
    static constexpr quint32 s_defaultTimeout = 300;

    SimUsbBus();
    ~SimUsbBus();
    SimUsbBus(const SimUsbBus&) = delete;
    SimUsbBus& operator=(const SimUsbBus&) = delete;

    static SimUsbBus& instance();

    // No chips, empty log, no faults, clock at 0 in manual mode. Open handles become invalid.
    void reset();

    // A chip with a programmed EEPROM: factory USB id and description of its type, the given
    // serial number, manufacturer "FTDI"/"FT", 100 mA, bus powered. Valid until reset or removal.
    SimFtdiChip& addChip(int chipType, const QByteArray& serialNumber, quint32 locationId);
    void removeChip(SimFtdiChip& chip);
    QVector<USBFtdiDeviceListNode> getNodes() const;
    // The channel behind a device index of the current list, or null.
    SimFtdiChannel* getChannel(int deviceIndex) const;

    qint64 getTime() const;
    void advance(qint64 milliseconds);
    void setRealTime(bool on);

    QStringList getCallLog() const;
    void clearCallLog();
    void failCallAt(int step, int status);

    int getOpenHandleCount() const;

    USBIFtdiApi& getApi();
    QRecursiveMutex& getMutex() const { return m_mutex; }

private:
    friend class SimFtdiApi;

    QVector<SimFtdiChannel*> listedChannels() const;
    void step(qint64 milliseconds);
    void syncRealTime();
    // Logs the call; answers the injected status when this is the failing step, else Ok.
    int logCall(const QString& entry);

    mutable QRecursiveMutex m_mutex;
    std::vector<std::unique_ptr<SimFtdiChip>> m_chips;
    std::unique_ptr<SimFtdiApi> m_pApi;
    qint64 m_time = 0;
    bool m_realTime = true;
    QElapsedTimer m_wallClock;
    qint64 m_wallClockBase = 0;
    QStringList m_callLog;
    int m_failStep = -1;
    int m_failStatus = 0;
};
