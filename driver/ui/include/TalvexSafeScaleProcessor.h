#pragma once

#include "UIValueScaleProcessor.h"

// A scale processor for unit conversions whose factor inputs may hold 0 (a step size, pitch or
// micro-stepping factor read from a file or the board): a conversion that would divide by a
// factor of 0, or by one that does not read as a number, gives 0 instead.
class TalvexSafeScaleProcessor : public UIValueScaleProcessor
{
public:
    TalvexSafeScaleProcessor(double scale, UIIUserInput* multiplier, UIIUserInput* divisor);

    QVariant forward(const QVariant& base) const override;
    QVariant backward(const QVariant& shown) const override;

private:
    UIIUserInput* m_pMultiplier;
    UIIUserInput* m_pDivisor;
};
