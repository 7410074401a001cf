#include "SimUsbBackend.h"
#include "SimUsbBus.h"
#include "TalvexAxisKinds.h"
#include "TalvexMainWindow.h"
#include "TalvexProgramIdentity.h"
#include "TalvexSimulatedBoards.h"
#include "TalvexSplash.h"

#include <QApplication>
#include <QSplashScreen>
#include <QTimer>

namespace
{
const int s_splashMs = 3000;
}

// Usage: TalvexStudio [--quit-when-shown] [--update-staging]
// TALVEX_USB_BACKEND=simulator runs the studio on simulated boards, one of each model; without
// it the studio talks to real boards through libftdi1. With the simulated boards,
// TALVEX_SIM_FIRMWARE_UPDATE=1 also puts a newer firmware package for the (27,1) board into the
// update data folder, which the studio then offers to install when that board connects.
// --quit-when-shown ends the program once its window is up, for checking that it starts.
// --update-staging makes the update check use the update server's staging folder.
int main(int argc, char** argv)
{
    // Before any device is opened, and gone only after the window has closed them all.
    const SimUsbBackend backend;
    if (backend.getBus())
        TalvexSimulatedBoards::plugInto(*backend.getBus());

    QApplication app(argc, argv);
    Q_INIT_RESOURCE(rc);
    TalvexProgramIdentity::apply();
    if (backend.getBus() && qEnvironmentVariableIsSet("TALVEX_SIM_FIRMWARE_UPDATE"))
        TalvexSimulatedBoards::placeFirmwarePackage(QApplication::applicationName());
    TalvexAxisKinds::registerAll();

    const QDate built = TalvexSplash::buildDate(__DATE__);
    QSplashScreen splash(TalvexSplash::pixmap(built), Qt::WindowStaysOnTopHint);
    splash.show();
    QApplication::processEvents();

    TalvexMainWindow window;
    window.show();
    QTimer::singleShot(s_splashMs, &splash, &QWidget::close);
    if (QApplication::arguments().contains(QStringLiteral("--quit-when-shown")))
        QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
