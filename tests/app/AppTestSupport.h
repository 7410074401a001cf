#pragma once

#include "UIInfoTip.h"

#include <QComboBox>
#include <QLabel>
#include <QVariant>
#include <QWidget>

// The text of the error tip that an editor shows, empty without one.
inline QString tipOf(QWidget* editor)
{
    const QVariant id = QVariant::fromValue(reinterpret_cast<quintptr>(editor));
    for (QLabel* tip : editor->parentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (tip->property(UIInfoTip::s_propertyName) == id)
            return tip->toolTip();
    return QString();
}

inline QStringList itemTexts(const QComboBox* comboBox)
{
    QStringList texts;
    for (int i = 0; i < comboBox->count(); ++i)
        texts << comboBox->itemText(i);
    return texts;
}
