#include "UIWidgetFor.h"

#include "UIIBinding.h"
#include "UIInfoTip.h"
#include "UISignalRelay.h"
#include "UIWidgetEnabler.h"
#include "UIWidgetValidator.h"
#include "ValueConversions.h"

#include <QEvent>

#include <type_traits>
#include <utility>

namespace
{
bool isIntegralType(int type)
{
    switch (type)
    {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool isNumberType(int type)
{
    return isIntegralType(type) || type == QMetaType::Double || type == QMetaType::Float;
}

// The line edit's text as a number of the type it was last given; the text itself when it
// does not read as one.
QVariant lineEditValue(const QString& text, int type)
{
    if (!isNumberType(type))
        return text;
    bool ok = false;
    QVariant number = isIntegralType(type) ? QVariant(variantToInt(text, &ok)) : QVariant(variantToDouble(text, &ok));
    if (ok && number.convert(type))
        return number;
    return text;
}
}

template <class W>
UIWidgetFor<W>::UIWidgetFor()
    : W(nullptr)
{
    UISignalRelay* commit = createRelay(Commit);
    UISignalRelay* changed = createRelay(ValueChanged);
    UISignalRelay* edited = createRelay(UserEdited);
    if constexpr (std::is_same_v<W, QComboBox>)
    {
        createRelay(FocusLost);
        // A selection is finished the moment it is made.
        m_relays.insert(EditingFinished, changed);
        createRelay(ValueSet);
        const auto indexChanged = qOverload<int>(&QComboBox::currentIndexChanged);
        QObject::connect(this, indexChanged, commit, &UISignalRelay::slot);
        QObject::connect(this, indexChanged, changed, &UISignalRelay::slot);
        QObject::connect(this, indexChanged, edited, &UISignalRelay::slot);
    }
    else
    {
        UISignalRelay* finished = createRelay(EditingFinished);
        createRelay(FocusLost);
        createRelay(ValueSet);
        if constexpr (std::is_same_v<W, QCheckBox>)
        {
            QObject::connect(this, &QCheckBox::stateChanged, commit, &UISignalRelay::slot);
            QObject::connect(this, &QCheckBox::stateChanged, changed, &UISignalRelay::slot);
            QObject::connect(this, &QCheckBox::stateChanged, edited, &UISignalRelay::slot);
            QObject::connect(this, &QCheckBox::stateChanged, finished, &UISignalRelay::slot);
        }
        else if constexpr (std::is_same_v<W, QLineEdit>)
        {
            // A line edit commits only when editing ends.
            QObject::connect(this, &QLineEdit::editingFinished, commit, &UISignalRelay::slot);
            QObject::connect(this, &QLineEdit::textChanged, changed, &UISignalRelay::slot);
            QObject::connect(this, &QLineEdit::textEdited, edited, &UISignalRelay::slot);
            QObject::connect(this, &QLineEdit::editingFinished, finished, &UISignalRelay::slot);
        }
        else
        {
            // Spin boxes commit on every value change.
            const auto valueChanged = qOverload<decltype(std::declval<W&>().value())>(&W::valueChanged);
            QObject::connect(this, valueChanged, commit, &UISignalRelay::slot);
            QObject::connect(this, valueChanged, changed, &UISignalRelay::slot);
            QObject::connect(this, valueChanged, edited, &UISignalRelay::slot);
            QObject::connect(this, &W::editingFinished, finished, &UISignalRelay::slot);
        }
    }
}

template <class W>
UIWidgetFor<W>::~UIWidgetFor() = default;

template <class W>
UISignalRelay* UIWidgetFor<W>::createRelay(int kind)
{
    UISignalRelay* relay = new UISignalRelay(this);
    m_relays.insert(kind, relay);
    return relay;
}

template <class W>
void UIWidgetFor<W>::setRelaysBlocked(bool blocked)
{
    m_relays.value(UserEdited)->blockSignals(blocked);
    m_relays.value(Commit)->blockSignals(blocked);
}

template <class W>
QVariant UIWidgetFor<W>::getValue() const
{
    if constexpr (std::is_same_v<W, QCheckBox>)
        return QVariant(W::checkState() == Qt::Checked);
    else if constexpr (std::is_same_v<W, QComboBox>)
        return W::currentData(Qt::UserRole);
    else if constexpr (std::is_same_v<W, QLineEdit>)
        return lineEditValue(W::text(), m_valueType);
    else
        return QVariant(W::value());
}

template <class W>
QString UIWidgetFor<W>::text() const
{
    if constexpr (std::is_same_v<W, QCheckBox>)
        return W::checkState() == Qt::Checked ? QStringLiteral("On") : QStringLiteral("Off");
    else if constexpr (std::is_same_v<W, QComboBox>)
        return W::currentText();
    else if constexpr (std::is_same_v<W, QDoubleSpinBox>)
        return QString::number(W::value(), 'g', 6);
    else if constexpr (std::is_same_v<W, QLineEdit>)
        return W::text();
    else
        return QString::number(W::value(), 10);
}

template <class W>
void UIWidgetFor<W>::setValue(const QVariant& value)
{
    UISignalRelay* valueSet = m_relays.value(ValueSet);
    if constexpr (std::is_same_v<W, QCheckBox>)
    {
        setRelaysBlocked(true);
        W::setChecked(value.toBool());
        if (m_pBinding)
            m_pBinding->updateSource();
        valueSet->slot();
        setRelaysBlocked(false);
    }
    else if constexpr (std::is_same_v<W, QComboBox>)
    {
        setRelaysBlocked(true);
        for (int i = 0; i < W::count(); ++i)
        {
            if (W::itemData(i, Qt::UserRole) == value)
            {
                W::setCurrentIndex(i);
                valueSet->slot();
                setRelaysBlocked(false);
                if (m_pBinding)
                    m_pBinding->updateSource();
                return;
            }
        }
        // No item carries the value: show the first and leave a bound property alone.
        W::setCurrentIndex(0);
        setRelaysBlocked(false);
    }
    else if constexpr (std::is_same_v<W, QLineEdit>)
    {
        if (value.isValid())
            m_valueType = value.userType();
        W::setText(variantToString(value));
        valueSet->slot();
        if (m_pBinding)
            m_pBinding->updateSource();
    }
    else
    {
        setRelaysBlocked(true);
        if constexpr (std::is_same_v<W, QDoubleSpinBox>)
            W::setValue(variantToDouble(value));
        else
            W::setValue(variantToInt(value));
        valueSet->slot();
        if (m_pBinding)
            m_pBinding->updateSource();
        setRelaysBlocked(false);
    }
}

template <class W>
void UIWidgetFor<W>::setEnabled(bool enabled)
{
    // The companion follows in changeEvent, so a call through QWidget* keeps it in step too.
    W::setEnabled(enabled);
}

template <class W>
void UIWidgetFor<W>::changeEvent(QEvent* event)
{
    W::changeEvent(event);
    // The widget's own setting, not what a disabled parent makes of it.
    if (event->type() == QEvent::EnabledChange && m_pCompanion)
        m_pCompanion->setEnabled(!this->testAttribute(Qt::WA_Disabled));
}

template <class W>
bool UIWidgetFor<W>::isEnabled() const
{
    return W::isEnabled();
}

template <class W>
void UIWidgetFor<W>::addValidator(boost::shared_ptr<UIIValidator> validator)
{
    if constexpr (std::is_same_v<W, QComboBox>)
    {
        Q_UNUSED(validator);
        Q_ASSERT_X(0, "src\\UIWidgetFor", "0");
    }
    else
    {
        UIWidgetValidator* widgetValidator = new UIWidgetValidator(this, validator);
        QObject::connect(m_relays.value(EditingFinished), &UISignalRelay::signal, widgetValidator,
                         &UIWidgetValidator::validateWidget);
    }
}

template <class W>
void UIWidgetFor<W>::forwardSignalFrom(UIIUserInput* other)
{
    if constexpr (std::is_same_v<W, QComboBox>)
    {
        Q_UNUSED(other);
        Q_ASSERT_X(0, "src\\UIWidgetFor", "0");
    }
    else
    {
        other->connectSignal(m_relays.value(EditingFinished), SLOT(slot()), EditingFinished);
    }
}

template <class W>
QObject* UIWidgetFor<W>::object()
{
    return this;
}

template <class W>
QWidget* UIWidgetFor<W>::widget()
{
    return this;
}

template <class W>
void UIWidgetFor<W>::connectSignal(QObject* receiver, const char* member, int kind)
{
    QObject::connect(m_relays.value(kind), SIGNAL(signal()), receiver, member);
}

template <class W>
void UIWidgetFor<W>::bindMethodCall(UIIBinding* binding)
{
    m_pBinding = binding;
    binding->setParent(this);
    binding->setUserInput(this);
    m_relays.value(Commit)->addUpdateSourceCall(binding);
    binding->updateUserInput();
}

template <class W>
void UIWidgetFor<W>::showInfoTip(const QString& text)
{
    UIInfoTip(UIInfoTip::Error, static_cast<QWidget*>(this), text, UIInfoTip::s_errorDuration);
}

template <class W>
void UIWidgetFor<W>::setCompanionWidget(QWidget* companion)
{
    m_pCompanion = companion;
}

template <class W>
void UIWidgetFor<W>::disableOnValue(QWidget* target, const QVariant& value)
{
    addValueRule(new UIWidgetEnabler(this, target), UIWidgetEnabler::DisableOnValue, value);
}

template <class W>
void UIWidgetFor<W>::disableOnValue(UIIUserInput* target, const QVariant& value)
{
    addValueRule(new UIWidgetEnabler(this, target), UIWidgetEnabler::DisableOnValue, value);
}

template <class W>
void UIWidgetFor<W>::enableOnValue(QWidget* target, const QVariant& value)
{
    addValueRule(new UIWidgetEnabler(this, target), UIWidgetEnabler::EnableOnValue, value);
}

template <class W>
void UIWidgetFor<W>::enableOnValue(UIIUserInput* target, const QVariant& value)
{
    addValueRule(new UIWidgetEnabler(this, target), UIWidgetEnabler::EnableOnValue, value);
}

template <class W>
void UIWidgetFor<W>::addValueRule(UIWidgetEnabler* enabler, int mode, const QVariant& value)
{
    enabler->setRule(mode, value);
    connectSignal(enabler, SLOT(onSourceChanged()), ValueChanged);
    enabler->onSourceChanged();
}

template <class W>
void UIWidgetFor<W>::enableOnChange(QWidget* target)
{
    UIWidgetEnabler* enabler = new UIWidgetEnabler(this, target);
    enabler->setRule(UIWidgetEnabler::EnableOnChange, QVariant());
    connectSignal(enabler, SLOT(onSourceChanged()), UserEdited);
    connectSignal(enabler, SLOT(syncToSource()), ValueSet);
}

template <class W>
void UIWidgetFor<W>::focusOutEvent(QFocusEvent* event)
{
    W::focusOutEvent(event);
    if (m_pBinding)
        m_pBinding->validateSource();
    m_relays.value(FocusLost)->slot();
}

template class UIWidgetFor<QCheckBox>;
template class UIWidgetFor<QComboBox>;
template class UIWidgetFor<QDoubleSpinBox>;
template class UIWidgetFor<QLineEdit>;
template class UIWidgetFor<QSpinBox>;
