#include "TestRegistry.h"

#include "TalvexSOApplicationConfiguration.h"
#include "TalvexSOAxisConfiguration.h"

#include <QTest>

namespace
{
// Same ids, same values and same value types (a double default must not be stored as int).
template <class Set>
void compareExactly(const Set& set, const QMap<int, QVariant>& expected)
{
    QCOMPARE(set.values().keys(), expected.keys());
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it)
    {
        QCOMPARE(set.value(it.key()), it.value());
        QCOMPARE(set.value(it.key()).userType(), it.value().userType());
    }
}
}

class tst_TalvexSOConfigurations : public QObject
{
    Q_OBJECT

private slots:
    void applicationDefaults()
    {
        const TalvexSOApplicationConfiguration configuration;
        compareExactly(configuration, {{1, 0}, {2, 50.0}, {20, 1000.0}, {21, 1000.0}});
        QVERIFY(!configuration.value(3).isValid());
        QVERIFY(configuration.description().isEmpty());
    }

    void axisDefaults()
    {
        const TalvexSOAxisConfiguration configuration;
        compareExactly(configuration, {{1, 0}, {2, 0}, {3, 0}});
    }

    // The stored form: the class version, then the property set's own version and its map.
    void streamForm()
    {
        TalvexSOApplicationConfiguration application;
        application.setValue(TalvexSOApplicationConfiguration::Speed, 12.5);
        TalvexSOAxisConfiguration axis;
        axis.setValue(2, 9);

        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << application << axis;
        }
        QDataStream in(bytes);
        qint32 classVersion = 0, setVersion = 0;
        QMap<int, QVariant> values;
        in >> classVersion >> setVersion >> values;
        QCOMPARE(classVersion, 1);
        QCOMPARE(setVersion, 1);
        QCOMPARE(values, application.values());
        in >> classVersion >> setVersion >> values;
        QCOMPARE(classVersion, 1);
        QCOMPARE(setVersion, 1);
        QCOMPARE(values, axis.values());
        QVERIFY(in.atEnd());

        QDataStream back(bytes);
        TalvexSOApplicationConfiguration readApplication;
        TalvexSOAxisConfiguration readAxis;
        back >> readApplication >> readAxis;
        compareExactly(readApplication, application.values());
        compareExactly(readAxis, axis.values());
    }
};

TALVEX_TEST(tst_TalvexSOConfigurations)
#include "tst_TalvexSOConfigurations.moc"
