#pragma once

#include "USBIFtdiApi.h"

#include <QHash>
#include <QString>
#include <functional>

class SimFtdiChannel;
class SimFtdiChip;
class SimUsbBus;

// The "simulator" FTDI back-end: the library calls acted out on the chips of a SimUsbBus.
//
// Where the real library leaves things open, the simulated chip behaves like this:
// - Opening a channel that is open already answers "Device not opened" (3); open handles of a
//   removed chip are invalid (1), those of an unplugged chip answer 4 to all but close.
// - A form whose signatures are not 0/0xFFFFFFFF, whose version is below what the chip needs
//   (2 FT232R, 3 FT2232H, 5 FT232H) or whose header type is not 9 (extended form) answers 6;
//   the program-data form on an FT-X chip and the extended form on any other chip answer 17.
// - Baud rate 0 answers 7; every other configuration value is accepted and only logged.
// - Transfers: see SimUsbBus (time) and SimFtdiChannel (pipes, short transfers). The transmit
//   queue is always empty and the event status 0.
class SimFtdiApi : public USBIFtdiApi
{
public:
    explicit SimFtdiApi(SimUsbBus* bus);

    int createDeviceInfoList(quint32& count) override;
    int getDeviceInfoList(QVector<USBFtdiDeviceListNode>& nodes) override;
    int open(int deviceIndex, Handle& handle) override;
    int close(Handle handle) override;
    int getDeviceInfo(Handle handle, int& chipType, quint32& usbId, QByteArray& serialNumber,
                      QByteArray& description) override;
    int readEeprom(Handle handle, USBFtdiProgramData& data) override;
    int programEeprom(Handle handle, const USBFtdiProgramData& data) override;
    int readEepromX(Handle handle, USBFtdiXSeriesEeprom& data) override;
    int programEepromX(Handle handle, const USBFtdiXSeriesEeprom& data) override;
    int resetPort(Handle handle) override;
    int setBaudRate(Handle handle, quint32 baudRate) override;
    int setDataCharacteristics(Handle handle, quint8 wordLength, quint8 stopBits, quint8 parity) override;
    int setFlowControl(Handle handle, quint16 flowControl, quint8 xon, quint8 xoff) override;
    int setLatencyTimer(Handle handle, quint8 milliseconds) override;
    int setBitMode(Handle handle, quint8 mask, quint8 mode) override;
    int setUSBParameters(Handle handle, quint32 inTransferSize, quint32 outTransferSize) override;
    int purge(Handle handle, quint32 mask) override;
    int setTimeouts(Handle handle, quint32 readMilliseconds, quint32 writeMilliseconds) override;
    int getQueueStatus(Handle handle, quint32& rxCount) override;
    int getStatus(Handle handle, quint32& rxCount, quint32& txCount, quint32& eventStatus) override;
    int read(Handle handle, quint8* buffer, quint32 count, quint32& bytesRead) override;
    int write(Handle handle, const quint8* buffer, quint32 count, quint32& bytesWritten) override;
    void pause(int milliseconds) override;

    // The bus drops the handles of chips that go away.
    void dropHandles(const SimFtdiChip* chip);
    int getOpenHandleCount() const { return m_handles.count(); }

private:
    struct HandleState
    {
        SimFtdiChannel* channel;
        int generation;
    };

    // Finds the channel of a live handle; answers 1 for an unknown handle, 4 for a chip that was
    // unplugged since the handle was opened.
    int lookup(Handle handle, SimFtdiChannel*& channel) const;
    // A logged call on a handle: the injected fault, else the lookup, else the action.
    int configure(Handle handle, const QString& entry, const std::function<int(SimFtdiChannel&)>& action);

    SimUsbBus* m_pBus;
    QHash<Handle, HandleState> m_handles;
    Handle m_nextHandle = 1;
};
