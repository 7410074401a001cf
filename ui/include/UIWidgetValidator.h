#pragma once

#include <QObject>
#include <boost/shared_ptr.hpp>

class UIIUserInput;
class UIIValidator;

// Runs a validator on an input when its editing ends: a refused value is replaced by the
// corrected one and the reason shown as an error tip.
class UIWidgetValidator : public QObject
{
    Q_OBJECT

public:
    // A child of the input's object; the validator may serve several inputs.
    UIWidgetValidator(UIIUserInput* input, boost::shared_ptr<UIIValidator> validator);

public slots:
    void validateWidget();

private:
    UIIUserInput* m_pInput;
    boost::shared_ptr<UIIValidator> m_validator;
};
