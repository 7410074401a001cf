#pragma once

#include "ScriptedFirmware.h"
#include "SimulatedBus.h"

// A board on the simulated bus whose firmware the test scripts (see plugBoard). The bus
// starts afresh, with its clock in manual mode.
struct SimulatedBoard
{
    static SimUsbBus& bus() { return SimUsbBus::instance(); }

    explicit SimulatedBoard(const QByteArray& serial = "VTBH001010007", quint32 locationId = 0x100)
    {
        bus().reset();
        add(serial, locationId);
    }

    // Another board; the last one added is the one the members describe.
    void add(const QByteArray& serial, quint32 locationId)
    {
        m_pFirmware = boost::make_shared<ScriptedFirmware>();
        m_pFraming = plugBoard(serial, locationId, m_pFirmware, &m_pChip);
        m_pChannel = &m_pChip->getChannel(1);
    }

    SimFtdiChip* m_pChip = nullptr;
    SimFtdiChannel* m_pChannel = nullptr;
    boost::shared_ptr<ScriptedFirmware> m_pFirmware;
    boost::shared_ptr<SimBoardPacketFraming> m_pFraming;
};
