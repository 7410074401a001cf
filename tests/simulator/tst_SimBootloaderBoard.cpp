#include "TestRegistry.h"

#include "SimBootloaderBoard.h"
#include "SimFtdiChip.h"
#include "SimUsbBus.h"
#include "USBIFtdiApi.h"
#include "USBPacketProtocol.h"

#include <QTest>
#include <QThread>
#include <boost/make_shared.hpp>
#include <memory>

namespace
{
typedef QVector<quint8> Bytes;

const QByteArray s_entryCode = "3f6c1a52-9b7e-4d08-a1c4-7e52b90d3f16";
const QByteArray s_writeCode = "C81D4E27-06AF-4B93-8E5D-2A7F19C0B64E";

Bytes bytesOf(const QByteArray& text)
{
    return Bytes(text.cbegin(), text.cend());
}

// The board's driver firmware, answering every command with status 0x77.
class MarkerFirmware : public SimIBoardFirmware
{
public:
    Reply handleCommand(quint8, const QVector<quint8>&) override
    {
        Reply reply;
        reply.status = 0x77;
        return reply;
    }
    void advance(qint64) override {}
    QVector<QVector<quint8>> takeStreamPackets() override { return {}; }
};
}

class tst_SimBootloaderBoard : public QObject
{
    Q_OBJECT

private:
    SimUsbBus& bus() { return SimUsbBus::instance(); }
    USBIFtdiApi& api() { return bus().getApi(); }

    // The command channel B of a FT2232H: device index 1.
    USBIFtdiApi::Handle openBoard()
    {
        USBIFtdiApi::Handle handle = 0;
        return api().open(1, handle) == USBIFtdiApi::Ok ? handle : 0;
    }

    void write(USBIFtdiApi::Handle handle, const Bytes& bytes)
    {
        quint32 written = 0;
        QCOMPARE(api().write(handle, bytes.constData(), quint32(bytes.count()), written), int(USBIFtdiApi::Ok));
    }

    Bytes readAll(USBIFtdiApi::Handle handle)
    {
        quint32 count = 0;
        api().getQueueStatus(handle, count);
        Bytes bytes(static_cast<int>(count));
        quint32 read = 0;
        api().read(handle, bytes.data(), count, read);
        bytes.resize(int(read));
        return bytes;
    }

    boost::shared_ptr<SimBootloaderBoard> plug(const QByteArray& serialNumber)
    {
        bus().reset();
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT2232H, serialNumber, 0x100);
        m_pChip = &chip;
        return SimBootloaderBoard::plugInto(chip, 1, boost::make_shared<MarkerFirmware>(), serialNumber, 4, 2);
    }

    SimFtdiChip* m_pChip = nullptr;

private slots:
    void cleanup() { bus().reset(); }

    // Boards of different models are told apart in the device list by their chip's description;
    // the host drops the channel letter.
    void chipDescriptionNamesTheModel_data()
    {
        QTest::addColumn<QByteArray>("serialNumber");
        QTest::addColumn<QByteArray>("description");
        QTest::newRow("1,1") << QByteArray("VTAH001010001") << QByteArray("Talvex stepper motor driver (1,1)");
        QTest::newRow("1,2") << QByteArray("VTAH001020002") << QByteArray("Talvex stepper motor driver (1,2)");
        QTest::newRow("10,1") << QByteArray("VTAH010010003") << QByteArray("Talvex stepper motor driver (10,1)");
        QTest::newRow("27,1") << QByteArray("VTAH027010004") << QByteArray("Talvex stepper motor driver (27,1)");
    }

    void chipDescriptionNamesTheModel()
    {
        QFETCH(QByteArray, serialNumber);
        QFETCH(QByteArray, description);
        const auto board = plug(serialNumber);
        QCOMPARE(m_pChip->getEeprom().description, description);
        QCOMPARE(bus().getNodes().value(0).description, description + " A");
        QCOMPARE(bus().getNodes().value(1).description, description + " B");
    }

    // Firmware, then bootloader, then firmware again; the chip keeps its place in the list.
    void modes()
    {
        const auto board = plug("VTAH027010001");
        const USBIFtdiApi::Handle handle = openBoard();
        QVERIFY(handle != 0);

        write(handle, USBPacketProtocol::makeLongFrame(9, 0x14, {}));
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(9, 0, {0xFF, 0x01, 0x00, 0x01}));
        write(handle, USBPacketProtocol::makeLongFrame(10, 0x30, {1, 2}));
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(10, 0x77, {}));
        // The entry needs its code first; a wrong one closes it.
        write(handle, {0x04});
        write(handle, Bytes{0x06} + Bytes(36, '0') + Bytes{0x04});
        QCOMPARE(board->getMode(), SimBootloaderBoard::Firmware);
        write(handle, Bytes{0x06} + bytesOf(s_entryCode));
        write(handle, {0x04});
        QCOMPARE(board->getMode(), SimBootloaderBoard::Bootloader);
        QCOMPARE(bus().getNodes().value(1).serialNumber, QByteArray("VTAH027010001B"));

        write(handle, {0x14});
        QCOMPARE(readAll(handle), (Bytes{0x00, 0xFF, 0x01, 0x00, 0x01}));
        write(handle, {0x17});
        QCOMPARE(readAll(handle), Bytes{0x03});
        write(handle, Bytes{0x0A} + bytesOf(s_writeCode));
        QVERIFY(readAll(handle).isEmpty());
        write(handle, {0x13});
        write(handle, {0x05});
        write(handle, {0x17});
        QCOMPARE(readAll(handle), (Bytes{0x00, 0x00, 0x00}));
        write(handle, {0x42});
        QCOMPARE(readAll(handle), Bytes{0x01});
        write(handle, {0x03});
        QCOMPARE(board->getMode(), SimBootloaderBoard::Firmware);
        api().close(handle);

        QCOMPARE(board->getCommandLog().mid(0, 4),
            (QList<Bytes>{{0x14}, {0x30, 1, 2}, {0x04}, Bytes{0x06} + Bytes(36, '0')}));
        QCOMPARE(board->getCommandLog().last(), Bytes{0x03});
    }

    // A slow board answers every write late by its delay, in its firmware, its bootloader and
    // its secondary update, on the bus's clock, across its changes of mode; every write notes
    // its thread.
    void lateReplies()
    {
        const auto board = plug("VTAH027010001");
        board->setReplyDelay(40);
        const USBIFtdiApi::Handle handle = openBoard();

        write(handle, USBPacketProtocol::makeLongFrame(9, 0x14, {}));
        bus().advance(39);
        QVERIFY(readAll(handle).isEmpty());
        bus().advance(1);
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(9, 0, {0xFF, 0x01, 0x00, 0x01}));

        write(handle, Bytes{0x06} + bytesOf(s_entryCode) + Bytes{0x04});
        QCOMPARE(board->getMode(), SimBootloaderBoard::Bootloader);
        // The acknowledge of the command, then that of its payload with the reply.
        write(handle, {0x13});
        bus().advance(39);
        QVERIFY(readAll(handle).isEmpty());
        bus().advance(1);
        QCOMPARE(readAll(handle), Bytes{0x00});
        write(handle, {0x05});
        bus().advance(39);
        QVERIFY(readAll(handle).isEmpty());
        bus().advance(1);
        QCOMPARE(readAll(handle), Bytes{0x00});

        // A reply outlives the change of mode its command makes.
        write(handle, {0x07});
        QCOMPARE(board->getMode(), SimBootloaderBoard::SecondaryUpdate);
        write(handle, USBPacketProtocol::makeLongFrame(1, 0x19, {}));
        write(handle, USBPacketProtocol::makeLongFrame(2, 0x1C, {}));
        QCOMPARE(board->getMode(), SimBootloaderBoard::Firmware);
        bus().advance(39);
        QVERIFY(readAll(handle).isEmpty());
        bus().advance(1);
        QCOMPARE(readAll(handle),
            USBPacketProtocol::makeLongFrame(1, 0, {0x80, 0x00}) + USBPacketProtocol::makeLongFrame(2, 0, {}));

        board->setReplyDelay(0);
        const Bytes targetInfo = USBPacketProtocol::makeLongFrame(3, 0x14, {});
        const std::unique_ptr<QThread> writer(QThread::create([this, handle, &targetInfo] {
            quint32 written = 0;
            api().write(handle, targetInfo.constData(), quint32(targetInfo.count()), written);
        }));
        writer->start();
        QVERIFY(writer->wait(5000));
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(3, 0, {0xFF, 0x01, 0x00, 0x01}));
        api().close(handle);

        QList<QThread*> writers;
        for (int i = 0; i < 7; ++i)
            writers << QThread::currentThread();
        writers << writer.get();
        QCOMPARE(board->getWriterThreads(), writers);
        board->clearCommandLog();
        QVERIFY(board->getWriterThreads().isEmpty());
    }

    // Flash programming only clears bits; the memories outlive the handle and a power cut.
    void memories()
    {
        const auto board = plug("VTAH001010001");
        USBIFtdiApi::Handle handle = openBoard();
        write(handle, Bytes{0x06} + bytesOf(s_entryCode) + Bytes{0x04});
        const Bytes page(128, 0x0F);
        write(handle, Bytes{0x13, 0x02, 0x11} + page + Bytes{0x17});
        QCOMPARE(readAll(handle), (Bytes{0x00, 0x00, 0x00, 0x00, 0x00}));
        QCOMPARE(board->getMemory().getFlash().mid(256, 128), Bytes(128, 0x00));
        write(handle, Bytes{0x10, 0x17});
        QCOMPARE(readAll(handle), (Bytes{0x00, 0x00}));
        QCOMPARE(board->getMemory().getFlash().mid(256, 128), page);
        QCOMPARE(board->getMemory().getFlash().count(0xFF), 256 * 128 - 128);
        api().close(handle);

        handle = openBoard();
        QCOMPARE(board->getMode(), SimBootloaderBoard::Bootloader);
        QCOMPARE(board->getMemory().getFlash().mid(256, 128), page);

        // Power fails on page 3: the host hears nothing more, and the erased board restarts in
        // its bootloader with the flash as it was.
        board->setPowerCutAtPage(3);
        write(handle, Bytes{0x13, 0x03, 0x11} + Bytes(128, 0x01) + Bytes{0x17});
        QVERIFY(readAll(handle).isEmpty());
        QVERIFY(!m_pChip->isPlugged());
        board->powerOn();
        QCOMPARE(board->getMode(), SimBootloaderBoard::Bootloader);
        QCOMPARE(board->getMemory().getFlash().mid(3 * 128, 128), Bytes(128, 0xFF));
        handle = openBoard();
        write(handle, {0x03});
        board->powerOn();
        QCOMPARE(board->getMode(), SimBootloaderBoard::Firmware);
    }

    // The secondary chip's commands belong to the secondary update; elsewhere the driver
    // firmware gets them.
    void secondaryUpdate()
    {
        const auto board = plug("VTAH027010001");
        const USBIFtdiApi::Handle handle = openBoard();
        write(handle, USBPacketProtocol::makeLongFrame(1, 0x19, {}));
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(1, 0x77, {}));

        write(handle, Bytes{0x06} + bytesOf(s_entryCode) + Bytes{0x04, 0x07});
        QCOMPARE(board->getMode(), SimBootloaderBoard::SecondaryUpdate);
        write(handle, USBPacketProtocol::makeLongFrame(2, 0x1A, Bytes{0x00, 0x00} + Bytes(128, 0x00)));
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(2, 1, {}));
        write(handle, USBPacketProtocol::makeLongFrame(3, 0x19, {}));
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(3, 0, {0x80, 0x00}));
        write(handle, USBPacketProtocol::makeLongFrame(4, 0x1B, {0x01, 0x00}));
        write(handle, USBPacketProtocol::makeLongFrame(5, 0x1A, Bytes{0x03, 0x00} + Bytes(128, 0x3C)));
        write(handle, USBPacketProtocol::makeLongFrame(6, 0x1A, Bytes{0x03, 0x00} + Bytes(127, 0x3C)));
        write(handle, USBPacketProtocol::makeLongFrame(7, 0x1C, {}));
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(4, 0, {}) + USBPacketProtocol::makeLongFrame(5, 0, {})
                + USBPacketProtocol::makeLongFrame(6, 1, {}) + USBPacketProtocol::makeLongFrame(7, 0, {}));
        QCOMPARE(board->getMode(), SimBootloaderBoard::Firmware);
        const Bytes flash = board->getMemory().getSecondaryFlash();
        QCOMPARE(flash.mid(2 * 128, 128), Bytes(128, 0xFF));
        QCOMPARE(flash.mid(3 * 128, 128), Bytes(128, 0x3C));
        QCOMPARE(flash.mid(4 * 128, 128), Bytes(128, 0x00));
    }

    // Power fails on page 3 of the secondary chip: the host hears nothing more, the page stays
    // as the erase left it, and the board restarts in its firmware, out of the secondary update.
    void secondaryPowerCut()
    {
        const auto board = plug("VTAH027010001");
        USBIFtdiApi::Handle handle = openBoard();
        write(handle, Bytes{0x06} + bytesOf(s_entryCode) + Bytes{0x04, 0x07});
        write(handle, USBPacketProtocol::makeLongFrame(1, 0x19, {}));
        write(handle, USBPacketProtocol::makeLongFrame(2, 0x1B, {0x01, 0x00}));
        write(handle, USBPacketProtocol::makeLongFrame(3, 0x1A, Bytes{0x02, 0x00} + Bytes(128, 0x3C)));
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(1, 0, {0x80, 0x00})
                + USBPacketProtocol::makeLongFrame(2, 0, {}) + USBPacketProtocol::makeLongFrame(3, 0, {}));
        board->setPowerCutAtSecondaryPage(3);
        write(handle, USBPacketProtocol::makeLongFrame(4, 0x1A, Bytes{0x03, 0x00} + Bytes(128, 0x3C)));
        QVERIFY(readAll(handle).isEmpty());
        QVERIFY(!m_pChip->isPlugged());
        QCOMPARE(board->getMemory().getSecondaryFlash().mid(3 * 128, 128), Bytes(128, 0xFF));
        QCOMPARE(board->getMemory().getSecondaryFlash().mid(2 * 128, 128), Bytes(128, 0x3C));

        board->powerOn();
        QCOMPARE(board->getMode(), SimBootloaderBoard::Firmware);
        handle = openBoard();
        write(handle, USBPacketProtocol::makeLongFrame(5, 0x1A, Bytes{0x03, 0x00} + Bytes(128, 0x3C)));
        QCOMPARE(readAll(handle), USBPacketProtocol::makeLongFrame(5, 0x77, {}));
    }
};

TALVEX_TEST(tst_SimBootloaderBoard)
#include "tst_SimBootloaderBoard.moc"
