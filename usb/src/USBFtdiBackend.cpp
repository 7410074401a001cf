#include "USBFtdiBackend.h"

#include "USBLibFtdiApi.h"

#include <QtGlobal>

namespace
{
USBIFtdiApi* choose(USBFtdiBackend::Creator simulator)
{
    const QByteArray name = qgetenv("TALVEX_USB_BACKEND");
    if (name == "simulator")
    {
        if (simulator)
            return simulator();
        qWarning("TALVEX_USB_BACKEND=simulator, but this program has no simulator: using libftdi");
    }
    else if (!name.isEmpty() && name != "libftdi")
    {
        qWarning("TALVEX_USB_BACKEND=%s is unknown (simulator or libftdi): using libftdi", name.constData());
    }
    // Never destroyed: protocol threads may still use it while the process exits.
    return new USBLibFtdiApi();
}
}

USBIFtdiApi& USBFtdiBackend::get()
{
    static USBIFtdiApi* s_api = choose(simulatorCreator());
    return *s_api;
}

void USBFtdiBackend::registerSimulator(Creator creator)
{
    simulatorCreator() = creator;
}

USBFtdiBackend::Creator& USBFtdiBackend::simulatorCreator()
{
    static Creator s_creator = nullptr;
    return s_creator;
}
