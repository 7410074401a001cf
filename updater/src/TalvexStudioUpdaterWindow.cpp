#include "TalvexStudioUpdaterWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace
{
const char* const s_webAddress = "www.veltramonde.example";

QString executableName(const QString& name)
{
#ifdef Q_OS_WIN
    return name + QStringLiteral(".exe");
#else
    return name;
#endif
}
}

TalvexStudioUpdaterWindow::TalvexStudioUpdaterWindow()
    : QMainWindow(nullptr, Qt::Dialog)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    QWidget* central = new QWidget;
    setCentralWidget(central);
    QVBoxLayout* layout = new QVBoxLayout(central);

    m_label = new QLabel(QStringLiteral("Talvex Studio will be updated with the latest version.\nClick \"Next\" to continue."));
    layout->addWidget(m_label, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    layout->addStretch(1);

    QHBoxLayout* buttons = new QHBoxLayout;
    m_nextButton = new QPushButton(QStringLiteral("Next"));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"));
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_nextButton);
    layout->addLayout(buttons);

    connect(m_nextButton, &QPushButton::pressed, this, &TalvexStudioUpdaterWindow::onNext);
    connect(m_cancelButton, &QPushButton::pressed, this, &TalvexStudioUpdaterWindow::onCancel);
}

void TalvexStudioUpdaterWindow::onNext()
{
    const QString package =
        QStandardPaths::writableLocation(QStandardPaths::DataLocation) + QStringLiteral("/TalvexStudio.pkg");
    const QString folder = QCoreApplication::applicationDirPath();
    const QString executable = folder + QLatin1Char('/') + executableName(QStringLiteral("TalvexStudio"));
    const QString oldExecutable = folder + QStringLiteral("/TalvexStudio.old");

    if (!QFile::exists(package))
    {
        finish(QStringLiteral("Unable to find the latest update package.\nCheck for updates online or visit ")
            + QLatin1String(s_webAddress));
        return;
    }
    // A running executable cannot be deleted on Windows (it can be renamed): an old one that
    // stays means the studio that was renamed last time still runs.
    QFile::remove(oldExecutable);
    if (QFile::exists(oldExecutable))
    {
        m_label->setText(
            QStringLiteral("Talvex Studio is still running.\nClose all instances of Talvex Studio and try again."));
        m_nextButton->setText(QStringLiteral("Try again"));
        m_nextButton->show();
        m_cancelButton->setText(QStringLiteral("Cancel"));
        return;
    }
    if (!QFile::rename(executable, oldExecutable))
    {
        finish(QStringLiteral("Unable to remove old version of Talvex Studio.\nCheck your permissions."));
        return;
    }
    if (!copyNewExecutable(package, executable, oldExecutable))
    {
        // The studio must stay usable: its old executable goes back under its name.
        QFile::rename(oldExecutable, executable);
        finish(QStringLiteral("Unable to copy new version of Talvex Studio.\nCheck your permissions."));
        return;
    }
    finish(QStringLiteral("Update completed!"));
}

bool TalvexStudioUpdaterWindow::copyNewExecutable(
    const QString& package, const QString& executable, const QString& oldExecutable)
{
    if (!QFile::copy(package, executable))
        return false;
    // The package is a plain data file: the new program must be as executable as the old one.
    if (QFile::setPermissions(executable, QFile::permissions(oldExecutable)))
        return true;
    QFile::remove(executable);
    return false;
}

void TalvexStudioUpdaterWindow::onCancel()
{
    close();
}

void TalvexStudioUpdaterWindow::finish(const QString& text)
{
    m_label->setText(text);
    m_nextButton->hide();
    m_cancelButton->setText(QStringLiteral("Done"));
}
