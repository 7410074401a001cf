#pragma once

#include "USBByteHelpers.h"

#include <QVariant>

// A property value as an unsigned payload field: a number the field cannot hold is sent as the
// nearest one it can (a stored 70000 mA as 65535 mA, not as 4464 mA), text as it reads.
quint8 toByteField(const QVariant& value);
quint16 toWordField(const QVariant& value);
quint32 toLongField(const QVariant& value);
