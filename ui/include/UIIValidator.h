#pragma once

#include "UIValidationResult.h"

class UIIValidator
{
public:
    virtual ~UIIValidator() = default;
    virtual UIValidationResult validate(const QVariant& value) const = 0;
};
