#include "TestRegistry.h"

#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "SettingsSandbox.h"
#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"

#include <QBuffer>
#include <functional>
#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotionConfiguration Motion;
typedef TalvexDriverMotorConfiguration Motor;
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexDriverAdvancedMotorMoveConfiguration Advanced;
typedef TalvexDriverPWMSettings PWM;

const QString s_header = "AF3F0285-592D-453D-8C02-751BBB58A3A5";

QByteArray saved(const TalvexDocument& document)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << document;
    return bytes;
}

// The values as a data stream writes them.
template <class... Values>
QByteArray streamed(const Values&... values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    (out << ... << values);
    return bytes;
}

void load(TalvexDocument& document, const QByteArray& bytes)
{
    QDataStream in(bytes);
    in >> document;
}

// A document whose every stored member differs from the defaults.
void changeEverything(TalvexDocument& document)
{
    document.motionConfiguration()->setValue(Motion::Velocity, 345);
    document.motorConfiguration()->setValue(Motor::MotorCurrent, 1200);
    document.samplingConfiguration()->setValue(Sampling::SampleCount, 777);
    document.inputConfiguration()->setChannelAssignments({{1, 32}, {3, 33}});
    document.inputConfiguration()->setOutputMask(0x9);
    document.plotSettings()->setValue(TalvexPlotSettings::VoltageFactor, 2.5);
    document.pwmSettings()->setValue(PWM::PWM1DutyCycle, 40);
    document.advancedMotorMoveConfiguration()->setValue(Advanced::BacklashSteps, 12);
}

// A file of version 1: no advanced move configuration at its end.
QByteArray versionOneFile(int velocity)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << s_header << qint32(1);
    Motion motion;
    motion.setValue(Motion::Velocity, velocity);
    motion.write(out);
    Motor().write(out);
    Sampling().write(out);
    out << TalvexDriverMotorMoveConfiguration();
    TalvexDriverInputConfiguration().write(out);
    TalvexPlotSettings().write(out);
    PWM().write(out);
    return bytes;
}

class MotionObserver : public Motion::IChangeObserver
{
public:
    void configurationChanged(Motion*) override { ++m_changes; }
    void configurationDestroyed(Motion*) override {}

    int m_changes = 0;
};
}

class tst_TalvexDocument : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isolated());
        QVERIFY(runsOnSimulatedBus());
    }

    void savedFileStartsWithItsHeader()
    {
        TalvexDocument document;
        changeEverything(document);
        const QByteArray bytes = saved(document);

        QVERIFY(bytes.startsWith(streamed(s_header, qint32(2))));
        // The members follow with their own versions, the motion configuration first.
        QDataStream in(bytes);
        QString header;
        qint32 fileVersion = 0;
        qint32 motionVersion = 0;
        in >> header >> fileVersion >> motionVersion;
        QCOMPARE(header, s_header);
        QCOMPARE(fileVersion, 2);
        QCOMPARE(motionVersion, 3);

        TalvexDocument loaded;
        load(loaded, bytes);
        QCOMPARE(saved(loaded), bytes);
        QCOMPARE(loaded.motionConfiguration()->value(Motion::Velocity).toInt(), 345);
        QCOMPARE(loaded.inputConfiguration()->getOutputMask(), 0x9);
        QCOMPARE(loaded.inputConfiguration()->channelAssignment(3), 33);
        QCOMPARE(loaded.pwmSettings()->value(PWM::PWM1DutyCycle).toInt(), 40);
        QCOMPARE(loaded.advancedMotorMoveConfiguration()->value(Advanced::BacklashSteps).toInt(), 12);
    }

    void versionOneKeepsTheAdvancedMoveSettings()
    {
        TalvexDocument document;
        document.advancedMotorMoveConfiguration()->setValue(Advanced::BacklashSteps, 12);
        load(document, versionOneFile(456));
        QCOMPARE(document.motionConfiguration()->value(Motion::Velocity).toInt(), 456);
        QCOMPARE(document.advancedMotorMoveConfiguration()->value(Advanced::BacklashSteps).toInt(), 12);
    }

    void notAConfigurationFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("another kind of file") << streamed(QString("D6417D12-C4F6-4DB8-BFD0-C612179DE216"), qint32(2));
        QTest::newRow("header in lower case") << streamed(s_header.toLower(), qint32(2));
        QTest::newRow("text file") << QByteArray("velocity=200\n");
        QTest::newRow("empty") << QByteArray();
    }

    void notAConfigurationFile()
    {
        QFETCH(QByteArray, bytes);
        TalvexDocument document;
        try
        {
            load(document, bytes);
            QFAIL("read");
        }
        catch (const StreamableUnexpectedContentsException& e)
        {
            QCOMPARE(e.getMessage(),
                QString("Unexpected file header. The file is corrupted or not a configuration file."));
        }
    }

    void unknownVersion_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("0") << 0;
        QTest::newRow("3") << 3;
        QTest::newRow("-1") << -1;
    }

    void unknownVersion()
    {
        QFETCH(int, version);
        TalvexDocument source;
        QByteArray bytes = saved(source);
        bytes.replace(streamed(s_header).size(), 4, streamed(qint32(version)));

        TalvexDocument document;
        try
        {
            load(document, bytes);
            QFAIL("read");
        }
        catch (const StreamableVersionException& e)
        {
            QCOMPARE(e.getVersion(), version);
            QCOMPARE(e.getSourceFile(), QString("src\\TalvexDocument"));
            QCOMPARE(e.getLine(), 188);
        }
    }

    // Wherever a file ends early, reading fails and the document keeps every value it had.
    void truncatedFileLeavesTheDocument()
    {
        TalvexDocument source;
        changeEverything(source);
        const QByteArray bytes = saved(source);
        const int headerSize = streamed(s_header).size();

        TalvexDocument document;
        document.advancedMotorMoveConfiguration()->setValue(Advanced::BacklashSteps, 3);
        const QByteArray before = saved(document);
        for (int length = headerSize; length < bytes.size(); ++length)
        {
            const QString where = QString("cut at %1 of %2").arg(length).arg(bytes.size());
            try
            {
                load(document, bytes.left(length));
                QFAIL(qPrintable(where));
            }
            catch (const StreamableUnexpectedContentsException& e)
            {
                QVERIFY2(e.getMessage() == "Unexpected end of data. The file is truncated or corrupted.",
                    qPrintable(where + ": " + e.getMessage()));
            }
            QVERIFY2(saved(document) == before, qPrintable(where));
        }
        load(document, bytes);
        QCOMPARE(saved(document), bytes);
    }

    void hostileValuesLeaveTheDocument_data()
    {
        QTest::addColumn<QByteArray>("motionValues");
        QTest::addColumn<QString>("failure");
        auto entry = [](quint32 type, const std::function<void(QDataStream&)>& body) {
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << quint32(1) << qint32(Motion::Velocity) << type << qint8(0);
            body(out);
            return bytes;
        };
        const QString refused = " The file is corrupted or not a configuration file.";
        QTest::newRow("list claiming a billion entries")
            << entry(QMetaType::QVariantList, [](QDataStream& out) { out << quint32(1000000000); })
            << "Property 1 holds a value of type 9 it cannot have." + refused;
        QTest::newRow("polygon claiming 2^32-1 points")
            << entry(QMetaType::QPolygon, [](QDataStream& out) { out << quint32(0xFFFFFFFF); })
            << "Property 1 holds a value of type 71 it cannot have." + refused;
        QTest::newRow("date-time with an unknown zone")
            << entry(QMetaType::QDateTime,
                   [](QDataStream& out) { out << qint64(2460000) << quint32(0) << qint8(3) << QByteArray("Nowhere/Atlantis"); })
            << "Property 1 holds a value of type 16 it cannot have." + refused;
        QTest::newRow("NaN velocity") << entry(QMetaType::Double, [](QDataStream& out) { out << qQNaN(); })
                                      << "Property 1 holds a number that is not finite." + refused;
        QTest::newRow("text claiming 4 GB") << entry(QMetaType::QString, [](QDataStream& out) { out << quint32(0xFFFFFFFE); })
                                            << "Unexpected end of data. The file is truncated or corrupted.";
    }

    // A file that would make Qt decode other types or allocate what it claims is refused
    // before anything changes; the document saves and loads as before.
    void hostileValuesLeaveTheDocument()
    {
        QFETCH(QByteArray, motionValues);
        QFETCH(QString, failure);
        QByteArray file = streamed(s_header, qint32(2), qint32(3), qint32(1));
        file += motionValues;

        TalvexDocument document;
        changeEverything(document);
        const QByteArray before = saved(document);
        try
        {
            load(document, file);
            QFAIL("read");
        }
        catch (const StreamableUnexpectedContentsException& e)
        {
            QCOMPARE(e.getMessage(), failure);
        }
        QCOMPARE(saved(document), before);
        TalvexDocument reloaded;
        load(reloaded, saved(document));
        QCOMPARE(saved(reloaded), before);
    }

    // Numbers no board would take still load; checking and saving them is sound.
    void oddNumbersLoadAndSave()
    {
        TalvexDocument source;
        source.motionConfiguration()->setValue(Motion::MicroStepping, -17);
        source.motionConfiguration()->setValue(Motion::Velocity, 70000.0);
        source.motionConfiguration()->setValue(Motion::Acceleration, 4e9);
        TalvexDocument document;
        load(document, saved(source));
        document.motionConfiguration()->validate(D::s_model1_2);
        QCOMPARE(document.motionConfiguration()->value(Motion::Velocity).toInt(), 65535);
        QCOMPARE(document.motionConfiguration()->toByteArray(D::s_model1_2).size(), 11);
        TalvexDocument reloaded;
        load(reloaded, saved(document));
        QCOMPARE(saved(reloaded), saved(document));
    }

    void damagedMemberLeavesTheDocument()
    {
        TalvexDocument source;
        changeEverything(source);
        QByteArray bytes = saved(source);
        // The input configuration's own version, found by its position after the members before it.
        QByteArray prefix;
        QDataStream out(&prefix, QIODevice::WriteOnly);
        out << s_header << qint32(2);
        source.motionConfiguration()->write(out);
        source.motorConfiguration()->write(out);
        source.samplingConfiguration()->write(out);
        out << TalvexDriverMotorMoveConfiguration();
        bytes.replace(prefix.size(), 4, streamed(qint32(9)));

        TalvexDocument document;
        const QByteArray before = saved(document);
        try
        {
            load(document, bytes);
            QFAIL("read");
        }
        catch (const StreamableVersionException& e)
        {
            QCOMPARE(e.getVersion(), 9);
            QCOMPARE(e.getSourceFile(), QString("src\\TalvexDriverInputConfiguration"));
        }
        QCOMPARE(saved(document), before);
    }

    // The board's own records and the motor state are not taken over; observers hear of the rest.
    void assignment()
    {
        TalvexDocument source;
        changeEverything(source);
        source.globalSettings()->setValue(TalvexGlobalSettings::AutoLoadFile, QString("board.tcf"));
        source.soDocument()->setAxis(3, boost::shared_ptr<TalvexSOIAxis>());

        TalvexDocument target;
        target.pwmSettings()->setValue(PWM::PWM1DutyCycle, 7);
        target.advancedMotorMoveConfiguration()->setValue(Advanced::BacklashSteps, 5);
        MotionObserver observer;
        target.motionConfiguration()->addObserver(&observer);
        target = source;
        target.motionConfiguration()->removeObserver(&observer);

        QCOMPARE(observer.m_changes, 1);
        QCOMPARE(target.motionConfiguration()->value(Motion::Velocity).toInt(), 345);
        QCOMPARE(target.motorConfiguration()->value(Motor::MotorCurrent).toInt(), 1200);
        QCOMPARE(target.samplingConfiguration()->value(Sampling::SampleCount).toInt(), 777);
        QCOMPARE(target.inputConfiguration()->getOutputMask(), 0x9);
        QCOMPARE(target.plotSettings()->value(TalvexPlotSettings::VoltageFactor).toDouble(), 2.5);
        QCOMPARE(target.globalSettings()->value(TalvexGlobalSettings::AutoLoadFile).toString(), QString("board.tcf"));
        QVERIFY(!target.soDocument()->axis(3));
        QCOMPARE(target.pwmSettings()->value(PWM::PWM1DutyCycle).toInt(), 7);
        QCOMPARE(target.advancedMotorMoveConfiguration()->value(Advanced::BacklashSteps).toInt(), 5);
    }

    void requestSequences_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("reads");
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0) << "43 42 44 46";
        QTest::newRow("(10,1) 1.1") << D::s_model10_1 << USBVersion(1, 1) << "43 42 44 46 47";
        QTest::newRow("(10,1) 1.0") << D::s_model10_1 << USBVersion(1, 0) << "43 42 44 46";
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0) << "43 42 44 46";
    }

    // Reading the board's state and uploading the document queue their requests in order; the
    // read-back stores every record the board sent.
    void requestSequences()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, reads);
        ConnectedDriverBoard board(model, firmware);
        QVERIFY(board.m_connected.isOk());
        QObject home;

        board.m_document.uploadToDevice(board.m_pDispatcher.get(), &home);
        QVERIFY(waitFor([&] { return board.m_pRecorder->opcodes().count() == 6; }));
        QCOMPARE(hexText(board.m_pRecorder->opcodes()), QString("28 2F 21 20 23 26"));
        TalvexDocument& document = board.m_document;
        QCOMPARE(hexText(board.m_pRecorder->payload(2)), hexText(document.motorConfiguration()->toByteArray(model, firmware)));
        QCOMPARE(hexText(board.m_pRecorder->payload(3)), hexText(document.motionConfiguration()->toByteArray(model)));
        QCOMPARE(hexText(board.m_pRecorder->payload(4)), hexText(document.inputConfiguration()->toByteArray(model, firmware)));
        QCOMPARE(hexText(board.m_pRecorder->payload(5)), hexText(document.advancedMotorMoveConfiguration()->toByteArray()));

        board.m_pRecorder->clear();
        board.m_document.readDeviceState(board.m_pDispatcher.get(), &home);
        QVERIFY(waitFor([&] { return board.answered(&home, {R::GetMotorConfiguration, R::GetMotionConfiguration,
            R::GetInputConfiguration, R::GetAdvancedMotorMoveConfiguration, R::GetPWMSettings}); }));
        QCOMPARE(hexText(board.m_pRecorder->opcodes()), reads);

        // Without a board nothing goes out and nothing breaks.
        board.m_state.disconnectDevice();
        board.m_pRecorder->clear();
        board.m_document.readDeviceState(board.m_pDispatcher.get(), &home);
        board.m_document.uploadToDevice(board.m_pDispatcher.get(), &home);
        QVERIFY(board.m_pRecorder->opcodes().isEmpty());
    }
};

TALVEX_TEST(tst_TalvexDocument)
#include "tst_TalvexDocument.moc"
