#pragma once

#include "UIIValidator.h"

#include <QVector>

class UIIUserInput;

// A numeric range, inclusive, whose limits may depend on the values of other inputs. A message
// may hold a place marker (%1) for the refused value.
class UIRangeValidator : public UIIValidator
{
public:
    UIRangeValidator() = default;

    void setMinimum(double limit, const QString& message);
    void setMaximum(double limit, const QString& message);
    // While input holds value, the limit and message replace the minimum (maximum); a later
    // matching rule overrides an earlier one.
    void addConditionalMinimum(double limit, const QString& message, UIIUserInput* input, const QVariant& value);
    void addConditionalMaximum(double limit, const QString& message, UIIUserInput* input, const QVariant& value);
    // While input holds value, every value passes.
    void addException(UIIUserInput* input, const QVariant& value);

    UIValidationResult validate(const QVariant& value) const override;

private:
    enum Which
    {
        Minimum = 0,
        Maximum = 1
    };

    struct ConditionalLimit
    {
        UIIUserInput* input;
        QVariant value;
        double limit;
        int which;
        QString message;
    };

    struct Exception
    {
        UIIUserInput* input;
        QVariant value;
    };

    static UIValidationResult refuse(double limit, const QString& message, double value);

    QVector<ConditionalLimit> m_conditionalLimits;
    QVector<Exception> m_exceptions;
    double m_minimum = 0.0;
    double m_maximum = 0.0;
    QString m_minimumMessage;
    QString m_maximumMessage;
};
