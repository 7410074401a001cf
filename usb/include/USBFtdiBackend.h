#pragma once

class USBIFtdiApi;

// The process's FTDI back-end, chosen at first use from the environment variable
// TALVEX_USB_BACKEND: "libftdi" (the default) drives real chips through libftdi1,
// "simulator" the in-process boards of the simulator library.
class USBFtdiBackend
{
public:
    typedef USBIFtdiApi* (*Creator)();

    static USBIFtdiApi& get();
    // The simulator library announces itself here when it is linked in.
    static void registerSimulator(Creator creator);

private:
    static Creator& simulatorCreator();
};
