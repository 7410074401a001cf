#include "UIValueScaleProcessor.h"

#include "UIIUserInput.h"
#include "ValueConversions.h"

namespace
{
// An input's value as a factor: absent counts as 1, unreadable as the given fallback.
double factor(const UIIUserInput* input, double unreadable)
{
    if (!input)
        return 1.0;
    bool ok = false;
    const double value = variantToDouble(input->getValue(), &ok);
    return ok ? value : unreadable;
}
}

UIValueScaleProcessor::UIValueScaleProcessor(double scale, UIIUserInput* multiplier, UIIUserInput* divisor)
    : m_scale(scale)
    , m_pMultiplier(multiplier)
    , m_pDivisor(divisor)
{
}

QVariant UIValueScaleProcessor::forward(const QVariant& base) const
{
    const double value = variantToDouble(base);
    return QVariant(m_scale * value * factor(m_pMultiplier, 0.0) / factor(m_pDivisor, 0.0));
}

QVariant UIValueScaleProcessor::backward(const QVariant& shown) const
{
    const double value = variantToDouble(shown);
    return QVariant((factor(m_pDivisor, 1.0) * value) / (m_scale * factor(m_pMultiplier, 0.0)));
}
