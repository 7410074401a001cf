#include "SettingsSandbox.h"
#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "TalvexGlobalSettings.h"
#include "TestRegistry.h"

#include <QDate>
#include <QDateTime>
#include <QSettings>
#include <QTest>

// Every case runs against a settings store of its own (the sandbox), never the user's.
class tst_TalvexGlobalSettings : public QObject
{
    Q_OBJECT

    static QSettings* store()
    {
        return new QSettings(QSettings::NativeFormat, QSettings::UserScope, "Veltramonde", "TalvexStudio");
    }

    static QStringList entries(int count)
    {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QString("file%1.tso").arg(i);
        return list;
    }

    SettingsSandbox m_sandbox;

private slots:
    void initTestCase()
    {
        QVERIFY(m_sandbox.isolated());
        QScopedPointer<QSettings> settings(store());
        QVERIFY(settings->fileName().startsWith(m_sandbox.path()));
    }

    void init()
    {
        QScopedPointer<QSettings> settings(store());
        settings->clear();
        settings->sync();
    }

    void firstRunDefaults()
    {
        const TalvexGlobalSettings settings;
        QCOMPARE(settings.value(TalvexGlobalSettings::AutoLoadEnabled), QVariant(false));
        QCOMPARE(settings.value(TalvexGlobalSettings::AutoLoadFile), QVariant(QString()));
        QCOMPARE(settings.value(TalvexGlobalSettings::LastUpdateCheck), QVariant(QDate(2000, 1, 1)));
        QCOMPARE(settings.value(TalvexGlobalSettings::OnlineUpdateCheck), QVariant(true));
        QCOMPARE(settings.history("SOConfigurations"), QStringList());
    }

    void saveAndLoad()
    {
        {
            TalvexGlobalSettings settings;
            settings.setValue(TalvexGlobalSettings::AutoLoadEnabled, true);
            settings.setValue(TalvexGlobalSettings::AutoLoadFile, QString("/home/me/motor.tcf"));
            settings.setValue(TalvexGlobalSettings::LastUpdateCheck, QDate(2024, 2, 29));
            settings.setValue(TalvexGlobalSettings::OnlineUpdateCheck, false);
            settings.save();
        }
        const TalvexGlobalSettings loaded;
        QCOMPARE(loaded.value(TalvexGlobalSettings::AutoLoadEnabled), QVariant(true));
        QCOMPARE(loaded.value(TalvexGlobalSettings::AutoLoadFile), QVariant(QString("/home/me/motor.tcf")));
        QCOMPARE(loaded.value(TalvexGlobalSettings::LastUpdateCheck), QVariant(QDate(2024, 2, 29)));
        QCOMPARE(loaded.value(TalvexGlobalSettings::OnlineUpdateCheck), QVariant(false));
    }

    // Values the store hands back as text (its native form) still load with their types.
    void storedAsText()
    {
        {
            QScopedPointer<QSettings> settings(store());
            settings->setValue("AutoLoadEnabled", "true");
            settings->setValue("OnlineUpdateCheck", "false");
        }
        const TalvexGlobalSettings loaded;
        QCOMPARE(loaded.value(TalvexGlobalSettings::AutoLoadEnabled), QVariant(true));
        QCOMPARE(loaded.value(TalvexGlobalSettings::OnlineUpdateCheck), QVariant(false));
    }

    void history_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QStringList>("after");

        QStringList thirdFirst = entries(20);
        thirdFirst.move(2, 0);
        QStringList newFirst = entries(19);
        newFirst.prepend("new.tso");
        QTest::newRow("third of 20 moves to the front") << entries(20) << "file2.tso" << thirdFirst;
        QTest::newRow("new entry drops the last of 20") << entries(20) << "new.tso" << newFirst;
        QTest::newRow("first entry stays") << entries(3) << "file0.tso" << entries(3);
        QTest::newRow("empty history") << QStringList() << "a.tso" << QStringList{"a.tso"};
    }

    // Adding saves at once: a later start sees the history.
    void history()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, added);
        QFETCH(QStringList, after);

        {
            QScopedPointer<QSettings> settings(store());
            settings->setValue("SOConfigurationHistory", before);
        }
        TalvexGlobalSettings settings;
        QCOMPARE(settings.history("SOConfigurations"), before);
        settings.addHistory("SOConfigurations", added);
        QCOMPARE(settings.history("SOConfigurations"), after);
        QCOMPARE(TalvexGlobalSettings().history("SOConfigurations"), after);
    }

    void storedHistoryForms_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("history");
        QTest::newRow("list") << QVariant(QStringList{"a.tso", "b.tso"}) << QStringList{"a.tso", "b.tso"};
        // The store on Linux gives a one-entry list back as its one text.
        QTest::newRow("one entry as text") << QVariant("a.tso") << QStringList{"a.tso"};
        QTest::newRow("empty text") << QVariant("") << QStringList();
        QTest::newRow("not a list") << QVariant(42) << QStringList();
        QTest::newRow("a long list keeps its newest 20") << QVariant(entries(500)) << entries(20);
    }

    void storedHistoryForms()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, history);

        {
            QScopedPointer<QSettings> settings(store());
            settings->setValue("SOConfigurationHistory", stored);
        }
        QCOMPARE(TalvexGlobalSettings().history("SOConfigurations"), history);
    }

    void assignmentCopiesHistory()
    {
        TalvexGlobalSettings settings;
        settings.addHistory("SOConfigurations", "a.tso");
        TalvexGlobalSettings copy(settings);
        QCOMPARE(copy.history("SOConfigurations"), QStringList{"a.tso"});

        settings.addHistory("SOConfigurations", "b.tso");
        settings.setValue(TalvexGlobalSettings::AutoLoadFile, QString("x.tcf"));
        copy = settings;
        QCOMPARE(copy.history("SOConfigurations"), (QStringList{"b.tso", "a.tso"}));
        QCOMPARE(copy.value(TalvexGlobalSettings::AutoLoadFile), QVariant(QString("x.tcf")));
    }

    void streamRoundTrip()
    {
        TalvexGlobalSettings settings;
        settings.setValue(TalvexGlobalSettings::AutoLoadFile, QString("y.tcf"));
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << settings;
        }
        TalvexGlobalSettings loaded;
        QDataStream in(bytes);
        in >> loaded;
        QCOMPARE(loaded.value(TalvexGlobalSettings::AutoLoadFile), QVariant(QString("y.tcf")));
    }

    void streamRefusesWhatAnIdCannotHold_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("date-time as the last check") << int(TalvexGlobalSettings::LastUpdateCheck)
                                                     << QVariant(QDateTime(QDate(2024, 1, 1), QTime(), Qt::UTC));
        QTest::newRow("list as the file") << int(TalvexGlobalSettings::AutoLoadFile) << QVariant(QStringList{"a", "b"});
        QTest::newRow("number as the file") << int(TalvexGlobalSettings::AutoLoadFile) << QVariant(5);
        QTest::newRow("unknown id") << 4 << QVariant(true);
    }

    void streamRefusesWhatAnIdCannotHold()
    {
        QFETCH(int, id);
        QFETCH(QVariant, value);
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << qint32(1) << QMap<int, QVariant>{{0, true}, {id, value}};
        }
        TalvexGlobalSettings settings;
        QDataStream in(bytes);
        QVERIFY_EXCEPTION_THROWN(in >> settings, StreamableUnexpectedContentsException);
        QCOMPARE(settings.value(TalvexGlobalSettings::AutoLoadEnabled), QVariant(false));
    }

    void streamVersionError()
    {
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << qint32(2) << QMap<int, QVariant>{{1, QString("z.tcf")}};
        }
        TalvexGlobalSettings settings;
        QDataStream in(bytes);
        try
        {
            in >> settings;
            QFAIL("no exception");
        }
        catch (const StreamableVersionException& e)
        {
            QCOMPARE(e.getVersion(), 2);
            QCOMPARE(e.getSourceFile(), QString("src\\TalvexGlobalSettings"));
        }
        QCOMPARE(settings.value(TalvexGlobalSettings::AutoLoadFile), QVariant(QString()));
    }
};

TALVEX_TEST(tst_TalvexGlobalSettings)
#include "tst_TalvexGlobalSettings.moc"
