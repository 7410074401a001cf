#pragma once

#include <QString>
#include <QVariant>
#include <boost/shared_ptr.hpp>

class QObject;
class QWidget;
class UIIBinding;
class UIIValidator;

// One interface for every editor: its value, enabling, validation and change notifications.
class UIIUserInput
{
public:
    // Change notifications come in kinds, each carried by a relay of its own.
    enum SignalKind
    {
        UserEdited = 0,      // the user edited the value
        EditingFinished = 1, // validators listen here
        ValueChanged = 2,    // by the user or the program
        FocusLost = 3,
        ValueSet = 10,       // the program set the value
        Commit = 11          // a bound property is written from here
    };

    virtual ~UIIUserInput() = default;

    virtual QVariant getValue() const = 0;
    virtual QString text() const = 0;
    virtual void setValue(const QVariant& value) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    virtual void addValidator(boost::shared_ptr<UIIValidator> validator) = 0;
    // The other input's EditingFinished raises this input's EditingFinished too.
    virtual void forwardSignalFrom(UIIUserInput* other) = 0;
    virtual QObject* object() = 0;
    virtual QWidget* widget() = 0;
    // member is a Qt member string such as SLOT(onChanged()).
    virtual void connectSignal(QObject* receiver, const char* member, int kind) = 0;
    virtual void bindMethodCall(UIIBinding* binding) = 0;
    virtual void showInfoTip(const QString& text) = 0;
};
