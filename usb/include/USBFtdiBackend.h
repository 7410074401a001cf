#pragma once

#include <QByteArray>

class USBIFtdiApi;

// The process's FTDI back-end. A program's main chooses it (see kindNamed) and installs it
// before the first USB call; it removes it again after the last device is closed, when no
// protocol thread runs any more. The USB layer only borrows it: main owns it.
class USBFtdiBackend
{
public:
    enum Kind
    {
        LibFtdi,
        Simulator
    };

    // The back-end a value of TALVEX_USB_BACKEND names: "libftdi" or empty for real chips
    // through libftdi1, "simulator" for the simulated bus; any other value warns and gives
    // libftdi.
    static Kind kindNamed(const QByteArray& name);
    static Kind requested() { return kindNamed(qgetenv("TALVEX_USB_BACKEND")); }

    // Called by main only; the api is not owned, null removes it.
    static void install(USBIFtdiApi* api);
    // The installed back-end, from any thread. Asking with none installed is a fault of the
    // program and ends it.
    static USBIFtdiApi& get();
};
