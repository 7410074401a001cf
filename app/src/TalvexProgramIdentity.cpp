#include "TalvexProgramIdentity.h"

#include <QApplication>
#include <QIcon>

void TalvexProgramIdentity::apply()
{
    QApplication::setOrganizationName(QStringLiteral("Veltramonde"));
    QApplication::setApplicationName(QStringLiteral("TalvexStudio"));
    QGuiApplication::setDesktopFileName(QStringLiteral("talvex-studio"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/rc/talvex-studio.png")));
}
