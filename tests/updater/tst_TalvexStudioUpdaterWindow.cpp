#include "TestRegistry.h"

#include "UpdaterRun.h"

#include <QTest>

namespace
{
const char s_oldProgram[] = "#!/bin/sh\necho old\n";
// The new program tells itself apart by its exit code.
const char s_newProgram[] = "#!/bin/sh\nexit 7\n";
const QFile::Permissions s_programPermissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
    | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

bool writeFile(const QString& path, const QByteArray& contents,
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size()
        && file.setPermissions(permissions);
}

// Without the flags of whoever runs the test, which QFile adds.
QFile::Permissions permissionsOf(const QString& path)
{
    return QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Keeps a picture of the updater's window in TALVEX_GRAB_DIR, when it is set, for looking at by eye.
void grabWhenAsked(UpdaterRun& run, const QString& name)
{
    const QString folder = qEnvironmentVariable("TALVEX_GRAB_DIR");
    if (!folder.isEmpty())
        run.send("grab " + QDir(folder).filePath(name + ".png"));
}

const QString s_start = "Talvex Studio will be updated with the latest version.\\nClick \"Next\" to continue.|Cancel,Next";
const QString s_completed = "Update completed!|Done";
}

// The updater program, run as a process in a program folder and a data folder of the test's
// own: what each outcome shows, and that the studio's folder always keeps a working program.
class tst_TalvexStudioUpdaterWindow : public QObject
{
    Q_OBJECT

private slots:
    void noPackage()
    {
        UpdaterRun run;
        QVERIFY(run.ready());
        QVERIFY(writeFile(run.program("TalvexStudio"), s_oldProgram, s_programPermissions));
        QVERIFY(run.start({}));
        QCOMPARE(run.send("state"), s_start);
        grabWhenAsked(run, "updater-start");
        QCOMPARE(run.send("press Next"),
            QString("Unable to find the latest update package.\\nCheck for updates online or visit "
                    "www.veltramonde.example|Done"));
        QCOMPARE(readFile(run.program("TalvexStudio")), QByteArray(s_oldProgram));
        run.send("press Done");
        QVERIFY(run.endedNormally());
    }

    void completedUpdate_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("earlierOld");
        QTest::newRow("no arguments") << QStringList() << false;
        QTest::newRow("the data folder, as the studio starts it") << QStringList{"DATA"} << false;
        QTest::newRow("other arguments") << QStringList{"--update-staging", "a b", ""} << false;
        QTest::newRow("an old program of an earlier update") << QStringList() << true;
    }

    // The new program takes the old one's name and permissions, so it runs; the old one is kept
    // as "TalvexStudio.old" and the package stays where it was.
    void completedUpdate()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, earlierOld);
        UpdaterRun run;
        QVERIFY(run.ready());
        QVERIFY(writeFile(run.program("TalvexStudio"), s_oldProgram, s_programPermissions));
        QVERIFY(writeFile(run.data("TalvexStudio.pkg"), s_newProgram));
        if (earlierOld)
            QVERIFY(writeFile(run.program("TalvexStudio.old"), "older"));
        arguments.replaceInStrings("DATA", run.data(""));
        QVERIFY(run.start(arguments));

        QCOMPARE(run.send("press Next"), s_completed);
        QCOMPARE(readFile(run.program("TalvexStudio")), QByteArray(s_newProgram));
        QCOMPARE(permissionsOf(run.program("TalvexStudio")), s_programPermissions);
        QCOMPARE(QProcess::execute(run.program("TalvexStudio"), {}), 7);
        QCOMPARE(readFile(run.program("TalvexStudio.old")), QByteArray(s_oldProgram));
        QCOMPARE(readFile(run.data("TalvexStudio.pkg")), QByteArray(s_newProgram));
        run.send("press Done");
        QVERIFY(run.endedNormally());
    }

    // An old program that cannot be deleted means the studio still runs: nothing changes until
    // the user tries again after the cause is gone.
    void oldVersionCannotBeRemoved()
    {
        UpdaterRun run;
        QVERIFY(run.ready());
        QVERIFY(writeFile(run.program("TalvexStudio"), s_oldProgram, s_programPermissions));
        QVERIFY(writeFile(run.data("TalvexStudio.pkg"), s_newProgram));
        // A folder that is not empty resists deletion whoever runs the test.
        QVERIFY(QDir().mkpath(run.program("TalvexStudio.old")));
        QVERIFY(writeFile(run.program("TalvexStudio.old/busy"), "busy"));
        QVERIFY(run.start({}));

        const QString stillRunning =
            "Talvex Studio is still running.\\nClose all instances of Talvex Studio and try again.|Cancel,Try again";
        QCOMPARE(run.send("press Next"), stillRunning);
        QCOMPARE(run.send("press Try again"), stillRunning);
        QCOMPARE(readFile(run.program("TalvexStudio")), QByteArray(s_oldProgram));

        QVERIFY(QDir(run.program("TalvexStudio.old")).removeRecursively());
        grabWhenAsked(run, "updater-still-running");
        QCOMPARE(run.send("press Try again"), s_completed);
        grabWhenAsked(run, "updater-completed");
        QCOMPARE(readFile(run.program("TalvexStudio")), QByteArray(s_newProgram));
        run.send("press Done");
        QVERIFY(run.endedNormally());
    }

    void failures_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<int>("fileSizeLimit");
        QTest::addColumn<QString>("answer");
        QTest::newRow("the copy fails") << true << 4096
                                        << "Unable to copy new version of Talvex Studio.\\nCheck your permissions.|Done";
        QTest::newRow("no program to rename") << false << 0
                                              << "Unable to remove old version of Talvex Studio.\\nCheck your "
                                                 "permissions.|Done";
    }

    // A failed update leaves the studio's folder as it was: the old program under its own name
    // and no "TalvexStudio.old".
    void failures()
    {
        QFETCH(bool, installed);
        QFETCH(int, fileSizeLimit);
        QFETCH(QString, answer);
        UpdaterRun run;
        QVERIFY(run.ready());
        if (installed)
            QVERIFY(writeFile(run.program("TalvexStudio"), s_oldProgram, s_programPermissions));
        QVERIFY(writeFile(run.data("TalvexStudio.pkg"), QByteArray(s_newProgram) + QByteArray(65536, '#')));
        QVERIFY(run.start({}, rlim_t(fileSizeLimit)));

        QCOMPARE(run.send("press Next"), answer);
        QCOMPARE(QDir(run.program("")).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
            installed ? QStringList({"TalvexStudio", "TalvexStudioUpdater"}) : QStringList({"TalvexStudioUpdater"}));
        if (installed)
        {
            QCOMPARE(readFile(run.program("TalvexStudio")), QByteArray(s_oldProgram));
            QCOMPARE(permissionsOf(run.program("TalvexStudio")), s_programPermissions);
        }
        run.send("press Done");
        QVERIFY(run.endedNormally());
    }

    void cancel()
    {
        UpdaterRun run;
        QVERIFY(run.ready());
        QVERIFY(writeFile(run.program("TalvexStudio"), s_oldProgram, s_programPermissions));
        QVERIFY(writeFile(run.data("TalvexStudio.pkg"), s_newProgram));
        QVERIFY(run.start({}));
        run.send("press Cancel");
        QVERIFY(run.endedNormally());
        QCOMPARE(readFile(run.program("TalvexStudio")), QByteArray(s_oldProgram));
    }
};

TALVEX_TEST(tst_TalvexStudioUpdaterWindow)
#include "tst_TalvexStudioUpdaterWindow.moc"
