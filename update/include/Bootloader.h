#pragma once

#include "USBProtocolClock.h"
#include "USBResult.h"

#include <QVector>

class BootloaderIData;
class BootloaderIProgress;
class BootloaderSecondaryImage;
class USBDriver;
struct BootloaderFirmwareInfo;

// The conversations with the board's bootloader, each run synchronously through
// USBDriver::sendRequest on socket 0 of the driver's open device, in the calling thread (the
// firmware update runs the uploads in a worker thread while the GUI thread waits; progress is
// reported in the calling thread). An operation stops at the first request that fails and
// returns its result unchanged; nothing is undone. Which protocol is on the socket at each
// step is the caller's choice. Geometry the board or an image gives that the bootloader cannot
// carry out (a page size of 0, more pages than the page numbers reach, an information page
// longer than a page) is refused before anything is written.
class Bootloader
{
public:
    // widePageNumbers: page numbers of the page select are 16 bits (high byte first), else 8.
    // The clock times the upload's optional delays; a null one means real time.
    explicit Bootloader(bool widePageNumbers, const USBProtocolClockPtr& clock = USBProtocolClockPtr());

    // The target info and the information page; sets the open device's firmware version.
    // flag, when given, receives the target info's write-unlock flag.
    USBResult readTargetInfo(USBDriver& driver, BootloaderFirmwareInfo& info, bool* flag = nullptr) const;
    USBResult enterBootloader(USBDriver& driver, bool sendUnlock) const;
    USBResult exitBootloader(USBDriver& driver) const;
    USBResult exitToSecondaryUpdate(USBDriver& driver) const;
    USBResult finishSecondaryUpdate(USBDriver& driver) const;
    USBResult unlockWrite(USBDriver& driver) const;
    // The main image page by page; an image that did not parse is refused. progress, when
    // given, hears "Writing page %1" for each page; finishing it is the caller's, whose secondary
    // images may follow in the same bar.
    USBResult uploadFirmware(USBDriver& driver, const BootloaderIData& image, bool writeFirstPageFirst,
        int delayMilliseconds, BootloaderIProgress* progress = nullptr) const;
    USBResult uploadSecondaryFirmware(USBDriver& driver, BootloaderSecondaryImage& image,
        BootloaderIProgress* progress) const;
    USBResult writeFirmwareInfo(USBDriver& driver, const BootloaderFirmwareInfo& info) const;

    // Page size and flag of the target info; a page size the sequences cannot use is refused.
    USBResult targetInfo(USBDriver& driver, int& pageSize, bool& flag) const;
    // Why the image's geometry cannot be programmed; empty when it can.
    static QString secondaryImageFault(const BootloaderSecondaryImage& image);

private:
    // Runs one command; reply, when given, receives the request's reply data.
    USBResult send(USBDriver& driver, int command, const QVector<quint8>& data = QVector<quint8>(),
        QVector<quint8>* reply = nullptr, int pageSize = 0, bool* pageTrailer = nullptr) const;
    QVector<quint8> pageNumber(int page) const;
    void sleep(int milliseconds) const;

    int m_protocolVersion = 1;
    bool m_widePageNumbers;
    USBProtocolClockPtr m_pClock;
};
