#pragma once

#include <QString>
#include <QVariant>

class QComboBox;

// Helpers for combo boxes whose items carry their values as Qt::UserRole data.
namespace UIComboBox
{
// Inserts (text, data) at the top when no item carries data.
void addItemIfMissing(QComboBox* comboBox, const QString& text, const QVariant& data);
void removeItemByData(QComboBox* comboBox, const QVariant& data);
}
