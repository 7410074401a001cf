#include "UIWidgetEnabler.h"

#include "UIIUserInput.h"

#include <QWidget>

UIWidgetEnabler::UIWidgetEnabler(UIIUserInput* source, UIIUserInput* target)
    : QObject(source->object())
    , m_pSource(source)
    , m_pTargetInput(target)
{
    connect(target->object(), &QObject::destroyed, this, &UIWidgetEnabler::onTargetDestroyed);
}

UIWidgetEnabler::UIWidgetEnabler(UIIUserInput* source, QWidget* target)
    : QObject(source->object())
    , m_pSource(source)
    , m_pTargetWidget(target)
{
    connect(target, &QObject::destroyed, this, &UIWidgetEnabler::onTargetDestroyed);
}

void UIWidgetEnabler::setRule(int mode, const QVariant& value)
{
    m_mode = mode;
    m_value = value;
}

void UIWidgetEnabler::onSourceChanged()
{
    const QVariant value = m_pSource->getValue();
    if (m_pTargetInput || m_pTargetWidget)
        apply(value);
    m_lastValue = value;
}

void UIWidgetEnabler::syncToSource()
{
    m_lastValue = m_pSource->getValue();
}

void UIWidgetEnabler::onTargetDestroyed()
{
    // Forgotten at once: the source may still change before the deferred delete runs.
    m_pTargetInput = nullptr;
    m_pTargetWidget = nullptr;
    deleteLater();
}

void UIWidgetEnabler::apply(const QVariant& value)
{
    bool enable = false;
    switch (m_mode)
    {
    case EnableOnChange:
        if (value == m_lastValue)
            return;
        enable = true;
        break;
    case EnableOnValue:
        if (value != m_value)
            return;
        enable = true;
        break;
    case DisableOnValue:
        if (value != m_value)
            return;
        enable = false;
        break;
    default:
        Q_ASSERT_X(0, "src\\UIWidgetEnabler", "0");
        return;
    }
    if (m_pTargetInput)
        m_pTargetInput->setEnabled(enable);
    else
        m_pTargetWidget->setEnabled(enable);
}
