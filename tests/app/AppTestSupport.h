#pragma once

#include "UIInfoTip.h"
#include "UpdateConstants.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QUuid>
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

// While it lives the test has an application name of its own, and so a per-user data folder of
// its own (the update data folder of an empty sub-path), removed again afterwards, and a package
// lock of its own: studios of other tests may hold theirs.
class OwnDataFolder
{
public:
    OwnDataFolder()
        : m_name(QCoreApplication::applicationName())
    {
        QCoreApplication::setApplicationName(QStringLiteral("AppTest%1").arg(QCoreApplication::applicationPid()));
        UpdateConstants::setPackageLockKey(QUuid::createUuid().toString(QUuid::WithoutBraces));
    }
    ~OwnDataFolder()
    {
        QDir(path()).removeRecursively();
        QCoreApplication::setApplicationName(m_name);
        UpdateConstants::restoreDefaults();
    }
    QString path() const { return QStandardPaths::writableLocation(QStandardPaths::DataLocation); }

private:
    QString m_name;
};
