#include "UIComboBox.h"

#include <QComboBox>
#include <QIcon>

void UIComboBox::addItemIfMissing(QComboBox* comboBox, const QString& text, const QVariant& data)
{
    if (comboBox->findData(data, Qt::UserRole, Qt::MatchExactly) < 0)
        comboBox->insertItem(0, QIcon(), text, data);
}

void UIComboBox::removeItemByData(QComboBox* comboBox, const QVariant& data)
{
    const int index = comboBox->findData(data, Qt::UserRole, Qt::MatchExactly);
    if (index >= 0)
        comboBox->removeItem(index);
}
