#include "UIUserInputMultiply.h"

#include "ValueConversions.h"

UIUserInputMultiply::UIUserInputMultiply(UIIUserInput* first, UIIUserInput* second)
    : QObject(first->object())
    , m_pFirst(first)
    , m_pSecond(second)
{
}

QVariant UIUserInputMultiply::getValue() const
{
    return QVariant(variantToDouble(m_pFirst->getValue()) * variantToDouble(m_pSecond->getValue()));
}

QString UIUserInputMultiply::text() const
{
    return m_pFirst->text() + " * " + m_pSecond->text();
}

void UIUserInputMultiply::setEnabled(bool enabled)
{
    m_pFirst->setEnabled(enabled);
    m_pSecond->setEnabled(enabled);
}

bool UIUserInputMultiply::isEnabled() const
{
    return m_pFirst->isEnabled();
}

QObject* UIUserInputMultiply::object()
{
    return m_pFirst->object();
}

void UIUserInputMultiply::connectSignal(QObject* receiver, const char* member, int kind)
{
    m_pFirst->connectSignal(receiver, member, kind);
    m_pSecond->connectSignal(receiver, member, kind);
}

void UIUserInputMultiply::setValue(const QVariant& value)
{
    Q_UNUSED(value);
    Q_ASSERT_X(0, "src\\UIUserInputMultiply", "0");
}

void UIUserInputMultiply::addValidator(boost::shared_ptr<UIIValidator> validator)
{
    Q_UNUSED(validator);
    Q_ASSERT_X(0, "src\\UIUserInputMultiply", "0");
}

void UIUserInputMultiply::forwardSignalFrom(UIIUserInput* other)
{
    Q_UNUSED(other);
    Q_ASSERT_X(0, "src\\UIUserInputMultiply", "0");
}

QWidget* UIUserInputMultiply::widget()
{
    Q_ASSERT_X(0, "src\\UIUserInputMultiply", "0");
    return nullptr;
}

void UIUserInputMultiply::bindMethodCall(UIIBinding* binding)
{
    Q_UNUSED(binding);
    Q_ASSERT_X(0, "src\\UIUserInputMultiply", "0");
}

void UIUserInputMultiply::showInfoTip(const QString& text)
{
    Q_UNUSED(text);
    Q_ASSERT_X(0, "src\\UIUserInputMultiply", "0");
}
