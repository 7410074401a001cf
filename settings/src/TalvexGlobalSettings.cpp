#include "TalvexGlobalSettings.h"

#include <QDate>
#include <QSettings>

const char* const TalvexGlobalSettings::s_soConfigurations = "SOConfigurations";

namespace
{
const char* const s_autoLoadEnabledKey = "AutoLoadEnabled";
const char* const s_autoLoadFileKey = "AutoLoadFile";
const char* const s_lastUpdateCheckKey = "LastUpdateCheck";
const char* const s_onlineUpdateCheckKey = "OnlineUpdateCheck";
const char* const s_historyKey = "SOConfigurationHistory";
const char* const s_organisation = "Veltramonde";
const char* const s_application = "TalvexStudio";
const int s_historySize = 20;

// Stores without list types give a one-entry list back as a plain text.
QStringList toHistory(const QVariant& value)
{
    switch (value.userType())
    {
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return value.toStringList();
    case QMetaType::QString:
        return value.toString().isEmpty() ? QStringList() : QStringList(value.toString());
    default:
        return QStringList();
    }
}
}

TalvexGlobalSettings::TalvexGlobalSettings()
{
    load();
}

TalvexGlobalSettings::~TalvexGlobalSettings() = default;

TalvexGlobalSettings& TalvexGlobalSettings::operator=(const TalvexGlobalSettings& other)
{
    Properties<TalvexGlobalSettingsTraits>::operator=(other);
    m_history = other.m_history;
    return *this;
}

void TalvexGlobalSettings::load()
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, s_organisation, s_application);
    setValue(AutoLoadEnabled, store.value(s_autoLoadEnabledKey, false).toBool());
    setValue(AutoLoadFile, store.value(s_autoLoadFileKey, QString()).toString());
    setValue(LastUpdateCheck, store.value(s_lastUpdateCheckKey, QDate(2000, 1, 1)).toDate());
    setValue(OnlineUpdateCheck, store.value(s_onlineUpdateCheckKey, true).toBool());
    // The store is a file like any other: keep no more entries than addHistory would.
    m_history = toHistory(store.value(s_historyKey)).mid(0, s_historySize);
}

void TalvexGlobalSettings::save()
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, s_organisation, s_application);
    store.setValue(s_autoLoadEnabledKey, value(AutoLoadEnabled));
    store.setValue(s_autoLoadFileKey, value(AutoLoadFile));
    store.setValue(s_lastUpdateCheckKey, value(LastUpdateCheck));
    store.setValue(s_onlineUpdateCheckKey, value(OnlineUpdateCheck));
    store.setValue(s_historyKey, m_history);
    store.sync();
}

QStringList TalvexGlobalSettings::history(const QString& name) const
{
    Q_ASSERT_X(name == s_soConfigurations, "src\\TalvexGlobalSettings", "name == \"SOConfigurations\"");
    return name == s_soConfigurations ? m_history : QStringList();
}

void TalvexGlobalSettings::addHistory(const QString& name, const QString& text)
{
    Q_ASSERT_X(name == s_soConfigurations, "src\\TalvexGlobalSettings", "name == \"SOConfigurations\"");
    if (name == s_soConfigurations)
    {
        m_history.removeAll(text);
        m_history.prepend(text);
        while (m_history.size() > s_historySize)
            m_history.removeLast();
    }
    save();
}

void TalvexGlobalSettings::read(QDataStream& in)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexGlobalSettings", 95);
    const QMap<int, QVariant> values = readValueMap(in);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        setValue(it.key(), it.value());
}

StoredValueReader::Kind TalvexGlobalSettings::storedKind(int id) const
{
    switch (id)
    {
    case AutoLoadEnabled:
    case OnlineUpdateCheck:
        return StoredValueReader::Number;
    case AutoLoadFile:
        return StoredValueReader::Text;
    case LastUpdateCheck:
        return StoredValueReader::Date;
    default:
        return StoredValueReader::Absent;
    }
}
