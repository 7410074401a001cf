#pragma once

#include "USBFtdiDeviceListNode.h"
#include "USBFtdiProgramData.h"
#include "USBFtdiXSeriesEeprom.h"

#include <QByteArray>
#include <QVector>

// The FTDI chip operations the USB layer needs, in the style of the vendor's D2XX library: every
// call answers a status (0 success; the codes below) and hands results back through its out
// arguments. A handle is an opaque number, 0 never being valid; a stale handle answers
// InvalidHandle instead of touching freed memory.
//
// Implementations are thread-safe: calls on different handles may run in parallel, calls on
// one handle are serialised by the back-end.
class USBIFtdiApi
{
public:
    typedef quint64 Handle;

    enum Status
    {
        Ok = 0,
        InvalidHandle = 1,
        DeviceNotFound = 2,
        DeviceNotOpened = 3,
        IoError = 4,
        InsufficientResources = 5,
        InvalidParameter = 6,
        InvalidBaudRate = 7,
        DeviceNotOpenedForErase = 8,
        DeviceNotOpenedForWrite = 9,
        FailedToWriteDevice = 10,
        EepromReadFailed = 11,
        EepromWriteFailed = 12,
        EepromEraseFailed = 13,
        EepromNotPresent = 14,
        EepromNotProgrammed = 15,
        InvalidArgs = 16,
        NotSupported = 17,
        OtherError = 18
    };

    enum ChipType
    {
        ChipFT232R = 5,
        ChipFT2232H = 6,
        ChipFT4232H = 7,
        ChipFT232H = 8,
        ChipFTX = 9
    };

    enum Purge
    {
        PurgeRx = 1,
        PurgeTx = 2
    };

    enum FlowControl
    {
        FlowNone = 0x0000,
        FlowRtsCts = 0x0100
    };

    enum BitMode
    {
        BitModeReset = 0x00,
        BitModeSyncFifo = 0x40
    };

    virtual ~USBIFtdiApi();

    // Device list: build it, then fetch its nodes (the node's position is the index open takes).
    virtual int createDeviceInfoList(quint32& count) = 0;
    virtual int getDeviceInfoList(QVector<USBFtdiDeviceListNode>& nodes) = 0;

    virtual int open(int deviceIndex, Handle& handle) = 0;
    // Always releases the handle, even when the chip has gone.
    virtual int close(Handle handle) = 0;
    virtual int getDeviceInfo(Handle handle, int& chipType, quint32& usbId, QByteArray& serialNumber,
                              QByteArray& description) = 0;

    // The program-data form: data.version and the signatures must be filled in by the caller.
    virtual int readEeprom(Handle handle, USBFtdiProgramData& data) = 0;
    virtual int programEeprom(Handle handle, const USBFtdiProgramData& data) = 0;
    // The extended form of the FT-X series.
    virtual int readEepromX(Handle handle, USBFtdiXSeriesEeprom& data) = 0;
    virtual int programEepromX(Handle handle, const USBFtdiXSeriesEeprom& data) = 0;

    // Resets the chip's USB port.
    virtual int resetPort(Handle handle) = 0;

    virtual int setBaudRate(Handle handle, quint32 baudRate) = 0;
    // wordLength 7 or 8; stopBits 0 (one) or 2 (two); parity 0 none, 1 odd, 2 even, 3 mark, 4 space.
    virtual int setDataCharacteristics(Handle handle, quint8 wordLength, quint8 stopBits, quint8 parity) = 0;
    virtual int setFlowControl(Handle handle, quint16 flowControl, quint8 xon, quint8 xoff) = 0;
    virtual int setLatencyTimer(Handle handle, quint8 milliseconds) = 0;
    virtual int setBitMode(Handle handle, quint8 mask, quint8 mode) = 0;
    virtual int setUSBParameters(Handle handle, quint32 inTransferSize, quint32 outTransferSize) = 0;
    virtual int purge(Handle handle, quint32 mask) = 0;
    virtual int setTimeouts(Handle handle, quint32 readMilliseconds, quint32 writeMilliseconds) = 0;

    virtual int getQueueStatus(Handle handle, quint32& rxCount) = 0;
    virtual int getStatus(Handle handle, quint32& rxCount, quint32& txCount, quint32& eventStatus) = 0;
    // Waits up to the read time-out for count bytes; fewer on time-out (still status Ok).
    virtual int read(Handle handle, quint8* buffer, quint32 count, quint32& bytesRead) = 0;
    virtual int write(Handle handle, const quint8* buffer, quint32 count, quint32& bytesWritten) = 0;

    // The settling pause the chip needs after a bit-mode change. Real back-ends sleep; the
    // simulator moves its clock.
    virtual void pause(int milliseconds) = 0;
};
