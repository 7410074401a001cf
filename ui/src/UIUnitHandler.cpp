#include "UIUnitHandler.h"

#include "UIIBinding.h"
#include "UIValueScaleProcessor.h"
#include "ValueConversions.h"

UIUnitHandler::UIUnitHandler(UIIUserInput* unitInput, UIIUserInput* valueInput)
    : UIUserInputForwarder(valueInput, unitInput->object())
    , m_pUnitInput(unitInput)
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
    return processor ? processor->backward(inner()->getValue()) : QVariant();
}

void UIUnitHandler::setValue(const QVariant& value)
{
    const boost::shared_ptr<UIIValueProcessor> processor = currentProcessor();
    if (processor)
        inner()->setValue(processor->forward(value));
}

void UIUnitHandler::setEnabled(bool enabled)
{
    m_pUnitInput->setEnabled(enabled);
    inner()->setEnabled(enabled);
}

void UIUnitHandler::bindMethodCall(UIIBinding* binding)
{
    m_pBinding = binding;
    attachBinding(binding);
    inner()->connectSignal(this, SLOT(onValueTaken()), UserEdited);
    inner()->connectSignal(this, SLOT(onValueTaken()), ValueSet);
    inner()->connectSignal(this, SLOT(onEditingFinished()), EditingFinished);
    binding->updateUserInput();
}

void UIUnitHandler::onUnitChanged()
{
    // The number shown changes, the value stays; nothing is committed.
    inner()->setValue(m_shownValues.value(variantToString(m_pUnitInput->getValue())));
}

void UIUnitHandler::onValueChanged()
{
    const QVariant base = getValue();
    for (auto it = m_conversions.constBegin(); it != m_conversions.constEnd(); ++it)
        m_shownValues.insert(it.key(), it.value()->forward(base));
}

void UIUnitHandler::onValueTaken()
{
    m_takenText = inner()->text();
}

void UIUnitHandler::onEditingFinished()
{
    // Only a text nobody committed (a validator's fixup raises no user edit); committing a
    // number again that was merely shown would round the value to the digits shown.
    if (inner()->text() == m_takenText)
        return;
    m_takenText = inner()->text();
    m_pBinding->updateSource();
}

void UIUnitHandler::onFocusLost()
{
    if (m_pBinding)
        m_pBinding->validateSource();
}
