#include "UIUnitHandler.h"

#include "UIIBinding.h"
#include "UIInfoTip.h"
#include "UISignalRelay.h"
#include "UIValueScaleProcessor.h"
#include "UIWidgetValidator.h"
#include "ValueConversions.h"

UIUnitHandler::UIUnitHandler(UIIUserInput* unitInput, UIIUserInput* valueInput)
    : QObject(unitInput->object())
    , m_pUnitInput(unitInput)
    , m_pValueInput(valueInput)
{
    unitInput->connectSignal(this, SLOT(onUnitChanged()), ValueChanged);
    valueInput->connectSignal(this, SLOT(onValueChanged()), ValueChanged);
    valueInput->connectSignal(this, SLOT(onFocusLost()), FocusLost);
}

void UIUnitHandler::setBaseUnit(const QVariant& unit)
{
    m_baseUnit = unit;
    m_conversions.insert(variantToString(unit), boost::shared_ptr<UIIValueProcessor>(new UIValueScaleProcessor(1.0, nullptr, nullptr)));
}

void UIUnitHandler::addConversion(const QVariant& unit, UIIValueProcessor* processor)
{
    const QString key = variantToString(unit);
    Q_ASSERT_X(!m_conversions.contains(key), "src\\UIUnitHandler", "!m_conversions.contains(unit.toString())");
    m_conversions.insert(key, boost::shared_ptr<UIIValueProcessor>(processor));
}

void UIUnitHandler::connectValueChanged(UIIUserInput* other)
{
    other->connectSignal(this, SLOT(onValueChanged()), ValueChanged);
}

QVariant UIUnitHandler::convertValue(const QVariant& base) const
{
    const boost::shared_ptr<UIIValueProcessor> processor = currentProcessor();
    return processor ? processor->forward(base) : QVariant();
}

boost::shared_ptr<UIIValueProcessor> UIUnitHandler::currentProcessor() const
{
    const boost::shared_ptr<UIIValueProcessor> processor = m_conversions.value(variantToString(m_pUnitInput->getValue()));
    Q_ASSERT_X(processor, "src\\UIUnitHandler", "processor");
    return processor;
}

QVariant UIUnitHandler::getValue() const
{
    const boost::shared_ptr<UIIValueProcessor> processor = currentProcessor();
    return processor ? processor->backward(m_pValueInput->getValue()) : QVariant();
}

QString UIUnitHandler::text() const
{
    return m_pValueInput->text();
}

void UIUnitHandler::setValue(const QVariant& value)
{
    const boost::shared_ptr<UIIValueProcessor> processor = currentProcessor();
    if (processor)
        m_pValueInput->setValue(processor->forward(value));
}

void UIUnitHandler::setEnabled(bool enabled)
{
    m_pUnitInput->setEnabled(enabled);
    m_pValueInput->setEnabled(enabled);
}

bool UIUnitHandler::isEnabled() const
{
    return m_pValueInput->isEnabled();
}

void UIUnitHandler::addValidator(boost::shared_ptr<UIIValidator> validator)
{
    UIWidgetValidator* widgetValidator = new UIWidgetValidator(this, validator);
    m_pValueInput->connectSignal(widgetValidator, SLOT(validateWidget()), EditingFinished);
}

void UIUnitHandler::forwardSignalFrom(UIIUserInput* other)
{
    m_pValueInput->forwardSignalFrom(other);
}

QObject* UIUnitHandler::object()
{
    return m_pValueInput->object();
}

QWidget* UIUnitHandler::widget()
{
    Q_ASSERT_X(0, "src\\UIUnitHandler", "0");
    return nullptr;
}

void UIUnitHandler::connectSignal(QObject* receiver, const char* member, int kind)
{
    m_pValueInput->connectSignal(receiver, member, kind);
}

void UIUnitHandler::bindMethodCall(UIIBinding* binding)
{
    m_pBinding = binding;
    binding->setParent(this);
    binding->setUserInput(this);
    UISignalRelay* relay = new UISignalRelay(this);
    relay->addUpdateSourceCall(binding);
    m_pValueInput->connectSignal(relay, SLOT(slot()), UserEdited);
    m_pValueInput->connectSignal(this, SLOT(onValueTaken()), UserEdited);
    m_pValueInput->connectSignal(this, SLOT(onValueTaken()), ValueSet);
    m_pValueInput->connectSignal(this, SLOT(onEditingFinished()), EditingFinished);
    binding->updateUserInput();
}

void UIUnitHandler::showInfoTip(const QString& text)
{
    UIInfoTip(UIInfoTip::Error, m_pValueInput, text, UIInfoTip::s_errorDuration);
}

void UIUnitHandler::onUnitChanged()
{
    // The number shown changes, the value stays; nothing is committed.
    m_pValueInput->setValue(m_shownValues.value(variantToString(m_pUnitInput->getValue())));
}

void UIUnitHandler::onValueChanged()
{
    const QVariant base = getValue();
    for (auto it = m_conversions.constBegin(); it != m_conversions.constEnd(); ++it)
        m_shownValues.insert(it.key(), it.value()->forward(base));
}

void UIUnitHandler::onValueTaken()
{
    m_takenText = m_pValueInput->text();
}

void UIUnitHandler::onEditingFinished()
{
    // Only a text nobody committed (a validator's fixup raises no user edit); committing a
    // number again that was merely shown would round the value to the digits shown.
    if (m_pValueInput->text() == m_takenText)
        return;
    m_takenText = m_pValueInput->text();
    m_pBinding->updateSource();
}

void UIUnitHandler::onFocusLost()
{
    if (m_pBinding)
        m_pBinding->validateSource();
}
