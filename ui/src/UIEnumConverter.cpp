#include "UIEnumConverter.h"

#include "ValueConversions.h"

UIEnumConverter::UIEnumConverter(UIIUserInput* source)
    : UIUserInputForwarder(source, source->object())
{
}

void UIEnumConverter::addConversion(const QVariant& sourceValue, const QVariant& value)
{
    m_conversions.insert(variantToString(sourceValue), value);
    m_reverse.insert(variantToString(value), sourceValue);
}

QVariant UIEnumConverter::getValue() const
{
    const QString key = variantToString(inner()->getValue());
    Q_ASSERT_X(m_conversions.contains(key), "src\\UIEnumConverter", "m_conversions.contains(inner()->getValue().toString())");
    return m_conversions.value(key);
}

void UIEnumConverter::setValue(const QVariant& value)
{
    const QString key = variantToString(value);
    Q_ASSERT_X(m_reverse.contains(key), "src\\UIEnumConverter", "m_reverse.contains(value.toString())");
    if (m_reverse.contains(key))
        inner()->setValue(m_reverse.value(key));
}

void UIEnumConverter::showInfoTip(const QString& text)
{
    Q_UNUSED(text);
}
