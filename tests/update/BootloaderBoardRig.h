#pragma once

#include "SimulatedBusClock.h"
#include "SimBootloaderBoard.h"
#include "SimFtdiChip.h"
#include "SimUsbBus.h"
#include "USBDriver.h"
#include "USBHandshakeProtocol.h"
#include "USBIFtdiApi.h"
#include "USBPacketProtocol.h"

#include <boost/make_shared.hpp>

// The board's driver firmware, reduced to refusing every command it is given.
class RefusingFirmware : public SimIBoardFirmware
{
public:
    Reply handleCommand(quint8, const QVector<quint8>&) override
    {
        Reply reply;
        reply.status = 1;
        return reply;
    }
    void advance(qint64) override {}
    QVector<QVector<quint8>> takeStreamPackets() override { return {}; }
};

// A board with its bootloader on the simulated bus (clock in manual mode), opened by a driver
// with the packet protocol on socket 0, moved between its modes the way the firmware update
// moves it: close, change the protocol, reopen, purge.
struct BootloaderBoardRig
{
    static SimUsbBus& bus() { return SimUsbBus::instance(); }

    explicit BootloaderBoardRig(const QString& serialNumber, int major = 2, int minor = 5)
    {
        bus().reset();
        m_pChip = &bus().addChip(USBIFtdiApi::ChipFT2232H, serialNumber.toLatin1(), 0x100);
        m_pBoard = SimBootloaderBoard::plugInto(*m_pChip, 1, boost::make_shared<RefusingFirmware>(), serialNumber,
            major, minor);
        m_driver.setProtocol(boost::make_shared<USBPacketProtocol>(m_pClock), 0);
        m_opened = open();
    }

    ~BootloaderBoardRig()
    {
        m_driver.closeDevice();
        bus().reset();
    }

    USBResult open()
    {
        const USBDevicePtr device = m_driver.enumerateDevices(true).value(0);
        if (!device)
            return USBResult(QStringLiteral("No board listed"), 2);
        const USBResult result = m_driver.openDevice(device, 500000);
        m_driver.purgeDevice();
        return result;
    }

    USBResult toBootloaderProtocol()
    {
        m_driver.closeDevice();
        m_driver.pushProtocol(boost::make_shared<USBHandshakeProtocol>(m_pClock), 0);
        return open();
    }

    USBResult toPacketProtocol()
    {
        m_driver.closeDevice();
        m_driver.popProtocol(0);
        return open();
    }

    USBProtocolClockPtr m_pClock = boost::make_shared<SimulatedBusClock>();
    SimFtdiChip* m_pChip = nullptr;
    boost::shared_ptr<SimBootloaderBoard> m_pBoard;
    USBDriver m_driver;
    USBResult m_opened;
};
