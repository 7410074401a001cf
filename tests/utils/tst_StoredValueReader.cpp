#include "TestRegistry.h"

#include "StoredValueReader.h"
#include "StreamableUnexpectedContentsException.h"

#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QPolygon>
#include <QTest>

namespace
{
typedef StoredValueReader R;

// Id 1 holds numbers, 2 a text, 3 a date; every other id is unknown.
R::Kind kindOf(int id)
{
    switch (id)
    {
    case 1:
        return R::Number;
    case 2:
        return R::Text;
    case 3:
        return R::Date;
    default:
        return R::Absent;
    }
}

QByteArray mapOf(const QMap<int, QVariant>& values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << values;
    return bytes;
}

// A map of one entry whose value is written field by field: type id, null flag, then the body.
QByteArray rawEntry(qint32 id, quint32 type, const std::function<void(QDataStream&)>& body)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint32(1) << id << type << qint8(0);
    body(out);
    return bytes;
}

QMap<int, QVariant> read(const QByteArray& bytes)
{
    QDataStream in(bytes);
    return R::readValueMap(in, kindOf);
}
}

class tst_StoredValueReader : public QObject
{
    Q_OBJECT

private slots:
    void acceptsWhatAnIdCanHold_data()
    {
        QTest::addColumn<QVariant>("number");
        QTest::newRow("bool") << QVariant(true);
        QTest::newRow("int") << QVariant(-7);
        QTest::newRow("uint") << QVariant(4000000000u);
        QTest::newRow("long long") << QVariant(Q_INT64_C(-5000000000));
        QTest::newRow("unsigned long long") << QVariant(Q_UINT64_C(9000000000));
        QTest::newRow("double") << QVariant(2.5);
        QTest::newRow("float") << QVariant(0.25f);
        QTest::newRow("entered text") << QVariant(QString("1 234,5"));
        QTest::newRow("null text") << QVariant(QString());
        QTest::newRow("no value") << QVariant();
    }

    // Every value keeps its type and value, the way QDataStream would have read it.
    void acceptsWhatAnIdCanHold()
    {
        QFETCH(QVariant, number);
        const QMap<int, QVariant> values{
            {1, number}, {2, QString("C:/boards/äöü.tcf")}, {3, QDate(2024, 2, 29)}};
        const QMap<int, QVariant> read = ::read(mapOf(values));
        QCOMPARE(read, values);
        QCOMPARE(read.value(1).userType(), number.userType());
        QCOMPARE(read.value(2).toString(), QString("C:/boards/äöü.tcf"));

        // In little-endian streams too.
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out << values;
        QDataStream in(bytes);
        in.setByteOrder(QDataStream::LittleEndian);
        QCOMPARE(R::readValueMap(in, kindOf), values);
    }

    void refusesEverythingElse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("failure");

        QTest::newRow("date where a number belongs") << mapOf({{1, QDate(2024, 1, 1)}})
                                                     << "Property 1 holds a value of type 14 it cannot have";
        QTest::newRow("number where a text belongs") << mapOf({{2, 5}})
                                                      << "Property 2 holds a value of type 2 it cannot have";
        QTest::newRow("text where a date belongs") << mapOf({{3, QString("2024-01-01")}})
                                                    << "Property 3 holds a value of type 10 it cannot have";
        QTest::newRow("unknown id") << mapOf({{4, 1}}) << "Unknown property 4";
        QTest::newRow("list claiming a billion entries")
            << rawEntry(1, QMetaType::QVariantList, [](QDataStream& out) { out << quint32(1000000000); })
            << "Property 1 holds a value of type 9 it cannot have";
        QTest::newRow("polygon claiming 2^32-1 points")
            << rawEntry(1, QMetaType::QPolygon, [](QDataStream& out) { out << quint32(0xFFFFFFFF); })
            << "Property 1 holds a value of type 71 it cannot have";
        QTest::newRow("date-time with an unknown zone")
            << rawEntry(3, QMetaType::QDateTime,
                   [](QDataStream& out) {
                       out << qint64(2460000) << quint32(0) << qint8(3) << QByteArray("Nowhere/Atlantis");
                   })
            << "Property 3 holds a value of type 16 it cannot have";
        QTest::newRow("user type by name")
            << rawEntry(1, QMetaType::User, [](QDataStream& out) { out << QByteArray("QRegion"); })
            << "Property 1 holds a value of type 1024 it cannot have";
        QTest::newRow("NaN") << mapOf({{1, qQNaN()}}) << "Property 1 holds a number that is not finite";
        QTest::newRow("infinite float") << mapOf({{1, float(qInf())}})
                                        << "Property 1 holds a number that is not finite";
        QTest::newRow("text longer than any stored text") << mapOf({{2, QString(40000, QChar('x'))}})
                                                         << "A text claims 80000 bytes";
        QTest::newRow("text of odd length")
            << rawEntry(2, QMetaType::QString, [](QDataStream& out) { out << quint32(3) << qint16(0) << qint8(0); })
            << "A text claims 3 bytes";
        QByteArray twice = mapOf({{1, 5}});
        twice.replace(0, 4, QByteArray("\0\0\0\2", 4));
        twice += twice.mid(4);
        QTest::newRow("id stored twice") << twice << "Property 1 is stored twice";
        QTest::newRow("map claiming 2^32-1 values") << QByteArray("\xFF\xFF\xFF\xFF", 4)
                                                    << "A property set claims 4294967295 values";
    }

    // Refused before anything is decoded: no claimed size is ever allocated.
    void refusesEverythingElse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, failure);
        QElapsedTimer timer;
        timer.start();
        try
        {
            read(bytes);
            QFAIL("read");
        }
        catch (const StreamableUnexpectedContentsException& e)
        {
            QCOMPARE(e.getMessage(), failure + ". The file is corrupted or not a configuration file.");
        }
        QVERIFY(timer.elapsed() < 1000);
    }

    // A claimed size beyond the data is a truncated stream, found before anything is allocated.
    void textClaimingMoreThanTheData()
    {
        const QByteArray bytes =
            rawEntry(2, QMetaType::QString, [](QDataStream& out) { out << quint32(0x80000000) << qint16(0x41); });
        try
        {
            read(bytes);
            QFAIL("read");
        }
        catch (const StreamableUnexpectedContentsException& e)
        {
            QCOMPARE(e.getMessage(), QString("Unexpected end of data. The file is truncated or corrupted."));
        }
    }

    void truncatedValues_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray whole = mapOf({{1, 2.5}, {2, QString("name")}, {3, QDate(2024, 1, 1)}});
        for (int length = 0; length < whole.size(); ++length)
            QTest::newRow(qPrintable(QString("cut at %1").arg(length))) << whole.left(length);
    }

    void truncatedValues()
    {
        QFETCH(QByteArray, bytes);
        try
        {
            read(bytes);
            QFAIL("read");
        }
        catch (const StreamableUnexpectedContentsException& e)
        {
            QCOMPARE(e.getMessage(), QString("Unexpected end of data. The file is truncated or corrupted."));
        }
    }

    void textIsBounded()
    {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << QString("abcd") << QString("abcde");
        QDataStream in(bytes);
        QCOMPARE(R::readText(in, 4), QString("abcd"));
        QVERIFY_EXCEPTION_THROWN(R::readText(in, 4), StreamableUnexpectedContentsException);
    }
};

TALVEX_TEST(tst_StoredValueReader)
#include "tst_StoredValueReader.moc"
