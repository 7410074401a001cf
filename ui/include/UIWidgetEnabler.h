#pragma once

#include <QObject>
#include <QVariant>

class QWidget;
class UIIUserInput;

// Enables or disables a target (an input or a plain widget) from the value of a source input.
// A rule only ever sets its own direction; rules are used in pairs.
class UIWidgetEnabler : public QObject
{
    Q_OBJECT

public:
    enum Mode
    {
        EnableOnChange = 1, // enable once the source's value differs from the one seen last
        EnableOnValue = 2,
        DisableOnValue = 3
    };

    // A child of the source; it goes when its target goes.
    UIWidgetEnabler(UIIUserInput* source, UIIUserInput* target);
    UIWidgetEnabler(UIIUserInput* source, QWidget* target);

    void setRule(int mode, const QVariant& value);

public slots:
    void onSourceChanged();
    // Takes the source's value as the one seen last, without touching the target.
    void syncToSource();

private slots:
    void onTargetDestroyed();

private:
    void apply(const QVariant& value);

    int m_mode = 0;
    QVariant m_value;
    QVariant m_lastValue;
    UIIUserInput* m_pSource;
    UIIUserInput* m_pTargetInput = nullptr;
    QWidget* m_pTargetWidget = nullptr;
};
