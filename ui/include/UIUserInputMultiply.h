#pragma once

#include "UIIUserInput.h"

#include <QObject>

// A read-only input whose value is the product of two inputs.
class UIUserInputMultiply : public QObject, public UIIUserInput
{
    Q_OBJECT

public:
    // A child of the first input's object.
    UIUserInputMultiply(UIIUserInput* first, UIIUserInput* second);

    QVariant getValue() const override;
    QString text() const override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;
    QObject* object() override;
    void connectSignal(QObject* receiver, const char* member, int kind) override;

    // Not supported: a product cannot be edited.
    void setValue(const QVariant& value) override;
    void addValidator(boost::shared_ptr<UIIValidator> validator) override;
    void forwardSignalFrom(UIIUserInput* other) override;
    QWidget* widget() override;
    void bindMethodCall(UIIBinding* binding) override;
    void showInfoTip(const QString& text) override;

private:
    UIIUserInput* m_pFirst;
    UIIUserInput* m_pSecond;
};
