#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "TalvexPlotSettings.h"
#include "TestRegistry.h"

#include <QBuffer>
#include <QTest>

class tst_TalvexPlotSettings : public QObject
{
    Q_OBJECT

    static QByteArray stream(qint32 version, const QMap<int, QVariant>& values)
    {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << version << values;
        return bytes;
    }

private slots:
    void defaults()
    {
        const TalvexPlotSettings settings;
        for (int id : {TalvexPlotSettings::VoltageInverted, TalvexPlotSettings::QuadratureInverted,
                       TalvexPlotSettings::EventsInverted, TalvexPlotSettings::StepsInverted,
                       TalvexPlotSettings::QuadratureAsPhasor, TalvexPlotSettings::Reserved})
            QCOMPARE(settings.value(id), QVariant(false));
        for (int id = TalvexPlotSettings::VoltageOffset; id <= TalvexPlotSettings::StepsOffset; ++id)
            QCOMPARE(settings.value(id), QVariant(0.0));
        for (int id = TalvexPlotSettings::VoltageFactor; id <= TalvexPlotSettings::StepsFactor; ++id)
            QCOMPARE(settings.value(id), QVariant(1.0));
        QCOMPARE(settings.value(TalvexPlotSettings::StepsUnit), QVariant(1));
        QCOMPARE(settings.value(TalvexPlotSettings::ShowCursor1), QVariant(true));
        QCOMPARE(settings.value(TalvexPlotSettings::ShowCursor2), QVariant(true));
        QCOMPARE(settings.values().size(), 17);
    }

    void roundTrip()
    {
        TalvexPlotSettings settings;
        settings.setValue(TalvexPlotSettings::EventsFactor, 2.5);
        settings.setValue(TalvexPlotSettings::StepsUnit, 3);
        settings.setValue(TalvexPlotSettings::Reserved, true);
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << settings;
        }
        TalvexPlotSettings loaded;
        QDataStream in(bytes);
        in >> loaded;
        QCOMPARE(loaded.values(), settings.values());
    }

    // Files written before property 16 existed load with its default.
    void missingReservedLoadsFalse()
    {
        QMap<int, QVariant> values = TalvexPlotSettings().values();
        values.remove(TalvexPlotSettings::Reserved);
        values.insert(TalvexPlotSettings::VoltageOffset, -4.0);
        TalvexPlotSettings loaded;
        loaded.setValue(TalvexPlotSettings::Reserved, true);
        QDataStream in(stream(1, values));
        in >> loaded;
        QCOMPARE(loaded.value(TalvexPlotSettings::Reserved), QVariant(false));
        QCOMPARE(loaded.value(TalvexPlotSettings::VoltageOffset), QVariant(-4.0));
    }

    void unknownVersion_data()
    {
        QTest::addColumn<qint32>("version");
        QTest::newRow("0") << 0;
        QTest::newRow("2") << 2;
    }

    void unknownVersion()
    {
        QFETCH(qint32, version);

        TalvexPlotSettings settings;
        settings.setValue(TalvexPlotSettings::StepsUnit, 2);
        QMap<int, QVariant> values;
        values.insert(TalvexPlotSettings::StepsUnit, 0);
        QDataStream in(stream(version, values));
        try
        {
            in >> settings;
            QFAIL("no exception");
        }
        catch (const StreamableVersionException& e)
        {
            QCOMPARE(e.getVersion(), int(version));
            QCOMPARE(e.getSourceFile(), QString("src\\TalvexPlotSettings"));
            QCOMPARE(e.getLine(), 70);
        }
        QCOMPARE(settings.value(TalvexPlotSettings::StepsUnit), QVariant(2));
    }

    void truncated()
    {
        QByteArray bytes = stream(1, TalvexPlotSettings().values());
        bytes.chop(5);
        TalvexPlotSettings settings;
        settings.setValue(TalvexPlotSettings::StepsUnit, 2);
        QDataStream in(bytes);
        QVERIFY_EXCEPTION_THROWN(in >> settings, StreamableUnexpectedContentsException);
        QCOMPARE(settings.value(TalvexPlotSettings::StepsUnit), QVariant(2));
    }
};

TALVEX_TEST(tst_TalvexPlotSettings)
#include "tst_TalvexPlotSettings.moc"
