#include "TestRegistry.h"

#include "BootloaderCommRequest.h"
#include "BootloaderInfo.h"
#include "ScriptedSocket.h"
#include "ScriptedRequest.h"
#include "USBHandshakeProtocol.h"
#include "USBPacketProtocol.h"

#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
typedef QVector<quint8> Bytes;

// A protocol on a scripted channel: the board's answers to each write, and what was written.
template <typename Protocol>
struct ProtocolRig
{
    ProtocolRig() { protocol->setSocket(boost::make_shared<ScriptedSocket>(channel)); }

    boost::shared_ptr<ManualClock> clock = boost::make_shared<ManualClock>();
    boost::shared_ptr<ScriptedChannel> channel = boost::make_shared<ScriptedChannel>(clock);
    boost::shared_ptr<Protocol> protocol = boost::make_shared<Protocol>(clock);
};
}

class tst_BootloaderCommRequest : public QObject
{
    Q_OBJECT

private slots:
    void opcodes_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("opcode0");
        QTest::addColumn<int>("opcode1");
        QTest::addColumn<bool>("raw1");
        QTest::addColumn<int>("expectedCount");
        QTest::addColumn<bool>("parses");

        const struct
        {
            int opcode0;
            int opcode1;
            bool raw1;
        } table[] = {{0x00, 0x02, true}, {0x00, 0x09, true}, {'E', 0x03, true}, {0x00, 0x07, true},
            {'*', 0x04, true}, {0x00, 0x08, true}, {'C', 0x10, false}, {'D', 0x11, false}, {'d', 0x12, false},
            {'P', 0x13, false}, {'p', 0x14, false}, {'s', 0x15, false}, {'a', 0x16, false}, {'A', 0x17, false},
            {'S', 0x18, false}, {0x00, 0x06, true}, {0x00, 0x0A, true}, {0x00, 0x19, false}, {0x00, 0x1A, false},
            {0x00, 0x1B, false}, {0x00, 0x1C, false}};
        for (int command = 0; command < BootloaderCommRequest::s_commandCount; ++command)
        {
            const int count = command == 8 ? 130 : command == 17 ? 2 : 0;
            QTest::addRow("command %d", command) << command << table[command].opcode0 << table[command].opcode1
                                                 << table[command].raw1 << count << (command == 10);
        }
    }

    // Both opcode sets; only the numeric set has raw commands.
    void opcodes()
    {
        QFETCH(int, command);
        QFETCH(int, opcode0);
        QFETCH(int, opcode1);
        QFETCH(bool, raw1);
        QFETCH(int, expectedCount);
        QFETCH(bool, parses);

        const int pageSize = command == 8 ? 128 : 0;
        const BootloaderCommRequest letters(0, command, pageSize);
        const BootloaderCommRequest numbers(1, command, pageSize);
        QCOMPARE(int(letters.getCommand()), opcode0);
        QCOMPARE(int(numbers.getCommand()), opcode1);
        QVERIFY(!letters.isRaw());
        QCOMPARE(numbers.isRaw(), raw1);
        QCOMPARE(numbers.getExpectedReturnDataCount(), expectedCount);
        QCOMPARE(numbers.parsesReply(), parses);
        QVERIFY(numbers.acceptsPacket(command));
        QVERIFY(!numbers.acceptsPacket(command + 1));
        QCOMPARE(int(BootloaderCommRequest::opcode(2, command)), 0);
    }

    void statusTexts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");

        QTest::newRow("0") << 0 << 0 << "Success";
        QTest::newRow("91") << 91 << 0 << "Success";
        QTest::newRow("92") << 92 << 0 << "Success";
        QTest::newRow("1") << 1 << 2 << "Instruction was not recognised by target device";
        QTest::newRow("2") << 2 << 2 << "Target device is busy";
        QTest::newRow("3") << 3 << 2 << "Device was not unlocked for write";
        QTest::newRow("4") << 4 << 2 << "Instruction stream was corrupted (unexpected return value [4])";
        QTest::newRow("90") << 90 << 2 << "Instruction stream was corrupted (unexpected return value [90])";
        QTest::newRow("255") << 255 << 2 << "Instruction stream was corrupted (unexpected return value [255])";
    }

    void statusTexts()
    {
        QFETCH(int, status);
        QFETCH(int, code);
        QFETCH(QString, message);

        BootloaderCommRequest request(1, 13);
        const USBResult result = request.checkReply(quint8(status));
        QCOMPARE(result.getStatus(), code);
        QCOMPARE(result.getMessage(), message);
    }

    void targetInfo_data()
    {
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<bool>("flag");

        QTest::newRow("two bytes") << Bytes{0x01, 0x00} << 256 << false;
        QTest::newRow("four bytes, flag") << Bytes{0xFF, 0x00, 0x80, 0x01} << 128 << true;
        QTest::newRow("four bytes, only bit 0 counts") << Bytes{0xFF, 0x02, 0x00, 0xFE} << 512 << false;
        QTest::newRow("four bytes without marker") << Bytes{0x00, 0x00, 0x80, 0x01} << 0 << false;
        QTest::newRow("three bytes") << Bytes{0xFF, 0x00, 0x80} << 0 << false;
        QTest::newRow("none") << Bytes{} << 0 << false;
    }

    void targetInfo()
    {
        QFETCH(Bytes, reply);
        QFETCH(int, pageSize);
        QFETCH(bool, flag);

        const BootloaderInfo info(reply);
        QCOMPARE(info.getPageSize(), pageSize);
        QCOMPARE(info.getFlag(), flag);
    }

    void pageTrailer_data()
    {
        QTest::addColumn<Bytes>("trailer");
        QTest::addColumn<bool>("present");

        QTest::newRow("FF FF") << Bytes{0xFF, 0xFF} << true;
        QTest::newRow("FF 00") << Bytes{0xFF, 0x00} << false;
        QTest::newRow("00 FF") << Bytes{0x00, 0xFF} << false;
        QTest::newRow("one byte short") << Bytes{0xFF} << false;
        QTest::newRow("one byte long") << Bytes{0xFF, 0xFF, 0xFF} << false;
    }

    // A page read hands out the page without its trailer.
    void pageTrailer()
    {
        QFETCH(Bytes, trailer);
        QFETCH(bool, present);

        BootloaderCommRequest request(1, BootloaderCommRequest::ReadPage, 256);
        Bytes page(256);
        for (int i = 0; i < page.count(); ++i)
            page[i] = quint8(i);
        request.setReplyData(page + trailer);
        QCOMPARE(request.hasPageTrailer(), present);
        QCOMPARE(request.getReplyData(), page);

        BootloaderCommRequest other(1, BootloaderCommRequest::SecondaryStart);
        other.setReplyData({0x80, 0x00});
        QVERIFY(!other.hasPageTrailer());
        QCOMPARE(other.getReplyData(), (Bytes{0x80, 0x00}));
    }

    // Ids come from the counter every request shares.
    void ids()
    {
        const BootloaderCommRequest first(1, 10);
        const ScriptedRequest between(0x41, Bytes{}, 0);
        const BootloaderCommRequest second(0, 2);
        QCOMPARE(between.getId(), first.getId() + 1);
        QCOMPARE(second.getId(), first.getId() + 2);
        QVERIFY(!first.isDone());
        QVERIFY(first.getResult().isOk());
    }

    void handshakeTraces_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("command");
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<QList<Bytes>>("answers");
        QTest::addColumn<QList<Bytes>>("writes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Bytes>("reply");

        const Bytes code(36, 'a');
        QTest::newRow("enter, numeric: raw, nothing read")
            << 1 << 4 << Bytes{} << QList<Bytes>{} << QList<Bytes>{{0x04}} << "Success" << Bytes{};
        QTest::newRow("enter, letters: acknowledged")
            << 0 << 4 << Bytes{} << QList<Bytes>{{0x00}} << QList<Bytes>{{0x2A}} << "Success" << Bytes{};
        QTest::newRow("enter, letters: no acknowledge")
            << 0 << 4 << Bytes{} << QList<Bytes>{} << QList<Bytes>{{0x2A}} << "Communication timed out" << Bytes{};
        QTest::newRow("unlock, raw with its code")
            << 1 << 16 << code << QList<Bytes>{} << QList<Bytes>{{0x0A}, code} << "Success" << Bytes{};
        QTest::newRow("target info, two bytes")
            << 1 << 10 << Bytes{} << QList<Bytes>{{0x00, 0x01, 0x00}} << QList<Bytes>{{0x14}} << "Success"
            << Bytes{0x01, 0x00};
        QTest::newRow("target info, four bytes")
            << 1 << 10 << Bytes{} << QList<Bytes>{{0x00, 0xFF, 0x00, 0x80, 0x01}} << QList<Bytes>{{0x14}}
            << "Success" << Bytes{0xFF, 0x00, 0x80, 0x01};
        QTest::newRow("target info, marker without the rest")
            << 1 << 10 << Bytes{} << QList<Bytes>{{0x00, 0xFF, 0x00}} << QList<Bytes>{{0x14}}
            << "Communication timed out" << Bytes{0xFF, 0x00};
        QTest::newRow("page select, both acknowledged")
            << 1 << 9 << Bytes{0x05} << QList<Bytes>{{0x00}, {0x5B}} << QList<Bytes>{{0x13}, {0x05}} << "Success"
            << Bytes{};
        QTest::newRow("page select beyond the flash")
            << 1 << 9 << Bytes{0x05} << QList<Bytes>{{0x00}, {0x01}} << QList<Bytes>{{0x13}, {0x05}}
            << "Instruction was not recognised by target device" << Bytes{};
        QTest::newRow("program, locked")
            << 1 << 13 << Bytes{} << QList<Bytes>{{0x03}} << QList<Bytes>{{0x17}}
            << "Device was not unlocked for write" << Bytes{};
        QTest::newRow("secondary start, two bytes")
            << 1 << 17 << Bytes{} << QList<Bytes>{{0x00, 0x80, 0x00}} << QList<Bytes>{{0x19}} << "Success"
            << Bytes{0x80, 0x00};
    }

    // What the handshake protocol writes and reads for a request, from traces of the board.
    void handshakeTraces()
    {
        QFETCH(int, version);
        QFETCH(int, command);
        QFETCH(Bytes, data);
        QFETCH(QList<Bytes>, answers);
        QFETCH(QList<Bytes>, writes);
        QFETCH(QString, message);
        QFETCH(Bytes, reply);

        ProtocolRig<USBHandshakeProtocol> rig;
        QList<ScriptedReply> script;
        for (const Bytes& answer : answers)
            script.append({answer});
        rig.channel->script(script);
        auto request = boost::make_shared<BootloaderCommRequest>(version, command);
        request->setRequestData(data);

        QCOMPARE(rig.protocol->transact(request).getMessage(), message);
        QCOMPARE(rig.channel->writes(), writes);
        QCOMPARE(request->getReplyData(), reply);
    }

    void packetTraces_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<quint8>("status");
        QTest::addColumn<Bytes>("answer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Bytes>("reply");

        QTest::newRow("target info") << 10 << 0 << quint8(0) << Bytes{0xFF, 0x01, 0x00, 0x01} << "Success"
                                     << Bytes{0xFF, 0x01, 0x00, 0x01};
        QTest::newRow("page read") << 8 << 2 << quint8(0) << Bytes{0x35, 0x72, 0xFF, 0xFF} << "Success"
                                   << Bytes{0x35, 0x72};
        QTest::newRow("page read too short") << 8 << 2 << quint8(0) << Bytes{0x35, 0x72, 0xFF}
                                             << "Unexpected packet length." << Bytes{};
        QTest::newRow("refused") << 11 << 0 << quint8(2) << Bytes{} << "Target device is busy" << Bytes{};
    }

    // Through the packet protocol the running firmware answers the bootloader's queries.
    void packetTraces()
    {
        QFETCH(int, command);
        QFETCH(int, pageSize);
        QFETCH(quint8, status);
        QFETCH(Bytes, answer);
        QFETCH(QString, message);
        QFETCH(Bytes, reply);

        ProtocolRig<USBPacketProtocol> rig;
        auto request = boost::make_shared<BootloaderCommRequest>(1, command, pageSize);
        rig.channel->script({{USBPacketProtocol::makeLongFrame(quint32(request->getId()), status, answer)}});

        QCOMPARE(rig.protocol->transact(request).getMessage(), message);
        const Bytes frame = rig.channel->written();
        QCOMPARE(frame.value(0), quint8(0x05));
        QCOMPARE(frame.value(5), BootloaderCommRequest::opcode(1, command));
        QCOMPARE(request->getReplyData(), reply);
    }

    // A raw request goes out unframed over the packet protocol.
    void packetRaw()
    {
        ProtocolRig<USBPacketProtocol> rig;
        auto request = boost::make_shared<BootloaderCommRequest>(1, BootloaderCommRequest::EntryUnlock);
        const Bytes code(36, 'f');
        request->setRequestData(code);
        QVERIFY(rig.protocol->transact(request).isOk());
        QCOMPARE(rig.channel->written(), Bytes{0x06} + code);
    }
};

TALVEX_TEST(tst_BootloaderCommRequest)
#include "tst_BootloaderCommRequest.moc"
