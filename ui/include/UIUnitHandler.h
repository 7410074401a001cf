#pragma once

#include "UIUserInputForwarder.h"

#include <QHash>

class UIIValueProcessor;

// Joins a value input and a unit input into one input whose value is always in the base unit;
// switching the unit converts the number shown and keeps the value.
class UIUnitHandler : public UIUserInputForwarder
{
    Q_OBJECT

public:
    // A child of the unit input's object.
    UIUnitHandler(UIIUserInput* unitInput, UIIUserInput* valueInput);

    // Replaces any processor of that unit with the identity.
    void setBaseUnit(const QVariant& unit);
    // Takes ownership; each unit has one processor.
    void addConversion(const QVariant& unit, UIIValueProcessor* processor);
    // Converts again when other changes (an input that a processor reads).
    void connectValueChanged(UIIUserInput* other);
    // A base value in the unit selected.
    QVariant convertValue(const QVariant& base) const;

    QVariant getValue() const override;
    void setValue(const QVariant& value) override;
    // Enables and disables the unit input too.
    void setEnabled(bool enabled) override;
    // The commit is a user edit of the value input, and the end of an edit whose text the value
    // input's own validator fixed up (that change is no user edit, yet it is what is shown).
    void bindMethodCall(UIIBinding* binding) override;

private slots:
    void onUnitChanged();
    void onValueChanged();
    void onFocusLost();
    void onValueTaken();
    void onEditingFinished();

private:
    boost::shared_ptr<UIIValueProcessor> currentProcessor() const;

    UIIUserInput* m_pUnitInput;
    QVariant m_baseUnit;
    QHash<QString, boost::shared_ptr<UIIValueProcessor>> m_conversions;
    QHash<QString, QVariant> m_shownValues;
    UIIBinding* m_pBinding = nullptr;
    // The value input's text when it was last committed or set.
    QString m_takenText;
};
