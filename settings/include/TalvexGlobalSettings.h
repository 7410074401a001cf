#pragma once

#include "Properties.h"
#include "TalvexGlobalSettingsTraits.h"
#include "UIIHistory.h"

#include <QStringList>

// The user's settings of the program, kept in the per-user settings store, and the history of
// recently used stand-alone-operation files.
class TalvexGlobalSettings : public Properties<TalvexGlobalSettingsTraits>, public UIIHistory
{
public:
    enum Id
    {
        AutoLoadEnabled = 0,
        AutoLoadFile = 1,
        LastUpdateCheck = 2,
        OnlineUpdateCheck = 3
    };

    // The history name of the stand-alone-operation files.
    static const char* const s_soConfigurations;

    // Loads the store.
    TalvexGlobalSettings();
    TalvexGlobalSettings(const TalvexGlobalSettings& other) = default;
    ~TalvexGlobalSettings() override;
    TalvexGlobalSettings& operator=(const TalvexGlobalSettings& other);

    // Missing keys take their defaults.
    void load();
    void save();

    QStringList history(const QString& name) const override;
    // Moves the text to the front, keeps the newest entries and saves.
    void addHistory(const QString& name, const QString& text) override;

    void read(QDataStream& in) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;

private:
    QStringList m_history;
};
