#pragma once

#include "UIIUserInput.h"

// A user input that is one widget; the companion (as a rule its label) is enabled with it.
class UIIWidget : public UIIUserInput
{
public:
    virtual void setCompanionWidget(QWidget* companion) = 0;
};
