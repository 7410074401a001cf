#pragma once

#include "TalvexGlobalSettings.h"

#include <QDialog>

class TalvexDocument;

// The "Global Settings" dialog: edits a copy of the document's global settings (auto-load of a
// configuration file on connect, the online update check) and installs updates from a
// repository archive the user chooses. The Home tab runs it modally and, when it is accepted,
// takes the copy back and stores it; the dialog itself writes no settings. GUI thread only.
class TalvexSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    TalvexSettingsDialog(QWidget* parent, TalvexDocument* document);

    TalvexGlobalSettings settings() const;

    // Ends in ".tcf" whatever the case of the name's end.
    static QString withConfigurationSuffix(const QString& path);

    // Unpacks the archive into the update data folder and says in a box how that went, with the
    // reason when the archive is refused (the folder then stays as it was). The install runs in
    // a worker thread: until it ends the dialog stays painted with its buttons disabled.
    void installUpdateRepository(const QString& archivePath);

public slots:
    void browseConfigFile();
    void selectUpdateZipPackage();

private:
    TalvexDocument* m_pDocument;
    TalvexGlobalSettings m_settings;
};
