#pragma once

#include "UIIValueProcessor.h"

class UIIUserInput;

// shown = base * scale * multiplier / divisor, where multiplier and divisor are the current
// values of two optional inputs.
class UIValueScaleProcessor : public UIIValueProcessor
{
public:
    UIValueScaleProcessor(double scale, UIIUserInput* multiplier, UIIUserInput* divisor);

    QVariant forward(const QVariant& base) const override;
    QVariant backward(const QVariant& shown) const override;

private:
    double m_scale;
    UIIUserInput* m_pMultiplier;
    UIIUserInput* m_pDivisor;
};
