#pragma once

#include "UIIUserInput.h"

#include <QHash>
#include <QObject>

class UIIValueProcessor;

// Joins a value input and a unit input into one input whose value is always in the base unit;
// switching the unit converts the number shown and keeps the value.
class UIUnitHandler : public QObject, public UIIUserInput
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
    QString text() const override;
    void setValue(const QVariant& value) override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;
    void addValidator(boost::shared_ptr<UIIValidator> validator) override;
    void forwardSignalFrom(UIIUserInput* other) override;
    QObject* object() override;
    QWidget* widget() override;
    void connectSignal(QObject* receiver, const char* member, int kind) override;
    // The commit is a user edit of the value input, and the end of an edit whose text the value
    // input's own validator fixed up (that change is no user edit, yet it is what is shown).
    void bindMethodCall(UIIBinding* binding) override;
    void showInfoTip(const QString& text) override;

private slots:
    void onUnitChanged();
    void onValueChanged();
    void onFocusLost();
    void onValueTaken();
    void onEditingFinished();

private:
    boost::shared_ptr<UIIValueProcessor> currentProcessor() const;

    UIIUserInput* m_pUnitInput;
    UIIUserInput* m_pValueInput;
    QVariant m_baseUnit;
    QHash<QString, boost::shared_ptr<UIIValueProcessor>> m_conversions;
    QHash<QString, QVariant> m_shownValues;
    UIIBinding* m_pBinding = nullptr;
    // The value input's text when it was last committed or set.
    QString m_takenText;
};
