#include "TestRegistry.h"

#include "TalvexAxisKinds.h"
#include "TalvexSOAxisFactory.h"
#include "TalvexSODocument.h"
#include "TalvexSOTalvexPelmoraAxis.h"

#include <QTest>

namespace
{
QByteArray bytesOf(const TalvexSODocument& document)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << document;
    return bytes;
}
}

// The program's registration of the axis kinds, and the files it makes possible.
class tst_TalvexAxisKinds : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TalvexAxisKinds::registerAll(); }

    void bothKindsListed()
    {
        QCOMPARE(TalvexSOAxisFactory::instance().typeNames(),
            QStringList({"TalvexSONullAxis", "TalvexSOTalvexPelmoraAxis"}));
        const boost::shared_ptr<TalvexSOIAxis> axis =
            TalvexSOAxisFactory::instance().create("TalvexSOTalvexPelmoraAxis");
        QVERIFY(dynamic_cast<TalvexSOTalvexPelmoraAxis*>(axis.get()));
        QCOMPARE(axis->typeName(), QString("TalvexSOTalvexPelmoraAxis"));
    }

    // The ".tso" of an XY table: driver-bound axes 1 and 2 (driver type 1), axis 3 off; read
    // back and written again it keeps every byte.
    void driverBoundFileRoundTrip()
    {
        TalvexSODocument document;
        document.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::Speed, 120.0);
        TalvexDriverMotionConfiguration motion;
        motion.setValue(TalvexDriverMotionConfiguration::MicroStepping, 4);
        for (int number : {1, 2})
        {
            TalvexDriverMotorConfiguration motor;
            motor.setValue(TalvexDriverMotorConfiguration::Pitch, 2.0 * number);
            document.setAxis(number, boost::shared_ptr<TalvexSOIAxis>(new TalvexSOTalvexPelmoraAxis(
                USBSerialNumber(QString("VTAH01001%1").arg(number == 1 ? "xxxx" : "0002")), motor, motion)));
            document.axisConfiguration().setValue(number, 1);
        }
        const QByteArray written = bytesOf(document);

        TalvexSODocument loaded;
        QDataStream in(written);
        in >> loaded;
        QCOMPARE(bytesOf(loaded), written);
        for (int number : {1, 2})
        {
            const auto* axis = dynamic_cast<const TalvexSOTalvexPelmoraAxis*>(loaded.axis(number).get());
            QVERIFY(axis);
            QVERIFY(!axis->isConnected());
            QCOMPARE(axis->linearStepSize(), document.axis(number)->linearStepSize());
        }
        QCOMPARE(loaded.axis(2)->typeName(), QString("TalvexSOTalvexPelmoraAxis"));
        QCOMPARE(dynamic_cast<const TalvexSOTalvexPelmoraAxis&>(*loaded.axis(1)).serialNumber().toString(),
            QString("VTAH01001XXXX"));
        QCOMPARE(loaded.axis(3)->typeName(), QString("TalvexSONullAxis"));
    }
};

TALVEX_TEST(tst_TalvexAxisKinds)
#include "tst_TalvexAxisKinds.moc"
