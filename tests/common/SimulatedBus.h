#pragma once

#include "SimBoardPacketFraming.h"
#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimIBoardFirmware.h"
#include "SimUsbBus.h"
#include "USBFtdiBackend.h"
#include "USBIFtdiApi.h"

#include <boost/make_shared.hpp>

// The test's main installs the simulated bus unless TALVEX_USB_BACKEND names another back-end:
// a test that needs the bus checks this first.
inline bool runsOnSimulatedBus()
{
    return USBFtdiBackend::requested() == USBFtdiBackend::Simulator
        && &USBFtdiBackend::get() == &SimUsbBus::instance().getApi();
}

// Plugs a board into the bus: an FT2232H whose command channel (B, socket 0) runs the packet
// framing over the firmware. Returns the framing.
inline boost::shared_ptr<SimBoardPacketFraming> plugBoard(const QByteArray& serial, quint32 locationId,
    const boost::shared_ptr<SimIBoardFirmware>& firmware, SimFtdiChip** chip = nullptr)
{
    SimFtdiChip& added = SimUsbBus::instance().addChip(USBIFtdiApi::ChipFT2232H, serial, locationId);
    auto framing = boost::make_shared<SimBoardPacketFraming>(firmware);
    added.getChannel(1).setEndpoint(framing);
    if (chip)
        *chip = &added;
    return framing;
}
