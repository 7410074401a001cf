#pragma once

#include <QString>
#include <QVariant>

// What a validator says of a value: the value to use instead, and why, when it is refused.
struct UIValidationResult
{
    QString message;
    bool valid = true;
    QVariant corrected;
};
