#include "TestRegistry.h"

#include "StudioOnBus.h"
#include "TalvexMainWindow.h"
#include "TalvexProgramIdentity.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QTest>

namespace
{
// The value of a key of the desktop entry; empty when it has none.
QString entryValue(const QString& key)
{
    QFile file(QStringLiteral(TALVEX_DESKTOP_ENTRY));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    const QString prefix = key + QLatin1Char('=');
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed();
    return QString();
}

// The test program's own names and icon, back once a test has taken the studio's.
class KeptIdentity
{
public:
    KeptIdentity()
        : m_organisation(QCoreApplication::organizationName())
        , m_application(QCoreApplication::applicationName())
        , m_desktopFile(QGuiApplication::desktopFileName())
        , m_icon(QApplication::windowIcon())
    {
    }
    ~KeptIdentity()
    {
        QCoreApplication::setOrganizationName(m_organisation);
        QCoreApplication::setApplicationName(m_application);
        QGuiApplication::setDesktopFileName(m_desktopFile);
        QApplication::setWindowIcon(m_icon);
    }

private:
    QString m_organisation;
    QString m_application;
    QString m_desktopFile;
    QIcon m_icon;
};
}

// The program as the desktop meets it: the icon of its window, and the names by which its
// desktop entry finds the window.
class tst_TalvexProgramIdentity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(rc); }

    void theDesktopEntryFindsTheWindow()
    {
        const KeptIdentity kept;
        TalvexProgramIdentity::apply();
        StudioBus bus;
        TalvexMainWindow window;
        QVERIFY(!window.windowIcon().pixmap(64).isNull());
        // X11 gives a window the class Qt takes from the application name.
        QCOMPARE(entryValue("StartupWMClass"), QCoreApplication::applicationName());
        QCOMPARE(QFileInfo(QStringLiteral(TALVEX_DESKTOP_ENTRY)).completeBaseName(), QGuiApplication::desktopFileName());
        QCOMPARE(entryValue("Icon"), QFileInfo(QStringLiteral(TALVEX_INSTALLED_ICON)).completeBaseName());
    }
};

TALVEX_TEST(tst_TalvexProgramIdentity)
#include "tst_TalvexProgramIdentity.moc"
