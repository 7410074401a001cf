#pragma once

#include "USBIFtdiApi.h"

#include <QHash>
#include <QMutex>
#include <boost/shared_ptr.hpp>

struct ftdi_context;

// The "libftdi" FTDI back-end: real chips on Linux through libftdi1 and libusb.
//
// It presents the chips as the vendor's library does: each channel of a multi-channel chip is a
// list node of its own (serial number + "A"/"B", description + " A"/" B"), chip types follow the
// vendor's numbering (5 FT232R, 6 FT2232H, 8 FT232H, 9 FT-X), and location ids are made from the
// USB bus number and port path (one hex digit per port, plus the channel digit 1, 2, ...).
// libftdi has no receive-queue query, so each handle reads ahead into a buffer of its own that
// the queue and status queries report and read hands out first; read waits until it has the
// whole count or the read time-out has passed.
//
// libftdi contexts are not thread-safe: every handle has its own context and its own lock, and
// a read that waits lets other calls on the handle in between its USB transfers.
//
// Limits: the extended (FT-X) EEPROM form is read without its battery-charger fields and cannot
// be programmed (NotSupported); the program-data form carries no manufacturer id.
class USBLibFtdiApi : public USBIFtdiApi
{
public:
    USBLibFtdiApi();
    ~USBLibFtdiApi() override;

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

private:
    struct Channel;
    typedef boost::shared_ptr<Channel> ChannelPtr;

    ChannelPtr find(Handle handle) const;
    // Runs action on the handle's context under the handle's lock; 1 for an unknown or closed handle.
    template <typename Action>
    int withContext(Handle handle, Action action);

    mutable QMutex m_mutex;   // the handle table and the list
    QHash<Handle, ChannelPtr> m_channels;
    Handle m_nextHandle = 1;
    QVector<USBFtdiDeviceListNode> m_nodes;
};
