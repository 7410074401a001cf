#pragma once

#include "PackageUpdaterResult.h"

#include <QWidget>
#include <boost/shared_ptr.hpp>

class PackageUpdateDownloader;
class QLabel;
class QPushButton;

// The update panel of the Home tab: runs the update check (online from the update server, or
// offline from the update data folder), shows its progress and outcome in one line, offers the
// release notes of an update ready to install, and when the main window closes offers to install
// it by starting the updater program beside this one. It owns the downloader of the check it
// started. GUI thread only.
class PackageInfoWidget : public QWidget
{
    Q_OBJECT

public:
    PackageInfoWidget(bool onlineCheck, const QString& applicationName, const QString& subPath, int currentMajor,
        int currentMinor, QWidget* parent = nullptr);
    ~PackageInfoWidget() override;

    // Called once by the main window after it is built.
    void checkForUpdates();
    // Called by the main window's close event, before the window closes. A check still running
    // is aborted and nothing is offered; otherwise an update ready to install is offered and, on
    // Yes, "<application name>Updater" in the program's folder is started with the update data
    // folder as its one argument.
    void launchUpdater();

private slots:
    void onUpdateCheckFinished(PackageUpdaterResult result);
    void onUpdateProgress(const QString& description, int percent);
    void onShowReleaseNotes();

private:
    bool m_onlineCheck;
    QString m_applicationName;
    QString m_subPath;
    int m_currentMajor;
    int m_currentMinor;
    boost::shared_ptr<PackageUpdateDownloader> m_pDownloader;
    QLabel* m_pStatus;
    QPushButton* m_pReleaseNotesButton;
};
