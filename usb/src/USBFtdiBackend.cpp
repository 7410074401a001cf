#include "USBFtdiBackend.h"

#include <QtGlobal>
#include <atomic>

namespace
{
std::atomic<USBIFtdiApi*> s_installed{nullptr};
}

USBFtdiBackend::Kind USBFtdiBackend::kindNamed(const QByteArray& name)
{
    if (name == "simulator")
        return Simulator;
    if (!name.isEmpty() && name != "libftdi")
        qWarning("TALVEX_USB_BACKEND=%s is unknown (simulator or libftdi): using libftdi", name.constData());
    return LibFtdi;
}

void USBFtdiBackend::install(USBIFtdiApi* api)
{
    s_installed.store(api);
}

USBIFtdiApi& USBFtdiBackend::get()
{
    USBIFtdiApi* api = s_installed.load();
    if (!api)
        qFatal("No FTDI back-end installed: the program's main installs one before the first USB call");
    return *api;
}
