#include "TalvexStudioUpdaterWindow.h"

#include <QApplication>

// Usage: TalvexStudioUpdater [anything]
// The studio passes its update data folder; the updater finds the folder itself through the
// studio's organisation and application names and reads no argument.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Veltramonde"));
    QApplication::setApplicationName(QStringLiteral("TalvexStudio"));
    TalvexStudioUpdaterWindow window;
    window.show();
    return QApplication::exec();
}
