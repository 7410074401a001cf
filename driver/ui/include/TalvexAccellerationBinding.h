#pragma once

#include "Properties.h"
#include "TalvexDriverDescriptor.h"
#include "TalvexDriverMotionConfiguration.h"
#include "UIIBinding.h"

#include <QObject>

class UIUserInputRegister;

// Binds the motion configuration's acceleration (tenths of a full step per second squared) to
// the acceleration editor, which works in full steps per second squared. It reaches the editor
// only through the register's "BaseUnitAcceleration" input. When the editor loses the focus it
// validates the whole configuration for the model, so a corrected acceleration and its message
// come back into the editor. Made by the motion widget factory and bound to the acceleration's
// unit handler, whose Qt child it becomes; GUI thread only.
class TalvexAccellerationBinding
    : public QObject
    , public UIIBinding
    , public Properties<TalvexDriverMotionConfigurationTraits>::IChangeObserver
{
    Q_OBJECT

public:
    TalvexAccellerationBinding(TalvexDriverMotionConfiguration* configuration, UIUserInputRegister* inputs,
        const TalvexDriverDescriptor& descriptor);
    ~TalvexAccellerationBinding() override;

    void updateUserInput() override;
    void updateSource() override;
    void setParent(QObject* parent) override;
    // The input is always looked up in the register.
    void setUserInput(UIIUserInput* input) override;
    void validateSource() override;

    void propertyChanged(int id, const QVariant& value) override;
    void validationMessage(int id, const QString& text) override;
    void sourceDestroyed(Properties<TalvexDriverMotionConfigurationTraits>* source) override;

private:
    UIIUserInput* input() const;

    UIUserInputRegister* m_pInputs;
    TalvexDriverMotionConfiguration* m_pConfiguration;
    TalvexDriverDescriptor m_descriptor;
    // Set while this binding writes or validates the configuration itself.
    bool m_busy = false;
};
