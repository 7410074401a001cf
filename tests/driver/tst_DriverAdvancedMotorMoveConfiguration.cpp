#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "TalvexDriverAdvancedMotorMoveConfiguration.h"

#include <QTest>

namespace
{
typedef TalvexDriverAdvancedMotorMoveConfiguration Advanced;
}

class tst_DriverAdvancedMotorMoveConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void codec_data()
    {
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("defaults") << QVariantList{false, 0, 100, 1, false, false, 200, 100}
                                  << "00 00 64 00 01 00 00 C8 00 64 00";
        QTest::newRow("everything on") << QVariantList{true, 1, 1000, 2, true, true, 4000, 300}
                                       << "01 01 E8 03 02 01 01 A0 0F 2C 01";
    }

    void codec()
    {
        QFETCH(QVariantList, values);
        QFETCH(QString, bytes);
        Advanced advanced;
        for (int id = 0; id < values.size(); ++id)
            advanced.setValue(id, values[id]);
        QCOMPARE(hexText(advanced.toByteArray()), bytes);
        const Advanced decoded(hexBytes(bytes));
        for (int id = 0; id < values.size(); ++id)
            QCOMPARE(decoded.value(id), values[id]);
    }

    void defaultsMatchTheDefaultRecord()
    {
        QCOMPARE(hexText(Advanced().toByteArray()), QString("00 00 64 00 01 00 00 C8 00 64 00"));
    }

    void flagsReadAsNotZero()
    {
        const Advanced decoded(hexBytes("05 00 64 00 01 02 FF C8 00 64 00"));
        QCOMPARE(decoded.value(Advanced::BacklashCompensation), QVariant(true));
        QCOMPARE(decoded.value(Advanced::AccurateHomeSearch), QVariant(true));
        QCOMPARE(decoded.value(Advanced::ZeroAtHome), QVariant(true));
    }
};

TALVEX_TEST(tst_DriverAdvancedMotorMoveConfiguration)
#include "tst_DriverAdvancedMotorMoveConfiguration.moc"
