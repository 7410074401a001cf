#include "PackageInfoWidget.h"

#include "PackageAppData.h"
#include "PackageReleaseNotesDialog.h"
#include "PackageUpdateDownloader.h"
#include "PackageUpdaterManifest.h"
#include "UpdateConstants.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
const Qt::Alignment s_centred = Qt::AlignHCenter | Qt::AlignVCenter;
}

PackageInfoWidget::PackageInfoWidget(bool onlineCheck, const QString& applicationName, const QString& subPath,
    int currentMajor, int currentMinor, QWidget* parent)
    : QWidget(parent)
    , m_onlineCheck(onlineCheck)
    , m_applicationName(applicationName)
    , m_subPath(subPath)
    , m_currentMajor(currentMajor)
    , m_currentMinor(currentMinor)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    m_pStatus = new QLabel;
    // The line spans the panel, centred, and a long one (a server's error text) wraps instead of
    // widening the window: a wrapping label the layout would centre gets too little height.
    m_pStatus->setWordWrap(true);
    m_pStatus->setAlignment(s_centred);
    layout->addWidget(m_pStatus);
    QHBoxLayout* buttons = new QHBoxLayout;
    m_pReleaseNotesButton = new QPushButton(QStringLiteral("Release notes"));
    m_pReleaseNotesButton->hide();
    connect(m_pReleaseNotesButton, &QPushButton::pressed, this, &PackageInfoWidget::onShowReleaseNotes);
    buttons->addStretch(1);
    buttons->addWidget(m_pReleaseNotesButton, 0, s_centred);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

PackageInfoWidget::~PackageInfoWidget() = default;

void PackageInfoWidget::checkForUpdates()
{
    m_pDownloader.reset(new PackageUpdateDownloader(m_applicationName, m_subPath));
    connect(m_pDownloader.get(), &PackageUpdateDownloader::checkFinished, this,
        &PackageInfoWidget::onUpdateCheckFinished);
    connect(m_pDownloader.get(), &PackageUpdateDownloader::checkProgress, this, &PackageInfoWidget::onUpdateProgress);
    if (m_onlineCheck)
        m_pDownloader->startManifestDownload();
    else
        m_pDownloader->readManifest();
}

void PackageInfoWidget::onUpdateProgress(const QString& description, int percent)
{
    m_pStatus->setText(QStringLiteral("Update check: ") + description + QStringLiteral(" %1%.").arg(percent));
}

void PackageInfoWidget::onUpdateCheckFinished(PackageUpdaterResult result)
{
    m_pStatus->clear();
    if (!result.isValid())
    {
        // Offline, a folder without update information is the normal case: nothing to say.
        if (m_onlineCheck)
            m_pStatus->setText(QStringLiteral("Unable to check for updates. ") + result.getError());
        return;
    }
    if (!UpdaterAppData(m_applicationName, m_subPath).isUpdateAvailable(m_currentMajor, m_currentMinor))
        return;
    m_pStatus->setText(
        QStringLiteral("A new version of %1 is available. Close the application to install the new version.")
            .arg(m_applicationName));
    m_pReleaseNotesButton->show();
}

void PackageInfoWidget::onShowReleaseNotes()
{
    const PackageAppData data(m_applicationName, m_subPath);
    if (data.manifestExists())
    {
        const PackageUpdaterResult result = PackageUpdaterManifest().read(data.readManifestFile(), m_applicationName);
        if (result.isValid() && !result.getReleaseNotes().isEmpty())
        {
            (new PackageReleaseNotesDialog(this, result.getReleaseNotes()))->exec();
            return;
        }
    }
    QMessageBox::critical(this, QStringLiteral("Release Notes"), QStringLiteral("No valid release notes."),
        QMessageBox::Ok);
}

void PackageInfoWidget::launchUpdater()
{
    if (m_pDownloader)
    {
        const bool busy = m_pDownloader->isBusy();
        m_pDownloader->abort();
        // Half-downloaded packages are no update to install.
        if (busy)
            return;
    }
    const UpdaterAppData data(m_applicationName, m_subPath);
    if (!data.isUpdateAvailable(m_currentMajor, m_currentMinor))
        return;
    if (QMessageBox::question(this, QStringLiteral("Updates"),
            QStringLiteral("A new update for %1 is available.\nUpdate now?").arg(m_applicationName),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton)
        != QMessageBox::Yes)
        return;
    const QString updater = QCoreApplication::applicationDirPath() + QLatin1Char('/')
        + UpdateConstants::executableFileName(m_applicationName + QStringLiteral("Updater"));
    if (!QProcess::startDetached(updater, QStringList{data.getFolder()}))
        QMessageBox::critical(this, QStringLiteral("Updates"),
            QStringLiteral("Unable to launch the updater.\n%1 must be re-installed.").arg(m_applicationName),
            QMessageBox::Ok);
}
