#include "SimUsbBackend.h"

#include "SimUsbBus.h"
#include "USBFtdiBackend.h"
#include "USBLibFtdiApi.h"

SimUsbBackend::SimUsbBackend()
{
    if (USBFtdiBackend::requested() == USBFtdiBackend::Simulator)
    {
        m_pBus = std::make_unique<SimUsbBus>();
        USBFtdiBackend::install(&m_pBus->getApi());
    }
    else
    {
        m_pLibFtdi = std::make_unique<USBLibFtdiApi>();
        USBFtdiBackend::install(m_pLibFtdi.get());
    }
}

SimUsbBackend::~SimUsbBackend()
{
    USBFtdiBackend::install(nullptr);
}
