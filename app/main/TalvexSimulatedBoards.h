#pragma once

#include "USBVersion.h"

#include <QString>
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
    // Puts a newer release (1.1, with an image for the secondary chip) for the (27,1) board, which
    // runs 1.0, into the update data folder of the application name, so that the studio offers
    // to update it when it connects. Called once the application's names, which place the
    // folder, are set.
    static void placeFirmwarePackage(const QString& applicationName);
};
