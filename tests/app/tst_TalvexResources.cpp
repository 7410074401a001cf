#include "TestRegistry.h"
#include "UIInfoTip.h"

#include <QPixmap>
#include <QTest>

// The images the studio names under ":/rc/": the application's own and the widget library's
// tip icons live side by side.
class tst_TalvexResources : public QObject
{
    Q_OBJECT

private slots:
    void imagesReachable()
    {
        Q_INIT_RESOURCE(rc);
        QWidget page;
        UIInfoTip(UIInfoTip::Remove, new QWidget(&page), QString(), -1);
        UIInfoTip(UIInfoTip::Error, new QWidget(&page), "Registers the tip icons.", -1);
        for (const char* name : {":/rc/lock.png", ":/rc/error_small.png", ":/rc/info_small.png", ":/rc/commit.png",
                 ":/rc/settings.png", ":/rc/zero.png", ":/rc/power.png", ":/rc/house.png", ":/rc/backward.png",
                 ":/rc/forward.png", ":/rc/stop.png", ":/rc/lightbulb_on.png", ":/rc/lightbulb_off.png",
                 ":/rc/error.png", ":/rc/running.png", ":/rc/clear.png", ":/rc/splash.png", ":/rc/connect.png",
                 ":/rc/disconnect.png", ":/rc/open.png", ":/rc/save.png"})
            QVERIFY2(!QPixmap(name).isNull(), name);
    }
};

TALVEX_TEST(tst_TalvexResources)
#include "tst_TalvexResources.moc"
