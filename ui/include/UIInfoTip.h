#pragma once

#include <QObject>

class QWidget;
class UIIUserInput;

// Shows a small icon over the upper-left corner of a widget whose tool tip holds a message.
// A widget has at most one tip: a new one replaces the last. Building the object shows the tip;
// the object itself holds nothing afterwards.
class UIInfoTip : public QObject
{
    Q_OBJECT

public:
    enum Kind
    {
        Remove = 0, // only removes the widget's tip
        Error = 1,
        Information = 2
    };

    // How long the studio shows its error tips.
    static constexpr int s_errorDuration = 5000;

    // milliseconds -1 keeps the tip until the next one for the widget. The widget must have
    // a parent widget, which holds the tip.
    UIInfoTip(int kind, QWidget* widget, const QString& text, int milliseconds);
    UIInfoTip(int kind, UIIUserInput* input, const QString& text, int milliseconds);

    // The dynamic property by which a tip names its widget.
    static const char* const s_propertyName;

private:
    void showTip(int kind, QWidget* widget, const QString& text, int milliseconds);
};
