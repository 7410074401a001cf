#pragma once

#include <QString>
#include <QVariant>

// Locale-aware conversions between the values that widgets and property sets exchange.
// Texts are read in the default QLocale with every space removed.
double variantToDouble(const QVariant& value, bool* ok = nullptr);
int variantToInt(const QVariant& value, bool* ok = nullptr);
// Doubles get six significant digits in the default locale; other types QVariant::toString.
QString variantToString(const QVariant& value);
