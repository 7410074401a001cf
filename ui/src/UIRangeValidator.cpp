#include "UIRangeValidator.h"

#include "UIIUserInput.h"
#include "ValueConversions.h"

#include <QRegularExpression>

void UIRangeValidator::setMinimum(double limit, const QString& message)
{
    m_minimum = limit;
    m_minimumMessage = message;
}

void UIRangeValidator::setMaximum(double limit, const QString& message)
{
    m_maximum = limit;
    m_maximumMessage = message;
}

void UIRangeValidator::addConditionalMinimum(double limit, const QString& message, UIIUserInput* input,
                                             const QVariant& value)
{
    m_conditionalLimits.append({input, value, limit, Minimum, message});
}

void UIRangeValidator::addConditionalMaximum(double limit, const QString& message, UIIUserInput* input,
                                             const QVariant& value)
{
    m_conditionalLimits.append({input, value, limit, Maximum, message});
}

void UIRangeValidator::addException(UIIUserInput* input, const QVariant& value)
{
    m_exceptions.append({input, value});
}

UIValidationResult UIRangeValidator::validate(const QVariant& value) const
{
    // A value that is no number is tested as 0.
    const double number = variantToDouble(value);

    for (const Exception& exception : m_exceptions)
    {
        if (exception.input->getValue() == exception.value)
            return UIValidationResult();
    }

    double minimum = m_minimum;
    double maximum = m_maximum;
    QString minimumMessage = m_minimumMessage;
    QString maximumMessage = m_maximumMessage;
    for (const ConditionalLimit& conditional : m_conditionalLimits)
    {
        if (conditional.input->getValue() != conditional.value)
            continue;
        switch (conditional.which)
        {
        case Minimum:
            minimum = conditional.limit;
            minimumMessage = conditional.message;
            break;
        case Maximum:
            maximum = conditional.limit;
            maximumMessage = conditional.message;
            break;
        default:
            Q_ASSERT_X(0, "src\\UIRangeValidator", "0");
            break;
        }
    }

    // Inclusive limits; a NaN fails neither test and passes.
    if (minimum > number)
        return refuse(minimum, minimumMessage, number);
    if (number > maximum)
        return refuse(maximum, maximumMessage, number);
    return UIValidationResult();
}

UIValidationResult UIRangeValidator::refuse(double limit, const QString& message, double value)
{
    static const QRegularExpression s_marker(QStringLiteral("%L?\\d"));
    UIValidationResult result;
    result.valid = false;
    result.corrected = QVariant(limit);
    result.message = message.contains(s_marker) ? message.arg(value, 0, 'g', -1) : message;
    return result;
}
