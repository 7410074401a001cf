#include "TalvexSettingsDialog.h"

#include "PackageAppData.h"
#include "TalvexDialogButtons.h"
#include "TalvexDocument.h"
#include "UIPropertyBinding.h"
#include "UIWidgetFor.h"
#include "UpdateConstants.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
typedef TalvexGlobalSettings G;
}

TalvexSettingsDialog::TalvexSettingsDialog(QWidget* parent, TalvexDocument* document)
    : QDialog(parent)
    , m_pDocument(document)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(QStringLiteral("Global Settings"));
    m_settings = *m_pDocument->globalSettings();

    QVBoxLayout* layout = new QVBoxLayout(this);
    QGroupBox* autoLoad = new QGroupBox(QStringLiteral("Auto-load"));
    QGridLayout* grid = new QGridLayout(autoLoad);
    layout->addWidget(autoLoad, 0);

    UIWidgetFor<QCheckBox>* enabled = new UIWidgetFor<QCheckBox>;
    enabled->setToolTip(QStringLiteral("Enabling auto-load will load the given configuration file when an Talvex-u is connected."));
    enabled->bindMethodCall(new UIPropertyBinding<TalvexGlobalSettingsTraits>(&m_settings, G::AutoLoadEnabled));
    enabled->setText(QStringLiteral("Auto-load configuration"));
    grid->addWidget(enabled, 0, 0, 1, 4);

    QLabel* fileLabel = new QLabel(QStringLiteral("Configuration file"));
    UIWidgetFor<QLineEdit>* file = new UIWidgetFor<QLineEdit>;
    fileLabel->setBuddy(file);
    file->setToolTip(QStringLiteral("Configuration file that will be auto-loaded when an Talvex-u is connected."));
    file->bindMethodCall(new UIPropertyBinding<TalvexGlobalSettingsTraits>(&m_settings, G::AutoLoadFile));
    QPushButton* browse = new QPushButton(QStringLiteral("Browse"));
    connect(browse, &QPushButton::pressed, this, &TalvexSettingsDialog::browseConfigFile);
    grid->addWidget(fileLabel, 1, 0);
    grid->addWidget(file, 1, 1, 1, 2);
    grid->addWidget(browse, 1, 3);
    grid->setColumnStretch(2, 1);

    for (QWidget* target : {static_cast<QWidget*>(file), static_cast<QWidget*>(browse)})
    {
        enabled->disableOnValue(target, false);
        enabled->enableOnValue(target, true);
    }

    QGroupBox* updates = new QGroupBox(QStringLiteral("Updates"));
    QGridLayout* updateGrid = new QGridLayout(updates);
    layout->addWidget(updates, 0);
    UIWidgetFor<QCheckBox>* online = new UIWidgetFor<QCheckBox>;
    online->bindMethodCall(new UIPropertyBinding<TalvexGlobalSettingsTraits>(&m_settings, G::OnlineUpdateCheck));
    online->setText(QStringLiteral("Check for updates online"));
    QPushButton* repository = new QPushButton(QStringLiteral("Use repository"));
    repository->setToolTip(QStringLiteral("If there is no internet access, new updates can be manually installed "
                                          "using a repository archive.\nThe update repository is available on ")
        + UpdateConstants::webAddress());
    connect(repository, &QPushButton::pressed, this, &TalvexSettingsDialog::selectUpdateZipPackage);
    updateGrid->addWidget(online, 0, 0, 1, 2);
    updateGrid->addWidget(repository, 0, 3);
    updateGrid->setColumnStretch(2, 1);

    TalvexDialogButtons::addTo(this, layout);
    resize(500, sizeHint().height());
}

TalvexGlobalSettings TalvexSettingsDialog::settings() const
{
    return m_settings;
}

QString TalvexSettingsDialog::withConfigurationSuffix(const QString& path)
{
    return path.toLower().endsWith(QLatin1String(".tcf")) ? path : path + QStringLiteral(".tcf");
}

void TalvexSettingsDialog::selectUpdateZipPackage()
{
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Select repository"), QString(),
        QStringLiteral("Update repository (*.zip)"));
    if (!chosen.isEmpty())
        installUpdateRepository(chosen);
}

void TalvexSettingsDialog::installUpdateRepository(const QString& archivePath)
{
    const QString title = QStringLiteral("Repository update");
    // The install runs in a worker while this dialog stays painted; its buttons wait for the end.
    QList<QPointer<QPushButton>> held;
    for (QPushButton* button : findChildren<QPushButton*>())
    {
        if (!button->isEnabled())
            continue;
        button->setEnabled(false);
        held << button;
    }
    QString reason;
    const bool installed =
        PackageAppData(QStringLiteral("TalvexStudio"), QString()).installRepositoryArchive(archivePath, &reason);
    for (const QPointer<QPushButton>& button : held)
        if (button)
            button->setEnabled(true);
    if (installed)
    {
        QMessageBox::information(this, title, QStringLiteral("The repository was extracted successfully."),
            QMessageBox::Ok);
        return;
    }
    QMessageBox box(QMessageBox::Critical, title,
        QStringLiteral("An error was encountered.\nMake sure that the correct repository file was used."),
        QMessageBox::Ok, this);
    box.setInformativeText(reason);
    box.exec();
}

void TalvexSettingsDialog::browseConfigFile()
{
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Select configuration"), QString(),
        QStringLiteral("Talvex configurations (*.tcf)"));
    if (!chosen.isEmpty())
        m_settings.setValue(G::AutoLoadFile, withConfigurationSuffix(chosen));
}
