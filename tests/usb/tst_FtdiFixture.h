#pragma once

#include "SimUsbBus.h"
#include "USBFtdiBackend.h"

#include <QtGlobal>

// The FTDI tests run on the simulated bus: the back-end is chosen once per process, so the
// environment is set before anything asks for it.
inline bool useSimulatedBus()
{
    if (qEnvironmentVariableIsEmpty("TALVEX_USB_BACKEND"))
        qputenv("TALVEX_USB_BACKEND", "simulator");
    return &USBFtdiBackend::get() == &SimUsbBus::instance().getApi();
}
