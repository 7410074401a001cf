#pragma once

// Lets the application page of the configuration dialog switch the tabs of the axes its
// application does not use. Implemented by the dialog; GUI thread only.
class TalvexSOConfigDialogITabControl
{
public:
    virtual ~TalvexSOConfigDialogITabControl() = default;
    virtual void setAxisTabEnabled(int axisNumber, bool enabled) = 0;
};
