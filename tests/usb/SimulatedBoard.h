#pragma once

#include "BusClock.h"
#include "ScriptedFirmware.h"
#include "SimBoardPacketFraming.h"
#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimUsbBus.h"
#include "USBFtdiBackend.h"
#include "USBIFtdiApi.h"
#include "USBPacketProtocol.h"

#include <boost/make_shared.hpp>

// A board on the simulated bus: an FT2232H whose command channel (B, socket 0) runs the packet
// framing over a scripted firmware. The bus starts afresh, with its clock in manual mode.
struct SimulatedBoard
{
    static SimUsbBus& bus() { return SimUsbBus::instance(); }

    // The back-end is chosen once per process: make it the simulator before anybody asks.
    static bool useSimulator()
    {
        if (qEnvironmentVariableIsEmpty("TALVEX_USB_BACKEND"))
            qputenv("TALVEX_USB_BACKEND", "simulator");
        return &USBFtdiBackend::get() == &bus().getApi();
    }

    explicit SimulatedBoard(const QByteArray& serial = "VTBH001010007", quint32 locationId = 0x100)
    {
        bus().reset();
        add(serial, locationId);
    }

    // Another board; the last one added is the one the members describe.
    void add(const QByteArray& serial, quint32 locationId)
    {
        m_pChip = &bus().addChip(USBIFtdiApi::ChipFT2232H, serial, locationId);
        m_pChannel = &m_pChip->getChannel(1);
        m_pFirmware = boost::make_shared<ScriptedFirmware>();
        m_pFraming = boost::make_shared<SimBoardPacketFraming>(m_pFirmware);
        m_pChannel->setEndpoint(m_pFraming);
    }

    SimFtdiChip* m_pChip = nullptr;
    SimFtdiChannel* m_pChannel = nullptr;
    boost::shared_ptr<ScriptedFirmware> m_pFirmware;
    boost::shared_ptr<SimBoardPacketFraming> m_pFraming;
};
