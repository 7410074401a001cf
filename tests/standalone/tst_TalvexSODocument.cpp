#include "TestRegistry.h"

#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "TalvexSOAxisFactory.h"
#include "TalvexSODocument.h"
#include "TalvexSONullAxis.h"

#include <QTest>
#include <boost/weak_ptr.hpp>

namespace
{
const QString kHeader = QStringLiteral("D6417D12-C4F6-4DB8-BFD0-C612179DE216");
const QString kTruncated = QStringLiteral("Unexpected end of data. The file is truncated or corrupted.");
const QString kWrongHeader =
    QStringLiteral("Unexpected file header. The file is corrupted or not a configuration file.");

// An axis kind with state of its own, so that a stored axis can be told from a kept one.
class PositionAxis : public TalvexSONullAxis
{
public:
    explicit PositionAxis(qint32 position = 0) : m_position(position) {}
    TalvexSOIAxis* clone() const override { return new PositionAxis(*this); }
    QString typeName() const override { return QStringLiteral("PositionAxis"); }
    void write(QDataStream& out) const override { out << qint32(1) << m_position; }
    void read(QDataStream& in) override
    {
        TalvexSONullAxis::read(in);
        in >> m_position;
        StreamableUnexpectedContentsException::checkStatus(in);
    }
    qint32 m_position;
};

QByteArray ints(std::initializer_list<qint32> values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (qint32 value : values)
        out << value;
    return bytes;
}

// A ".tso" stream made field by field, so that single fields can be spoilt.
struct TsoFile
{
    struct Axis
    {
        qint32 number;
        QString typeName;
        QByteArray data;
    };

    QString header = kHeader;
    qint32 fileVersion = 1;
    qint32 applicationVersion = 1;
    qint32 applicationSetVersion = 1;
    QMap<int, QVariant> applicationValues{{1, 0}, {2, 12.5}, {20, 300.0}, {21, 200.0}};
    qint32 axisConfigurationVersion = 1;
    QMap<int, QVariant> axisValues{{1, 4}, {2, 5}, {3, 6}};
    QList<Axis> axes{{1, "TalvexSONullAxis", ints({1})},
                     {2, "PositionAxis", ints({1, 42})},
                     {3, "TalvexSONullAxis", ints({1})}};
    bool countFromAxes = true;
    qint32 count = 0;

    QByteArray bytes() const
    {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << header << fileVersion << applicationVersion << applicationSetVersion << applicationValues
            << axisConfigurationVersion << qint32(1) << axisValues << (countFromAxes ? qint32(axes.size()) : count);
        for (const Axis& axis : axes)
        {
            out << axis.number << axis.typeName;
            out.writeRawData(axis.data.constData(), axis.data.size());
        }
        return bytes;
    }
};

QByteArray bytesOf(const TalvexSODocument& document)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << document;
    return bytes;
}

// The axis numbers in use, taken from the document's stream form (the document does not list them).
QList<int> axisNumbers(const TalvexSODocument& document)
{
    const QByteArray bytes = bytesOf(document);
    QDataStream in(bytes);
    QString header;
    qint32 version = 0, count = 0;
    TalvexSOApplicationConfiguration application;
    TalvexSOAxisConfiguration axisConfiguration;
    in >> header >> version >> application >> axisConfiguration >> count;
    QList<int> numbers;
    for (qint32 i = 0; i < count; ++i)
    {
        qint32 number = 0;
        QString typeName;
        in >> number >> typeName;
        TalvexSOAxisFactory::instance().create(typeName)->read(in);
        numbers << number;
    }
    return numbers;
}

// "1:kept 2:PositionAxis(42)": each axis by number; "kept" when it is the very object that
// `before` held under that number.
QString describeAxes(const TalvexSODocument& document, const QMap<int, TalvexSOIAxis*>& before = {})
{
    QStringList parts;
    for (int number : axisNumbers(document))
    {
        const boost::shared_ptr<TalvexSOIAxis> axis = document.axis(number);
        QString text = axis->typeName();
        if (before.value(number) == axis.get())
            text = QStringLiteral("kept");
        else if (const PositionAxis* positionAxis = dynamic_cast<const PositionAxis*>(axis.get()))
            text += QString("(%1)").arg(positionAxis->m_position);
        parts << QString("%1:%2").arg(number).arg(text);
    }
    return parts.join(' ');
}

QMap<int, TalvexSOIAxis*> axesOf(const TalvexSODocument& document)
{
    QMap<int, TalvexSOIAxis*> axes;
    for (int number : axisNumbers(document))
        axes.insert(number, document.axis(number).get());
    return axes;
}

// The failure of a read as one comparable text; empty when the read succeeded.
QString readFailure(TalvexSODocument& document, const QByteArray& bytes)
{
    QDataStream in(bytes);
    try
    {
        in >> document;
    }
    catch (const StreamableVersionException& e)
    {
        return QString("version %1:%2 found %3").arg(e.getSourceFile()).arg(e.getLine()).arg(e.getVersion());
    }
    catch (const StreamableUnexpectedContentsException& e)
    {
        return e.getMessage();
    }
    return QString();
}

class ChangeCounter : public Properties<TalvexSOApplicationConfigurationTraits>::IChangeObserver
{
public:
    void propertyChanged(int id, const QVariant&) override { m_ids << id; }
    void validationMessage(int, const QString&) override {}
    void sourceDestroyed(Properties<TalvexSOApplicationConfigurationTraits>*) override {}
    QList<int> m_ids;
};
}

class tst_TalvexSODocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TalvexSOAxisFactory::instance().registerKind<PositionAxis>(); }

    void newDocument()
    {
        const TalvexSODocument document;
        QCOMPARE(describeAxes(document), QString("1:TalvexSONullAxis 2:TalvexSONullAxis 3:TalvexSONullAxis"));
        QVERIFY(document.axis(1) != document.axis(2) && document.axis(2) != document.axis(3));
        QCOMPARE(document.applicationConfiguration().values(), TalvexSOApplicationConfiguration().values());
        QCOMPARE(document.axisConfiguration().values(), TalvexSOAxisConfiguration().values());
    }

    void streamForm()
    {
        TalvexSODocument document;
        document.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::Speed, 12.5);
        document.setAxis(2, boost::shared_ptr<TalvexSOIAxis>(new PositionAxis(42)));

        TsoFile expected;
        expected.applicationValues = document.applicationConfiguration().values();
        expected.axisValues = TalvexSOAxisConfiguration().values();
        QCOMPARE(bytesOf(document), expected.bytes());
    }

    void roundTripKeepsEveryByte()
    {
        TalvexSODocument document;
        document.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::TableSizeX, 1234.5);
        document.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::ApplicationType, 0);
        document.axisConfiguration().setValue(3, 17);
        document.setAxis(3, boost::shared_ptr<TalvexSOIAxis>(new PositionAxis(-9)));
        document.setAxis(7, boost::shared_ptr<TalvexSOIAxis>(new PositionAxis(70)));
        const QByteArray written = bytesOf(document);

        TalvexSODocument loaded;
        QCOMPARE(readFailure(loaded, written), QString());
        QCOMPARE(describeAxes(loaded), QString("1:TalvexSONullAxis 2:TalvexSONullAxis 3:PositionAxis(-9) "
                                               "7:PositionAxis(70)"));
        QCOMPARE(loaded.applicationConfiguration().values(), document.applicationConfiguration().values());
        QCOMPARE(loaded.axisConfiguration().values(), document.axisConfiguration().values());
        QCOMPARE(bytesOf(loaded), written);
        // Read axes are new objects, not the writer's.
        QVERIFY(loaded.axis(3) != document.axis(3));
    }

    void readMergesAxes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("axes");

        QTest::newRow("all three") << TsoFile().bytes()
                                   << "1:TalvexSONullAxis 2:PositionAxis(42) 3:TalvexSONullAxis";
        TsoFile none;
        none.axes.clear();
        QTest::newRow("count 0") << none.bytes() << "1:kept 2:kept 3:kept";
        TsoFile negative;
        negative.countFromAxes = false;
        negative.count = -1;
        QTest::newRow("count -1") << negative.bytes() << "1:kept 2:kept 3:kept";
        TsoFile onlySecond;
        onlySecond.axes = {{2, "PositionAxis", ints({1, 5})}};
        QTest::newRow("only axis 2") << onlySecond.bytes() << "1:kept 2:PositionAxis(5) 3:kept";
        TsoFile extra;
        extra.axes = {{7, "PositionAxis", ints({1, 8})}, {0, "TalvexSONullAxis", ints({1})}};
        QTest::newRow("numbers beyond 1 to 3") << extra.bytes()
                                               << "0:TalvexSONullAxis 1:kept 2:kept 3:kept 7:PositionAxis(8)";
        TsoFile twice;
        twice.axes = {{1, "PositionAxis", ints({1, 1})}, {1, "PositionAxis", ints({1, 2})}};
        QTest::newRow("number named twice") << twice.bytes() << "1:PositionAxis(2) 2:kept 3:kept";
    }

    void readMergesAxes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, axes);

        TalvexSODocument document;
        const QMap<int, TalvexSOIAxis*> before = axesOf(document);
        QCOMPARE(readFailure(document, file), QString());
        QCOMPARE(describeAxes(document, before), axes);
        QCOMPARE(document.applicationConfiguration().values(), TsoFile().applicationValues);
        QCOMPARE(document.axisConfiguration().values(), TsoFile().axisValues);
    }

    void failedReadChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("failure");

        auto header = [](const QString& text) {
            TsoFile file;
            file.header = text;
            return file.bytes();
        };
        QTest::newRow("empty file") << QByteArray() << kWrongHeader;
        QTest::newRow("device configuration file") << header("AF3F0285-592D-453D-8C02-751BBB58A3A5") << kWrongHeader;
        QTest::newRow("header in lower case") << header(kHeader.toLower()) << kWrongHeader;
        QTest::newRow("header with a trailing space") << header(kHeader + ' ') << kWrongHeader;
        QTest::newRow("plain text") << QByteArray("D6417D12-C4F6-4DB8-BFD0-C612179DE216\n") << kWrongHeader;

        TsoFile file;
        file.fileVersion = 2;
        QTest::newRow("file version 2") << file.bytes() << "version src\\TalvexSODocument:117 found 2";
        file.fileVersion = 0;
        QTest::newRow("file version 0") << file.bytes() << "version src\\TalvexSODocument:117 found 0";

        file = TsoFile();
        file.applicationVersion = 2;
        QTest::newRow("application configuration version 2")
            << file.bytes() << "version src\\TalvexSOApplicationConfiguration:64 found 2";
        file = TsoFile();
        file.applicationSetVersion = 2;
        QTest::newRow("application property set version 2")
            << file.bytes() << "version ..\\..\\utils\\core\\include\\Properties:127 found 2";
        file = TsoFile();
        file.axisConfigurationVersion = 3;
        QTest::newRow("axis configuration version 3")
            << file.bytes() << "version src\\TalvexSOAxisConfiguration:80 found 3";
        file = TsoFile();
        file.axes[2].data = ints({0});
        QTest::newRow("null axis version 0, after two good axes")
            << file.bytes() << "version src\\TalvexSONullAxis:103 found 0";

        file = TsoFile();
        file.axes[1].typeName = "TalvexSOMysteryAxis";
        QTest::newRow("unknown axis kind")
            << file.bytes()
            << "Unknown axis type \"TalvexSOMysteryAxis\" for axis 2. "
               "The file is corrupted or not a configuration file.";
        file.axes[1].typeName = QString();
        QTest::newRow("empty axis kind")
            << file.bytes() << "Unknown axis type \"\" for axis 2. The file is corrupted or not a configuration file.";

        file = TsoFile();
        file.applicationValues.insert(TalvexSOApplicationConfiguration::Speed, QVariantList{1, 2});
        QTest::newRow("list as the speed")
            << file.bytes() << "Property 2 holds a value of type 9 it cannot have. "
                               "The file is corrupted or not a configuration file.";
        file = TsoFile();
        file.axisValues.insert(4, 1);
        QTest::newRow("unknown axis setting")
            << file.bytes() << "Unknown property 4. The file is corrupted or not a configuration file.";
        file = TsoFile();
        file.axes[1].typeName = QString(300, QChar('A'));
        QTest::newRow("axis kind of 300 characters")
            << file.bytes() << "A text claims 600 bytes. The file is corrupted or not a configuration file.";

        file = TsoFile();
        file.countFromAxes = false;
        file.count = 4;
        QTest::newRow("count beyond the stored axes") << file.bytes() << kTruncated;
        file.count = 0x7fffffff;
        QTest::newRow("huge count") << file.bytes() << kTruncated;
        file = TsoFile();
        file.axes[1].data = ints({1});
        QTest::newRow("axis data cut short") << file.bytes() << kTruncated;
    }

    // A file that cannot be read whole leaves the document as it was: values, axes and
    // observers untouched, so no half-read document can pass for a good one.
    void failedReadChangesNothing()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, failure);

        TalvexSODocument document;
        document.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::Speed, 77.0);
        document.axisConfiguration().setValue(1, 11);
        document.setAxis(3, boost::shared_ptr<TalvexSOIAxis>(new PositionAxis(3)));
        const QMap<int, QVariant> applicationBefore = document.applicationConfiguration().values();
        const QMap<int, QVariant> axisBefore = document.axisConfiguration().values();
        const QMap<int, TalvexSOIAxis*> axesBefore = axesOf(document);
        ChangeCounter observer;
        document.applicationConfiguration().addObserver(&observer);

        QCOMPARE(readFailure(document, file), failure);

        QCOMPARE(observer.m_ids, QList<int>());
        QCOMPARE(document.applicationConfiguration().values(), applicationBefore);
        QCOMPARE(document.axisConfiguration().values(), axisBefore);
        QCOMPARE(describeAxes(document, axesBefore), QString("1:kept 2:kept 3:kept"));
        QVERIFY(!TalvexSOAxisFactory::instance().create("TalvexSOMysteryAxis"));
        QVERIFY(!TalvexSOAxisFactory::instance().create(QString()));
        document.applicationConfiguration().removeObserver(&observer);
    }

    void everyTruncationFails()
    {
        const QByteArray whole = TsoFile().bytes();
        const int headerSize = 4 + 2 * kHeader.size();
        for (int size = 0; size < whole.size(); ++size)
        {
            TalvexSODocument document;
            const QMap<int, TalvexSOIAxis*> axesBefore = axesOf(document);
            const QString failure = readFailure(document, whole.left(size));
            QVERIFY2(failure == (size < headerSize ? kWrongHeader : kTruncated),
                     qPrintable(QString("%1 of %2 bytes: %3").arg(size).arg(whole.size()).arg(failure)));
            QCOMPARE(document.applicationConfiguration().values(), TalvexSOApplicationConfiguration().values());
            QCOMPARE(document.axisConfiguration().values(), TalvexSOAxisConfiguration().values());
            QCOMPARE(describeAxes(document, axesBefore), QString("1:kept 2:kept 3:kept"));
        }
    }

    void successfulReadTellsObservers()
    {
        TalvexSODocument document;
        ChangeCounter observer;
        document.applicationConfiguration().addObserver(&observer);
        QCOMPARE(readFailure(document, TsoFile().bytes()), QString());
        QVERIFY(observer.m_ids.contains(TalvexSOApplicationConfiguration::Speed));
        QCOMPARE(document.applicationConfiguration().value(TalvexSOApplicationConfiguration::Speed), QVariant(12.5));
        document.applicationConfiguration().removeObserver(&observer);
    }

    void copiesShareAxes_data()
    {
        QTest::addColumn<bool>("assign");
        QTest::newRow("copy construction") << false;
        QTest::newRow("assignment") << true;
    }

    void copiesShareAxes()
    {
        QFETCH(bool, assign);

        TalvexSODocument source;
        source.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::TableSizeY, 640.0);
        source.axisConfiguration().setValue(2, 3);
        const boost::shared_ptr<PositionAxis> shared(new PositionAxis(1));
        source.setAxis(2, shared);
        ChangeCounter sourceObserver;
        source.applicationConfiguration().addObserver(&sourceObserver);

        std::unique_ptr<TalvexSODocument> target;
        ChangeCounter targetObserver;
        if (assign)
        {
            target.reset(new TalvexSODocument);
            target->applicationConfiguration().addObserver(&targetObserver);
            *target = source;
            // Assignment tells the target's observers of every value, changed or not.
            QCOMPARE(targetObserver.m_ids, (QList<int>{1, 2, 20, 21}));
        }
        else
        {
            target.reset(new TalvexSODocument(source));
        }
        QCOMPARE(target->applicationConfiguration().values(), source.applicationConfiguration().values());
        QCOMPARE(target->axisConfiguration().values(), source.axisConfiguration().values());
        QCOMPARE(axesOf(*target), axesOf(source));

        // The same axis object: a change of its state is seen through both documents.
        shared->m_position = 99;
        QCOMPARE(describeAxes(*target), QString("1:TalvexSONullAxis 2:PositionAxis(99) 3:TalvexSONullAxis"));

        // Separate maps and values: replacing an axis or a value of the target leaves the source.
        const boost::weak_ptr<TalvexSOIAxis> firstAxis = source.axis(1);
        target->setAxis(1, boost::shared_ptr<TalvexSOIAxis>(new PositionAxis(5)));
        target->applicationConfiguration().setValue(TalvexSOApplicationConfiguration::Speed, 1.0);
        QCOMPARE(describeAxes(source), QString("1:TalvexSONullAxis 2:PositionAxis(99) 3:TalvexSONullAxis"));
        QCOMPARE(source.applicationConfiguration().value(TalvexSOApplicationConfiguration::Speed), QVariant(50.0));
        QCOMPARE(sourceObserver.m_ids, QList<int>());

        // An axis lives while any document holds it.
        source.setAxis(1, boost::shared_ptr<TalvexSOIAxis>(new TalvexSONullAxis));
        QVERIFY(firstAxis.expired());
        const boost::weak_ptr<TalvexSOIAxis> sharedAxis = shared;
        source = TalvexSODocument();
        QVERIFY(!sharedAxis.expired());
        if (assign)
            target->applicationConfiguration().removeObserver(&targetObserver);
        target.reset();
        source.applicationConfiguration().removeObserver(&sourceObserver);
        QCOMPARE(shared.use_count(), 1L);
    }

    void absentAxisNumber()
    {
#ifdef QT_NO_DEBUG
        const TalvexSODocument document;
        QVERIFY(!document.axis(0));
        QVERIFY(!document.axis(4));
#else
        QSKIP("An absent axis number is a debug assertion in debug builds.");
#endif
    }
};

TALVEX_TEST(tst_TalvexSODocument)
#include "tst_TalvexSODocument.moc"
