#include "TestRegistry.h"

#include "PackageUpdaterManifest.h"
#include "UpdateFolderFixture.h"

#include <QFileInfo>
#include <QTest>

namespace
{
// A manifest announcing the version with the application's entry and one more file.
QByteArray manifest(const QString& application, int major, int minor)
{
    PackageUpdaterResult result;
    result.setVersion(major, minor);
    result.addFile({application, true, 1});
    result.addFile({application + "Lib", false, 2});
    return PackageUpdaterManifest::write(result, application);
}
}

class tst_UpdaterAppData : public QObject
{
    Q_OBJECT

private slots:
    void folderAndNames()
    {
        UpdateFolderFixture fixture("UAD");
        QVERIFY(fixture.isolated());
        QVERIFY(!QFileInfo::exists(fixture.folder()));
        const UpdaterAppData data(fixture.application(), fixture.subPath());
        QCOMPARE(data.getFolder(), fixture.folder());
        QVERIFY(QFileInfo(fixture.folder()).isDir());
        QCOMPARE(data.manifestFilePath(), fixture.folder() + "/" + fixture.application() + ".pkm");
        QCOMPARE(data.packageFilePath("lib"), fixture.folder() + "/lib.pkg");
        QCOMPARE(UpdaterAppData::archiveFileName("lib"), QString("lib.pkz"));
        const UpdaterFileEntry program{"prog", true, 0};
        QCOMPARE(UpdaterAppData::executableFileName(program), UpdateConstants::executableFileName("prog"));
        QCOMPARE(UpdaterAppData::installedFilePath(program),
            QCoreApplication::applicationDirPath() + "/" + UpdateConstants::executableFileName("prog"));
        QCOMPARE(UpdaterAppData::installedFilePath({"lib", false, 0}), QCoreApplication::applicationDirPath() + "/lib");
        QCOMPARE(UpdaterAppData(fixture.application(), QString()).getFolder(),
            QStandardPaths::writableLocation(QStandardPaths::DataLocation));
    }

    void manifestFile()
    {
        UpdateFolderFixture fixture("UAD");
        const UpdaterAppData data(fixture.application(), fixture.subPath());
        QVERIFY(!data.manifestExists());
        QCOMPARE(data.readManifestFile(), QByteArray());
        QVERIFY(data.writeManifestFile("<u/>"));
        QVERIFY(data.manifestExists());
        QCOMPARE(data.readManifestFile(), QByteArray("<u/>"));
        QVERIFY(data.writeManifestFile("<v/>"));
        QCOMPARE(data.readManifestFile(), QByteArray("<v/>"));

        // A folder that went away: the write fails and leaves nothing.
        QVERIFY(QDir(fixture.folder()).removeRecursively());
        QVERIFY(!data.writeManifestFile("<u/>"));
        QVERIFY(!data.manifestExists());
    }

    void isUpdateAvailable_data()
    {
        QTest::addColumn<int>("announcedMinor");
        QTest::addColumn<bool>("appInstalled");
        QTest::addColumn<QByteArray>("appPackage");
        QTest::addColumn<QByteArray>("libPackage");
        QTest::addColumn<bool>("available");
        const QByteArray app = "program bytes";
        const QByteArray lib = "library bytes";
        QTest::newRow("newer, all equal") << 1 << true << app << lib << false;
        QTest::newRow("newer, program differs") << 1 << true << QByteArray("new program") << lib << true;
        QTest::newRow("newer, library differs") << 1 << true << app << QByteArray("new library") << true;
        QTest::newRow("newer, program not installed") << 1 << false << app << lib << true;
        QTest::newRow("newer, program differs, library package missing")
            << 1 << true << QByteArray("new program") << QByteArray() << false;
        QTest::newRow("newer, program not installed and its package missing")
            << 1 << false << QByteArray() << lib << false;
        QTest::newRow("same version, program differs") << 0 << true << QByteArray("new program") << lib << false;
        QTest::newRow("older version") << -1 << true << QByteArray("new program") << lib << false;
    }

    // Running 6.0: an update is ready when it is newer, all its packages are there and some
    // installed file is missing or differs.
    void isUpdateAvailable()
    {
        QFETCH(int, announcedMinor);
        QFETCH(bool, appInstalled);
        QFETCH(QByteArray, appPackage);
        QFETCH(QByteArray, libPackage);
        QFETCH(bool, available);
        UpdateFolderFixture fixture("UAD");
        const UpdaterAppData data(fixture.application(), fixture.subPath());
        const UpdaterFileEntry appEntry{fixture.application(), true, 0};
        const UpdaterFileEntry libEntry{fixture.application() + "Lib", false, 0};
        QVERIFY(!data.isUpdateAvailable(6, 0));

        const int major = announcedMinor < 0 ? 5 : 6;
        QVERIFY(data.writeManifestFile(manifest(fixture.application(), major, qMax(0, announcedMinor))));
        if (appInstalled)
            QVERIFY(fixture.install(appEntry, "program bytes"));
        QVERIFY(fixture.install(libEntry, "library bytes"));
        if (!appPackage.isNull())
            QVERIFY(writeFile(data.packageFilePath(appEntry.name), appPackage));
        if (!libPackage.isNull())
            QVERIFY(writeFile(data.packageFilePath(libEntry.name), libPackage));
        QCOMPARE(data.isUpdateAvailable(6, 0), available);
    }

    void unreadableManifestOffersNothing()
    {
        UpdateFolderFixture fixture("UAD");
        const UpdaterAppData data(fixture.application(), fixture.subPath());
        QVERIFY(data.writeManifestFile(QByteArray()));
        QVERIFY(!data.isUpdateAvailable(0, 0));
        QVERIFY(data.writeManifestFile("<?xml version=\"1.0\"?><u><app MajorVersion=\"9\" MinorVersion=\"0\" Checksum=\"0\"/></u>"));
        QVERIFY(!data.isUpdateAvailable(0, 0));
    }
};

TALVEX_TEST(tst_UpdaterAppData)
#include "tst_UpdaterAppData.moc"
