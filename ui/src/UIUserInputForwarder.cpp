#include "UIUserInputForwarder.h"

#include "UIIBinding.h"
#include "UISignalRelay.h"
#include "UIWidgetValidator.h"

UIUserInputForwarder::UIUserInputForwarder(UIIUserInput* inner, QObject* parent)
    : QObject(parent)
    , m_pInner(inner)
{
}

QVariant UIUserInputForwarder::getValue() const
{
    return m_pInner->getValue();
}

QString UIUserInputForwarder::text() const
{
    return m_pInner->text();
}

void UIUserInputForwarder::setValue(const QVariant& value)
{
    m_pInner->setValue(value);
}

void UIUserInputForwarder::setEnabled(bool enabled)
{
    m_pInner->setEnabled(enabled);
}

bool UIUserInputForwarder::isEnabled() const
{
    return m_pInner->isEnabled();
}

void UIUserInputForwarder::addValidator(boost::shared_ptr<UIIValidator> validator)
{
    UIWidgetValidator* widgetValidator = new UIWidgetValidator(this, validator);
    m_pInner->connectSignal(widgetValidator, SLOT(validateWidget()), EditingFinished);
}

void UIUserInputForwarder::forwardSignalFrom(UIIUserInput* other)
{
    m_pInner->forwardSignalFrom(other);
}

QObject* UIUserInputForwarder::object()
{
    return m_pInner->object();
}

QWidget* UIUserInputForwarder::widget()
{
    Q_ASSERT_X(0, "src\\UIUserInputForwarder", "0");
    return nullptr;
}

void UIUserInputForwarder::connectSignal(QObject* receiver, const char* member, int kind)
{
    m_pInner->connectSignal(receiver, member, kind);
}

void UIUserInputForwarder::bindMethodCall(UIIBinding* binding)
{
    attachBinding(binding);
    binding->updateUserInput();
}

void UIUserInputForwarder::showInfoTip(const QString& text)
{
    m_pInner->showInfoTip(text);
}

void UIUserInputForwarder::attachBinding(UIIBinding* binding)
{
    binding->setParent(this);
    binding->setUserInput(this);
    UISignalRelay* relay = new UISignalRelay(this);
    relay->addUpdateSourceCall(binding);
    m_pInner->connectSignal(relay, SLOT(slot()), UserEdited);
}
