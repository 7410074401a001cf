#pragma once

#include "ConnectedDriverBoard.h"
#include "SimBootloaderBoard.h"
#include "SimulatedBusClock.h"
#include "TalvexSOTalvexPelmoraAxis.h"

#include <QList>
#include <boost/make_shared.hpp>
#include <memory>

// Boards with their bootloader on the simulated bus (clock in manual mode), the way a
// driver-bound axis finds them, and axes bound to them.
struct AxisBoards
{
    static SimUsbBus& bus() { return SimUsbBus::instance(); }

    AxisBoards() { bus().reset(); }
    ~AxisBoards()
    {
        m_axes.clear();
        bus().reset();
    }

    // A board of the serial number's model; its firmware records the commands it gets.
    boost::shared_ptr<RecordingFirmware> plug(const QString& serial, const USBVersion& firmware)
    {
        const quint32 location = quint32(m_boards.count() + 1) << 8;
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT2232H, serial.toLatin1(), location);
        auto recorder = boost::make_shared<RecordingFirmware>(boost::make_shared<SimDriverFirmware>(serial, firmware));
        m_boards << SimBootloaderBoard::plugInto(chip, 1, recorder, serial, firmware.getMajor(), firmware.getMinor());
        return recorder;
    }

    // An axis with the default motor and motion configurations; it lives as long as this.
    TalvexSOTalvexPelmoraAxis& axis(const QString& serial)
    {
        m_axes.emplace_back(new TalvexSOTalvexPelmoraAxis(USBSerialNumber(serial), TalvexDriverMotorConfiguration(),
            TalvexDriverMotionConfiguration(), m_pClock));
        return *m_axes.back();
    }

    USBProtocolClockPtr m_pClock = boost::make_shared<SimulatedBusClock>();
    QList<boost::shared_ptr<SimBootloaderBoard>> m_boards;
    std::vector<std::unique_ptr<TalvexSOTalvexPelmoraAxis>> m_axes;
};
