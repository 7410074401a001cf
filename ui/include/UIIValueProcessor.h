#pragma once

#include <QVariant>

// Converts between a base unit and the unit shown.
class UIIValueProcessor
{
public:
    virtual ~UIIValueProcessor() = default;
    virtual QVariant forward(const QVariant& base) const = 0;
    virtual QVariant backward(const QVariant& shown) const = 0;
};
