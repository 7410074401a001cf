#pragma once

#include "UIUserInputForwarder.h"

#include <QHash>

// Puts a value table between a source input and what is bound to it: the source shows one set
// of values, the converter reads and writes the other.
class UIEnumConverter : public UIUserInputForwarder
{
    Q_OBJECT

public:
    // A child of the source's object.
    explicit UIEnumConverter(UIIUserInput* source);

    // Every source value needs a pair; a later pair with the same key replaces the earlier.
    void addConversion(const QVariant& sourceValue, const QVariant& value);

    QVariant getValue() const override;
    void setValue(const QVariant& value) override;
    // A converter shows no tips.
    void showInfoTip(const QString& text) override;

private:
    QHash<QString, QVariant> m_conversions;
    QHash<QString, QVariant> m_reverse;
};
