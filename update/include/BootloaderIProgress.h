#pragma once

#include <QString>

// Where the programming of a secondary image reports how far it is; called in the thread that
// runs the sequence (the GUI thread), which the implementer may let process its events.
class BootloaderIProgress
{
public:
    virtual ~BootloaderIProgress();

    virtual void updateProgress(const QString& text, int percent) = 0;
    virtual void finishProgress() = 0;
};
