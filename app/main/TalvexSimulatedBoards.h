#pragma once

#include "USBVersion.h"

#include <QtGlobal>

class SimFtdiChip;
class SimUsbBus;

// The boards of a studio run without hardware: one board of each model, with its firmware and
// its bootloader, plugged into the simulated bus that main installed. They stream, move and
// answer like the simulated board of the tests, in real time.
class TalvexSimulatedBoards
{
public:
    static void plugInto(SimUsbBus& bus);
    // One board of a model, with its firmware version; unit tells boards of a model apart.
    static SimFtdiChip& plug(SimUsbBus& bus, quint32 productCode, quint32 revision, const USBVersion& firmware, int unit);
};
