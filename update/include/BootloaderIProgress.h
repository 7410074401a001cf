#pragma once

#include <QString>

// Where the programming of an image (the main one page by page, a secondary one by sector and
// page) reports how far it is; called in the thread that runs the sequence. The firmware update
// runs it in its worker (UpdateBackgroundTask), and a BootloaderProgressRelay hands the reports
// to the dialog in the GUI thread: a sink that touches widgets is reached through such a relay.
class BootloaderIProgress
{
public:
    virtual ~BootloaderIProgress();

    virtual void updateProgress(const QString& text, int percent) = 0;
    virtual void finishProgress() = 0;
};
