#pragma once

#include "USBDevice.h"
#include "USBFtdiListEntry.h"

#include <QVector>

// A board on an FTDI chip: one socket for a single-channel chip; for the dual-channel FT2232H,
// channel B (the command channel, run as a UART) is socket 0 and channel A (bulk data, read
// in blocks) socket 1.
class USBFtdiDevice : public USBDevice
{
public:
    // Block size the board's channel A sends per request.
    static constexpr int s_blockSize = 0xFF00;

    USBFtdiDevice(quint32 usbId, const QString& serialNumber, const QString& description);

    // The device of one chip's list entries, or null when they make none: an FT2232H needs
    // exactly two entries of one serial number keyed "A" and "B" by its last letter, any other
    // chip exactly one entry.
    static boost::shared_ptr<USBFtdiDevice> build(const QVector<USBFtdiListEntry>& entries);

    void addSocket(const USBSocketPtr& socket);

    void resetAndCloseSockets() override;
    void purgeSockets() override;
    void closeSockets() override;
    QList<USBSocketPtr> getSockets() const override;
    USBSocketPtr getSocket(int index) const override;
    USBSocketPtr getFirstSocket() const override;
    QList<USBSocketPtr> getSecondarySockets() const override;
    void applyTimeouts() override;
    // Writes the settings and this studio's fixed chip options into the EEPROM of the chip of
    // socket 0, on a channel of its own, and resets the chip's port after success.
    USBResult programEeprom(const USBEepromSettings& settings) override;

    // The same identity and firmware version over the same socket objects.
    virtual boost::shared_ptr<USBFtdiDevice> clone() const;

private:
    QList<USBSocketPtr> m_sockets;
};
