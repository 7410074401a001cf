#pragma once

#include "USBIFtdiApi.h"
#include "USBSocketStatus.h"

#include <QString>
#include <atomic>
#include <functional>
#include <boost/shared_ptr.hpp>

// One open FTDI channel, shared by a socket and its clones. Closing it through any copy closes
// it for all of them: each then answers "Device not open", and closing again does nothing. The
// last copy to go closes a channel that is still open.
//
// The throwing operations throw a USBResult (status 2): the library status's text, "Device not
// open" when closed, "Communication timed out" for a short transfer.
class USBFtdiHandle
{
public:
    typedef boost::shared_ptr<USBFtdiHandle> Ptr;

    // Opens the channel at a device index of the library's list and runs setup on it. A failure
    // of either closes the channel again and throws: the library status's result, or what setup
    // threw.
    static Ptr open(int deviceIndex, const std::function<void(USBFtdiHandle&)>& setup);
    // The open handle behind ptr, or a thrown "Device not open".
    static USBFtdiHandle& require(const Ptr& ptr);
    // Throws the status's result unless it is 0.
    static void check(int status);

    ~USBFtdiHandle();
    USBFtdiHandle(const USBFtdiHandle&) = delete;
    USBFtdiHandle& operator=(const USBFtdiHandle&) = delete;

    bool isOpen() const { return !m_closed; }
    void close();
    // The port reset of the library, then close.
    void resetAndClose();

    USBIFtdiApi& api() const;
    USBIFtdiApi::Handle get() const { return m_handle; }

    // Chip type from the device information query.
    int getChipType();
    // The serial number stored in the chip's EEPROM (program-data form for the FT232R, FT2232H
    // and FT232H, extended form for the FT-X); a chip of another type, an unreadable EEPROM or
    // a text that is no board serial number throws "Unknown USB serial number".
    QString readBoardSerialNumber(int chipType);
    // The FIFO set-up of a channel that the board fills at high rate: bit mode reset, latency
    // 2 ms, 64 KiB receive transfers, RTS/CTS.
    void configureFifo();

    void setTimeouts(quint32 readMilliseconds, quint32 writeMilliseconds);
    void writeAll(const quint8* bytes, int count);
    // One library read: up to count bytes, as many as arrived before the read time-out.
    int readSome(quint8* destination, int count);
    // Exactly count bytes.
    void readExact(quint8* destination, int count);
    int getRxQueueCount();
    USBSocketStatus getStatus();
    int purge();

private:
    explicit USBFtdiHandle(USBIFtdiApi::Handle handle);

    USBIFtdiApi::Handle m_handle;
    std::atomic<bool> m_closed{false};
};
