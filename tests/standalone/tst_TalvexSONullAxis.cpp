#include "TestRegistry.h"

#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "TalvexSOAxisFactory.h"
#include "TalvexSONullAxis.h"

#include <QTest>
#include <memory>

namespace
{
// Made during static initialisation, in no set order with the library's own initialisers:
// the factory must already know its built-in kinds.
const boost::shared_ptr<TalvexSOIAxis> s_axisMadeBeforeMain =
    TalvexSOAxisFactory::instance().create(QStringLiteral("TalvexSONullAxis"));

class KindRecorder : public TalvexSOIAxis::IVisitor
{
public:
    void visit(TalvexSONullAxis& axis) override { m_visits << QString("null:%1").arg(quintptr(&axis)); }
    void visit(TalvexSOTalvexPelmoraAxis&) override { m_visits << QStringLiteral("driver"); }
    QStringList m_visits;
};

QString visitsOf(TalvexSOIAxis& axis)
{
    KindRecorder recorder;
    axis.accept(recorder);
    return recorder.m_visits.join(',');
}

QString nullVisit(const TalvexSOIAxis* axis)
{
    return QString("null:%1").arg(quintptr(axis));
}
}

class tst_TalvexSONullAxis : public QObject
{
    Q_OBJECT

private slots:
    void operationsSucceedAndSendNothing()
    {
        TalvexSONullAxis axis;
        const QList<USBResult> results{axis.connectDevice(), axis.uploadConfiguration(), axis.turnOn(),
                                       axis.turnOff(),       axis.moveHome(),            axis.move(0),
                                       axis.move(-200),      axis.move(200)};
        for (const USBResult& result : results)
            QCOMPARE(result.getStatus(), 0);
        axis.exitBootloader();
        axis.disconnectDevice();
        QCOMPARE(axis.linearStepSize(), 0.0);
    }

    void readStateReportsOffWithoutLimit_data()
    {
        QTest::addColumn<int>("motorBefore");
        QTest::addColumn<int>("limitBefore");
        QTest::newRow("zeroes") << 0 << 0;
        QTest::newRow("moving, at end limit") << 4 << 4;
        QTest::newRow("garbage") << -7 << 123456;
    }

    void readStateReportsOffWithoutLimit()
    {
        QFETCH(int, motorBefore);
        QFETCH(int, limitBefore);
        TalvexSONullAxis axis;
        int motorState = motorBefore;
        int limitState = limitBefore;
        QCOMPARE(axis.readState(&motorState, &limitState).getStatus(), 0);
        QCOMPARE(motorState, 1);
        QCOMPARE(limitState, 1);
    }

    void cloneAndVisit()
    {
        TalvexSONullAxis axis;
        QCOMPARE(visitsOf(axis), nullVisit(&axis));

        const std::unique_ptr<TalvexSOIAxis> copy(axis.clone());
        QVERIFY(copy.get() != &axis);
        QCOMPARE(copy->typeName(), QStringLiteral("TalvexSONullAxis"));
        QCOMPARE(copy->typeName(), axis.typeName());
        QCOMPARE(visitsOf(*copy), nullVisit(copy.get()));
    }

    void writesOnlyItsVersion()
    {
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << TalvexSONullAxis();
        }
        QCOMPARE(bytes, QByteArray::fromHex("00000001"));
    }

    void readChecksVersion_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("failure");
        QTest::newRow("version 1") << QByteArray::fromHex("00000001") << QString();
        QTest::newRow("version 0") << QByteArray::fromHex("00000000")
                                   << QString("version src\\TalvexSONullAxis:103 found 0");
        QTest::newRow("version 2") << QByteArray::fromHex("00000002")
                                   << QString("version src\\TalvexSONullAxis:103 found 2");
        QTest::newRow("version -1") << QByteArray::fromHex("ffffffff")
                                    << QString("version src\\TalvexSONullAxis:103 found -1");
        // A missing version is a truncated file, not version 0.
        QTest::newRow("empty") << QByteArray()
                               << QString("Unexpected end of data. The file is truncated or corrupted.");
        QTest::newRow("two bytes") << QByteArray::fromHex("0000")
                                   << QString("Unexpected end of data. The file is truncated or corrupted.");
    }

    void readChecksVersion()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, failure);
        TalvexSONullAxis axis;
        QDataStream in(bytes);
        QString caught;
        try
        {
            in >> axis;
        }
        catch (const StreamableVersionException& e)
        {
            caught = QString("version %1:%2 found %3").arg(e.getSourceFile()).arg(e.getLine()).arg(e.getVersion());
        }
        catch (const StreamableUnexpectedContentsException& e)
        {
            caught = e.getMessage();
        }
        QCOMPARE(caught, failure);
    }

    void factoryClonesPrototypes()
    {
        QVERIFY(s_axisMadeBeforeMain);
        QCOMPARE(s_axisMadeBeforeMain->typeName(), QStringLiteral("TalvexSONullAxis"));

        TalvexSOAxisFactory& factory = TalvexSOAxisFactory::instance();
        QCOMPARE(&factory, &TalvexSOAxisFactory::instance());
        const boost::shared_ptr<TalvexSOIAxis> first = factory.create("TalvexSONullAxis");
        const boost::shared_ptr<TalvexSOIAxis> second = factory.create("TalvexSONullAxis");
        QVERIFY(first && second);
        QVERIFY(first != second);
        QCOMPARE(visitsOf(*first), nullVisit(first.get()));

        // Names are matched exactly, and asking for an unknown one registers nothing.
        for (const QString& unknown : {QString(), QString("talvexsonullaxis"), QString("TalvexSONullAxis "),
                                       QString("TalvexSOIAxis")})
        {
            QVERIFY2(!factory.create(unknown), qPrintable(unknown));
            QVERIFY2(!factory.create(unknown), qPrintable(unknown));
        }
    }
};

TALVEX_TEST(tst_TalvexSONullAxis)
#include "tst_TalvexSONullAxis.moc"
