#include "TestRegistry.h"

#include "PackageUpdaterManifest.h"
#include "UpdaterManifest.h"

#include <QTest>

namespace
{
const QString s_app = QStringLiteral("TalvexStudio");

// The files of a result as "name:executable:checksum".
QStringList describe(const UpdaterResult& result)
{
    QStringList files;
    for (const UpdaterFileEntry& file : result.getFiles())
        files << QStringLiteral("%1:%2:%3").arg(file.name).arg(file.executable).arg(file.checksum);
    return files;
}
}

class tst_UpdaterManifest : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("notes");

        const QByteArray app = "<app MajorVersion=\"6\" MinorVersion=\"1\" Checksum=\"4294967295\"/>";
        const QByteArray rest = "<file Name=\"libplot\" Checksum=\"17\"/><releasenotes Value=\"&lt;b>New&lt;/b>\"/>";
        const QStringList appOnly{"TalvexStudio:1:4294967295"};
        const QString invalid = "Update package contains invalid information.";

        QTest::newRow("format 2") << "<u><version Value=\"2\"/>" + app + rest + "</u>" << "" << 2 << "6.1"
                                  << (appOnly + QStringList{"libplot:0:17"}) << "<b>New</b>";
        QTest::newRow("no version: format 1 reads only app")
            << "<u>" + app + rest + "</u>" << "" << 1 << "6.1" << appOnly << "";
        QTest::newRow("version after the elements counts")
            << "<u>" + app + rest + "<version Value=\"1\"/><version Value=\"2\"/></u>" << "" << 2 << "6.1"
            << (appOnly + QStringList{"libplot:0:17"}) << "<b>New</b>";
        QTest::newRow("unknown elements ignored")
            << "<u><version Value=\"2\"/><extra/>" + app + "</u>" << "" << 2 << "6.1" << appOnly << "";
        QTest::newRow("two app elements: last version, two entries")
            << "<u><app MajorVersion=\"5\" MinorVersion=\"9\" Checksum=\"1\"/>" + app + "</u>" << "" << 1 << "6.1"
            << QStringList{"TalvexStudio:1:1", "TalvexStudio:1:4294967295"} << "";
        QTest::newRow("numbers that do not convert read as 0")
            << QByteArray("<u><app MajorVersion=\"six\" MinorVersion=\"\" Checksum=\"-1\"/></u>") << "" << 1 << "0.0"
            << QStringList{"TalvexStudio:1:0"} << "";
        QTest::newRow("no app element") << QByteArray("<u/>") << "" << 1 << "0.0" << QStringList{} << "";
        QTest::newRow("version 3") << "<u><version Value=\"3\"/>" + app + "</u>" << "Unsupported manifest version 3."
                                   << 0 << "0.0" << QStringList{} << "";
        QTest::newRow("version without Value") << "<u><version/>" + app + "</u>" << invalid << 0 << "0.0"
                                               << QStringList{} << "";
        QTest::newRow("app without Checksum")
            << QByteArray("<u><app MajorVersion=\"6\" MinorVersion=\"1\"/></u>") << invalid << 1 << "0.0"
            << QStringList{} << "";
        QTest::newRow("case counts") << QByteArray("<u><app majorversion=\"6\" MinorVersion=\"1\" Checksum=\"1\"/></u>")
                                     << invalid << 1 << "0.0" << QStringList{} << "";
        QTest::newRow("file without Name in format 2")
            << QByteArray("<u><version Value=\"2\"/><file Checksum=\"1\"/></u>") << invalid << 2 << "0.0" << QStringList{} << "";
        // A file's name becomes a file name in the update data folder and beside the program.
        for (const char* name : {"../escape", "sub/lib", "sub\\lib", "..", ""})
            QTest::newRow(qPrintable(QStringLiteral("file named \"%1\"").arg(name)))
                << "<u><version Value=\"2\"/><file Name=\"" + QByteArray(name) + "\" Checksum=\"1\"/></u>" << invalid << 2
                << "0.0" << QStringList{} << "";
        QTest::newRow("comment beside the root") << "<!-- c --><u>" + app + "</u>" << invalid << 0 << "0.0"
                                                 << QStringList{} << "";
        QTest::newRow("processing instruction beside the root")
            << "<?style x?><u>" + app + "</u>" << invalid << 0 << "0.0" << QStringList{} << "";
        QTest::newRow("XML declaration") << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<u>" + app + "</u>" << invalid
                                         << 0 << "0.0" << QStringList{} << "";
        QTest::newRow("text between the elements")
            << "<u>" + app + "text</u>" << invalid << 0 << "0.0" << QStringList{} << "";
    }

    void read()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, error);
        QFETCH(int, format);
        QFETCH(QString, version);
        QFETCH(QStringList, files);
        QFETCH(QString, notes);
        for (const UpdaterResult& result :
            {UpdaterManifest::read(xml, s_app), static_cast<UpdaterResult>(PackageUpdaterManifest().read(xml, s_app))})
        {
            QCOMPARE(result.getError(), error);
            QCOMPARE(result.isValid(), error.isEmpty());
            QCOMPARE(result.getManifestVersion(), format);
            if (!result.isValid())
                continue;
            QCOMPARE(QStringLiteral("%1.%2").arg(result.getMajorVersion()).arg(result.getMinorVersion()), version);
            QCOMPARE(describe(result), files);
            QCOMPARE(result.getReleaseNotes(), notes);
        }
    }

    void parseErrorsKeepTheParsersText()
    {
        const UpdaterResult result = UpdaterManifest::read("<u><app></u>", s_app);
        QVERIFY(!result.isValid());
        QVERIFY(!result.getError().isEmpty());
        QVERIFY(result.getError() != "Update package contains invalid information.");
        QVERIFY(!UpdaterManifest::read(QByteArray(), s_app).isValid());
    }
};

TALVEX_TEST(tst_UpdaterManifest)
#include "tst_UpdaterManifest.moc"
