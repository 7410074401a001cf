#pragma once

#include "UIIUserInput.h"

#include <QHash>
#include <QObject>

// Puts a value table between a source input and what is bound to it: the source shows one set
// of values, the converter reads and writes the other.
class UIEnumConverter : public QObject, public UIIUserInput
{
    Q_OBJECT

public:
    // A child of the source's object.
    explicit UIEnumConverter(UIIUserInput* source);

    // Every source value needs a pair; a later pair with the same key replaces the earlier.
    void addConversion(const QVariant& sourceValue, const QVariant& value);

    QVariant getValue() const override;
    QString text() const override;
    void setValue(const QVariant& value) override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;
    void addValidator(boost::shared_ptr<UIIValidator> validator) override;
    void forwardSignalFrom(UIIUserInput* other) override;
    QObject* object() override;
    QWidget* widget() override;
    void connectSignal(QObject* receiver, const char* member, int kind) override;
    // The commit is a user edit of the source.
    void bindMethodCall(UIIBinding* binding) override;
    // A converter shows no tips.
    void showInfoTip(const QString& text) override;

private:
    UIIUserInput* m_pSource;
    QHash<QString, QVariant> m_conversions;
    QHash<QString, QVariant> m_reverse;
};
