#pragma once

#include "UIIUserInput.h"

#include <QObject>

// Base of the inputs that stand in front of another one (a value table, a unit): every call
// goes on to the inner input, and a subclass overrides only what it changes. Built and used on
// the GUI thread, like the inputs it stands in front of.
class UIUserInputForwarder : public QObject, public UIIUserInput
{
    Q_OBJECT

public:
    // The inner input must outlive this one: a forwarder is a child of one of its objects.
    UIUserInputForwarder(UIIUserInput* inner, QObject* parent);

    QVariant getValue() const override;
    QString text() const override;
    void setValue(const QVariant& value) override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;
    // Validators check this input's value (not the inner one's) when the inner editing ends.
    void addValidator(boost::shared_ptr<UIIValidator> validator) override;
    void forwardSignalFrom(UIIUserInput* other) override;
    QObject* object() override;
    // A forwarder has no widget of its own.
    QWidget* widget() override;
    void connectSignal(QObject* receiver, const char* member, int kind) override;
    // The commit is a user edit of the inner input.
    void bindMethodCall(UIIBinding* binding) override;
    void showInfoTip(const QString& text) override;

protected:
    UIIUserInput* inner() const { return m_pInner; }
    // The binding's part of bindMethodCall without its first read: a subclass that listens to
    // more of the inner input connects that before the binding fills this input.
    void attachBinding(UIIBinding* binding);

private:
    UIIUserInput* m_pInner;
};
