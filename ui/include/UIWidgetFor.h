#pragma once

#include "UIIWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMap>
#include <QPointer>
#include <QSpinBox>

class QFocusEvent;
class UISignalRelay;
class UIWidgetEnabler;

// Gives a Qt editor (check box, combo box, double spin box, line edit, spin box) the user-input
// interface. Built without parent; the page that builds it places it in a layout.
template <class W>
class UIWidgetFor : public W, public UIIWidget
{
public:
    UIWidgetFor();
    ~UIWidgetFor() override;

    QVariant getValue() const override;
    QString text() const override;
    // A programmatic write: raises ValueChanged and ValueSet, never UserEdited or Commit, and
    // lets a bound property take what the widget really holds.
    void setValue(const QVariant& value) override;
    // The same as QWidget::setEnabled, which keeps the companion widget in step as well.
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;
    void addValidator(boost::shared_ptr<UIIValidator> validator) override;
    void forwardSignalFrom(UIIUserInput* other) override;
    QObject* object() override;
    QWidget* widget() override;
    void connectSignal(QObject* receiver, const char* member, int kind) override;
    void bindMethodCall(UIIBinding* binding) override;
    void showInfoTip(const QString& text) override;
    void setCompanionWidget(QWidget* companion) override;

    // Enabling rules with this input as source; each rule is a child of this widget.
    void disableOnValue(QWidget* target, const QVariant& value);
    void disableOnValue(UIIUserInput* target, const QVariant& value);
    void enableOnValue(QWidget* target, const QVariant& value);
    void enableOnValue(UIIUserInput* target, const QVariant& value);
    // Enables the target on the first user edit that changes the value.
    void enableOnChange(QWidget* target);
    // A wrapper as target is taken as an input, so its companion follows too.
    template <class T>
    void disableOnValue(UIWidgetFor<T>* target, const QVariant& value)
    {
        disableOnValue(static_cast<UIIUserInput*>(target), value);
    }
    template <class T>
    void enableOnValue(UIWidgetFor<T>* target, const QVariant& value)
    {
        enableOnValue(static_cast<UIIUserInput*>(target), value);
    }

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    UISignalRelay* createRelay(int kind);
    void setRelaysBlocked(bool blocked);
    void addValueRule(UIWidgetEnabler* enabler, int mode, const QVariant& value);

    UIIBinding* m_pBinding = nullptr;
    QMap<int, UISignalRelay*> m_relays;
    QPointer<QWidget> m_pCompanion;
    // A line edit that was given a number hands back a number of that type.
    int m_valueType = QMetaType::QString;
};

extern template class UIWidgetFor<QCheckBox>;
extern template class UIWidgetFor<QComboBox>;
extern template class UIWidgetFor<QDoubleSpinBox>;
extern template class UIWidgetFor<QLineEdit>;
extern template class UIWidgetFor<QSpinBox>;
