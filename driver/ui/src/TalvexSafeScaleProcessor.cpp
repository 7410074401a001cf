#include "TalvexSafeScaleProcessor.h"

#include "UIIUserInput.h"
#include "ValueConversions.h"

namespace
{
bool isZero(const UIIUserInput* input)
{
    if (!input)
        return false;
    bool ok = false;
    const double value = variantToDouble(input->getValue(), &ok);
    return !ok || value == 0.0;
}
}

TalvexSafeScaleProcessor::TalvexSafeScaleProcessor(double scale, UIIUserInput* multiplier, UIIUserInput* divisor)
    : UIValueScaleProcessor(scale, multiplier, divisor)
    , m_pMultiplier(multiplier)
    , m_pDivisor(divisor)
{
}

QVariant TalvexSafeScaleProcessor::forward(const QVariant& base) const
{
    return isZero(m_pDivisor) ? QVariant(0.0) : UIValueScaleProcessor::forward(base);
}

QVariant TalvexSafeScaleProcessor::backward(const QVariant& shown) const
{
    return isZero(m_pMultiplier) ? QVariant(0.0) : UIValueScaleProcessor::backward(shown);
}
