#include "UIEnumConverter.h"

#include "UIIBinding.h"
#include "UISignalRelay.h"
#include "UIWidgetValidator.h"
#include "ValueConversions.h"

UIEnumConverter::UIEnumConverter(UIIUserInput* source)
    : QObject(source->object())
    , m_pSource(source)
{
}

void UIEnumConverter::addConversion(const QVariant& sourceValue, const QVariant& value)
{
    m_conversions.insert(variantToString(sourceValue), value);
    m_reverse.insert(variantToString(value), sourceValue);
}

QVariant UIEnumConverter::getValue() const
{
    const QString key = variantToString(m_pSource->getValue());
    Q_ASSERT_X(m_conversions.contains(key), "src\\UIEnumConverter", "m_conversions.contains(m_pSource->getValue().toString())");
    return m_conversions.value(key);
}

QString UIEnumConverter::text() const
{
    return m_pSource->text();
}

void UIEnumConverter::setValue(const QVariant& value)
{
    const QString key = variantToString(value);
    Q_ASSERT_X(m_reverse.contains(key), "src\\UIEnumConverter", "m_reverse.contains(value.toString())");
    if (m_reverse.contains(key))
        m_pSource->setValue(m_reverse.value(key));
}

void UIEnumConverter::setEnabled(bool enabled)
{
    m_pSource->setEnabled(enabled);
}

bool UIEnumConverter::isEnabled() const
{
    return m_pSource->isEnabled();
}

void UIEnumConverter::addValidator(boost::shared_ptr<UIIValidator> validator)
{
    UIWidgetValidator* widgetValidator = new UIWidgetValidator(this, validator);
    m_pSource->connectSignal(widgetValidator, SLOT(validateWidget()), EditingFinished);
}

void UIEnumConverter::forwardSignalFrom(UIIUserInput* other)
{
    m_pSource->forwardSignalFrom(other);
}

QObject* UIEnumConverter::object()
{
    return m_pSource->object();
}

QWidget* UIEnumConverter::widget()
{
    Q_ASSERT_X(0, "src\\UIEnumConverter", "0");
    return nullptr;
}

void UIEnumConverter::connectSignal(QObject* receiver, const char* member, int kind)
{
    m_pSource->connectSignal(receiver, member, kind);
}

void UIEnumConverter::bindMethodCall(UIIBinding* binding)
{
    binding->setParent(this);
    binding->setUserInput(this);
    UISignalRelay* relay = new UISignalRelay(this);
    relay->addUpdateSourceCall(binding);
    m_pSource->connectSignal(relay, SLOT(slot()), UserEdited);
    binding->updateUserInput();
}

void UIEnumConverter::showInfoTip(const QString& text)
{
    Q_UNUSED(text);
}
