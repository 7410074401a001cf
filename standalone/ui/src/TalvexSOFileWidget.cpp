#include "TalvexSOFileWidget.h"

#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "TalvexDocument.h"
#include "TalvexGlobalSettings.h"
#include "TalvexSOConfigDialog.h"
#include "TalvexXYAppTab.h"
#include "UIHistoryLineEdit.h"

#include <QDataStream>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{
const char* const s_caption = "Talvex-SO configuration";
const char* const s_filter = "Talvex-SO config (*.tso)";
const char* const s_suffix = "tso";
}

TalvexSOFileWidget::TalvexSOFileWidget(TalvexDocument* document, QTabWidget* applicationTabs, QWidget* parent)
    : QWidget(parent)
    , m_pDocument(document)
    , m_pApplicationTabs(applicationTabs)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    QGroupBox* group = new QGroupBox(QStringLiteral("Stand-alone operation"));
    QGridLayout* grid = new QGridLayout(group);
    layout->addWidget(group);

    QLabel* fileLabel = new QLabel(QStringLiteral("Configuration file"));
    m_pFileName = new UIHistoryLineEdit(m_pDocument->globalSettings(), TalvexGlobalSettings::s_soConfigurations);
    m_pFileName->setToolTip(QStringLiteral("The stand-alone configuration (\".tso\" file) to edit or open."));
    fileLabel->setBuddy(m_pFileName);
    QPushButton* browse = new QPushButton(QStringLiteral("Browse"));
    grid->addWidget(fileLabel, 0, 0);
    grid->addWidget(m_pFileName, 0, 1);
    grid->addWidget(browse, 0, 2);
    grid->setColumnStretch(1, 1);

    QHBoxLayout* actions = new QHBoxLayout;
    QPushButton* create = new QPushButton(QStringLiteral("New"));
    create->setToolTip(QStringLiteral("Makes a new configuration and saves it to a file of your choice."));
    QPushButton* edit = new QPushButton(QStringLiteral("Edit"));
    edit->setToolTip(QStringLiteral("Edits the configuration file and saves it again."));
    QPushButton* open = new QPushButton(QStringLiteral("Open"));
    open->setToolTip(QStringLiteral("Opens the configuration in a new XY application tab."));
    actions->addStretch(1);
    for (QPushButton* button : {create, edit, open})
        actions->addWidget(button);
    grid->addLayout(actions, 1, 0, 1, 3);

    connect(browse, &QPushButton::pressed, this, &TalvexSOFileWidget::onBrowseConfiguration);
    connect(create, &QPushButton::pressed, this, &TalvexSOFileWidget::onNewConfiguration);
    connect(edit, &QPushButton::pressed, this, &TalvexSOFileWidget::onEditConfiguration);
    connect(open, &QPushButton::pressed, this, &TalvexSOFileWidget::onOpenConfiguration);
}

void TalvexSOFileWidget::onBrowseConfiguration()
{
    const QString fileName = QFileDialog::getOpenFileName(this, s_caption, QString(), s_filter);
    if (!fileName.isEmpty())
        m_pFileName->setCurrentText(fileName);
}

void TalvexSOFileWidget::onOpenConfiguration()
{
    TalvexSODocument document;
    if (!loadConfiguration(document))
        return;
    TalvexXYAppTab* tab = new TalvexXYAppTab(document);
    m_pApplicationTabs->setCurrentIndex(m_pApplicationTabs->addTab(tab, QStringLiteral("Geometry")));
    m_pFileName->addToHistory(m_pFileName->text());
}

void TalvexSOFileWidget::onNewConfiguration()
{
    TalvexSOConfigDialog* dialog = new TalvexSOConfigDialog(this, *m_pDocument->soDocument());
    if (dialog->exec() == QDialog::Accepted)
    {
        QString fileName = QFileDialog::getSaveFileName(this, s_caption, QString(), s_filter);
        // The file dialog does not add the suffix its filter names.
        if (!fileName.isEmpty() && QFileInfo(fileName).suffix().isEmpty())
            fileName += QLatin1Char('.') + QLatin1String(s_suffix);
        if (!fileName.isEmpty() && saveConfiguration(dialog->document(), fileName))
            m_pFileName->setCurrentText(fileName);
    }
    dialog->deleteLater();
}

void TalvexSOFileWidget::onEditConfiguration()
{
    TalvexSODocument document;
    if (!loadConfiguration(document))
        return;
    const QString fileName = m_pFileName->text();
    TalvexSOConfigDialog* dialog = new TalvexSOConfigDialog(this, document);
    if (dialog->exec() == QDialog::Accepted)
        saveConfiguration(dialog->document(), fileName);
    dialog->deleteLater();
}

bool TalvexSOFileWidget::loadConfiguration(TalvexSODocument& document)
{
    const QString fileName = m_pFileName->text();
    if (fileName.isEmpty())
    {
        QMessageBox::critical(this, QStringLiteral("Edit Talvex-SO configuration"),
            QStringLiteral("No configuration file specified!"));
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
    {
        QMessageBox::critical(this, QStringLiteral("Loading Talvex-SO configuration"),
            QStringLiteral("Unable to load configuration from:\n%1").arg(fileName));
        return false;
    }
    QDataStream in(&file);
    try
    {
        in >> document;
    }
    catch (const StreamableVersionException& e)
    {
        QMessageBox::critical(this, QStringLiteral("Loading configuration"),
            QStringLiteral("Unsupported version (%1) found (%2:%3).\nConfiguration could not be loaded.")
                .arg(e.getVersion())
                .arg(e.getSourceFile())
                .arg(e.getLine()));
        return false;
    }
    catch (const StreamableUnexpectedContentsException& e)
    {
        QMessageBox::critical(this, QStringLiteral("Loading configuration"), e.getMessage());
        return false;
    }
    return true;
}

bool TalvexSOFileWidget::saveConfiguration(const TalvexSODocument& document, const QString& fileName)
{
    // Written beside the old file and put in its place only when whole.
    QSaveFile file(fileName);
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved)
    {
        QDataStream out(&file);
        out << document;
        saved = out.status() == QDataStream::Ok && file.commit();
    }
    if (!saved)
        QMessageBox::critical(this, QStringLiteral("Saving new Talvex-SO configuration"),
            QStringLiteral("Unable to save configuration to:\n%1").arg(fileName));
    return saved;
}
