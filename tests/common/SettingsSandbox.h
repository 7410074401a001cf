#pragma once

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

// Keeps a test's settings away from the user's own store: the per-user settings go to a
// folder of their own for the life of the process. isolated() tells whether that worked.
class SettingsSandbox
{
public:
    SettingsSandbox()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
    }

    bool isolated() const
    {
        return m_folder.isValid()
            && QSettings(QSettings::NativeFormat, QSettings::UserScope, "Veltramonde", "TalvexStudio")
                   .fileName()
                   .startsWith(m_folder.path());
    }

    QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};
