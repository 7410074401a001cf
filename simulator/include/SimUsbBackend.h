#pragma once

#include <memory>

class SimUsbBus;
class USBLibFtdiApi;

// Owned by a program's (or a test program's) main: for its lifetime the process's FTDI
// back-end is the one TALVEX_USB_BACKEND names, the simulated bus or libftdi, and it is
// removed again when the object goes. Every device must be closed by then.
class SimUsbBackend
{
public:
    SimUsbBackend();
    ~SimUsbBackend();
    SimUsbBackend(const SimUsbBackend&) = delete;
    SimUsbBackend& operator=(const SimUsbBackend&) = delete;

    // The simulated bus, or null when libftdi was chosen.
    SimUsbBus* getBus() const { return m_pBus.get(); }

private:
    std::unique_ptr<SimUsbBus> m_pBus;
    std::unique_ptr<USBLibFtdiApi> m_pLibFtdi;
};
