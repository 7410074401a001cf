#include "TestRegistry.h"
#include "SimulatedBus.h"
#include "tst_USBDriverDoubles.h"

#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "USBDriver.h"
#include "USBFtdiDevice.h"
#include "USBIFtdiApi.h"

#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
QStringList serials(const QList<USBDevicePtr>& devices)
{
    QStringList texts;
    for (const USBDevicePtr& device : devices)
        texts.append(device->getSerialNumberText());
    return texts;
}

QList<int> socketIndexes(const USBDevicePtr& device)
{
    QList<int> indexes;
    for (const USBSocketPtr& socket : device->getSockets())
        indexes.append(socket->getDeviceIndex());
    return indexes;
}
}

class tst_USBDriver : public QObject
{
    Q_OBJECT

private:
    SimUsbBus& bus() { return SimUsbBus::instance(); }

    QStringList m_journal;
    boost::shared_ptr<DriverTestProtocol> m_pCommand;
    boost::shared_ptr<DriverTestProtocol> m_pBulk;
    std::unique_ptr<USBDriver> m_pDriver;

    // Two boards whose list order differs from their location order.
    void addTwoBoards()
    {
        bus().addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010002", 0x2000);
        bus().addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010001", 0x1000);
    }

    USBDevicePtr openFirstBoard()
    {
        const QList<USBDevicePtr> devices = m_pDriver->enumerateDevices(true);
        if (devices.isEmpty())
            return USBDevicePtr();
        const USBResult result = m_pDriver->openDevice(devices.first(), 500000);
        if (!result.isOk())
            qWarning() << result.getMessage();
        m_journal.clear();
        return devices.first();
    }

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }

    void init()
    {
        bus().reset();
        m_journal.clear();
        m_pCommand = boost::make_shared<DriverTestProtocol>("command", &m_journal);
        m_pBulk = boost::make_shared<DriverTestProtocol>("bulk", &m_journal);
        m_pDriver = std::make_unique<USBDriver>();
        m_pDriver->setProtocol(m_pCommand, 0);
        m_pDriver->setProtocol(m_pBulk, 1);
    }

    void cleanup()
    {
        m_pDriver.reset();
        QCOMPARE(bus().getOpenHandleCount(), 0);
    }

    void boardsAreListedInLocationOrder()
    {
        addTwoBoards();
        QCOMPARE(bus().getNodes().count(), 4);
        const QList<USBDevicePtr> devices = m_pDriver->enumerateDevices(false);
        QCOMPARE(serials(devices), (QStringList{"VTBH001010001", "VTBH001010002"}));
        // Command channel B first, then channel A.
        QCOMPARE(socketIndexes(devices.at(0)), (QList<int>{3, 2}));
        QCOMPARE(socketIndexes(devices.at(1)), (QList<int>{1, 0}));
        QCOMPARE(devices.at(0)->getDescription(), QStringLiteral("Dual RS232-HS"));
        QVERIFY(!devices.at(0)->getFirstSocket()->isOpen());

        const QList<USBDevicePtr> again = m_pDriver->enumerateDevices(false);
        QVERIFY(again.at(0) != devices.at(0));
        QVERIFY(*again.at(0) == *devices.at(0));
    }

    void mixedLists_data()
    {
        QTest::addColumn<bool>("vendorOnly");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all") << false
                             << QStringList{"VTAH001010005", "VTBH001010001", "ABC", "vtah001010004", "VTAH001010003"};
        QTest::newRow("vendor only") << true << QStringList{"VTAH001010005", "VTBH001010001", "VTAH001010003"};
    }

    void mixedLists()
    {
        QFETCH(bool, vendorOnly);
        QFETCH(QStringList, expected);

        bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH001010003", 0x7000);
        bus().addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010001", 0x1000);
        bus().addChip(USBIFtdiApi::ChipFT232R, "ABC", 0x2000);
        bus().addChip(USBIFtdiApi::ChipFTX, "vtah001010004", 0x3000);
        // Keys compare as signed numbers: this one sorts first.
        bus().addChip(USBIFtdiApi::ChipFT232H, "VTAH001010005", 0x80000000);
        bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH001010006", 0x4000).getChannel(0).setListedUsbId(0);

        const QList<USBDevicePtr> devices = m_pDriver->enumerateDevices(vendorOnly);
        QCOMPARE(serials(devices), expected);
        for (const USBDevicePtr& device : devices)
            QCOMPARE(device->getSockets().count(), device->getSerialNumberText() == "VTBH001010001" ? 2 : 1);
    }

    // A board whose channel A is missing from the list leaves its channel B to be paired with
    // the next board's channel A: neither pair is a board.
    void oddDualChannelListsBuildNoChimera()
    {
        SimFtdiChip& first = bus().addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010001", 0x1000);
        bus().addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010002", 0x2000);
        first.getChannel(0).setListed(false);
        QVERIFY(m_pDriver->enumerateDevices(false).isEmpty());
    }

    void failingListCallsListNothing_data()
    {
        QTest::addColumn<int>("step");
        QTest::newRow("create") << 0;
        QTest::newRow("get") << 1;
    }

    void failingListCallsListNothing()
    {
        QFETCH(int, step);
        addTwoBoards();
        bus().failCallAt(step, USBIFtdiApi::IoError);
        QVERIFY(m_pDriver->enumerateDevices(false).isEmpty());
        QCOMPARE(m_pDriver->enumerateDevices(false).count(), 2);
    }

    void openAndCloseHandTheSocketsToTheProtocols()
    {
        addTwoBoards();
        const USBDevicePtr device = m_pDriver->enumerateDevices(true).first();
        QCOMPARE(m_pDriver->getStatus().state, int(USBSocketStatus::NotOpen));

        QVERIFY(m_pDriver->openDevice(device, 500000).isOk());
        QCOMPARE(m_journal, (QStringList{"command.setSocket(3)", "bulk.setSocket(2)"}));
        QVERIFY(m_pDriver->isOpen());
        QCOMPARE(m_pDriver->getDevice(), device);
        QVERIFY(device->getFirstSocket()->isOpen());
        QVERIFY(device->getSocket(1)->isOpen());
        QCOMPARE(m_pDriver->getStatus().state, int(USBSocketStatus::Open));
        QCOMPARE(bus().getOpenHandleCount(), 2);

        m_journal.clear();
        m_pDriver->closeDevice();
        QCOMPARE(m_journal, (QStringList{"command.clearQueue", "bulk.clearQueue", "command.setSocket(null)",
                                         "bulk.setSocket(null)"}));
        QVERIFY(!m_pDriver->isOpen());
        QVERIFY(!m_pDriver->getDevice());
        QVERIFY(!device->getFirstSocket()->isOpen());
        QCOMPARE(bus().getOpenHandleCount(), 0);

        m_journal.clear();
        m_pDriver->closeDevice();
        QVERIFY(m_journal.isEmpty());
    }

    // Protocols belong to the socket index, not to a device.
    void protocolsServeTheNextDevice()
    {
        addTwoBoards();
        const QList<USBDevicePtr> devices = m_pDriver->enumerateDevices(true);
        QVERIFY(m_pDriver->openDevice(devices.at(0), 500000).isOk());
        const USBSocketPtr firstClone = m_pCommand->socket;
        QVERIFY(firstClone->isOpen());
        m_pDriver->closeDevice();
        // The protocol's copy of the socket sees the close.
        QVERIFY(!firstClone->isOpen());

        m_journal.clear();
        QVERIFY(m_pDriver->openDevice(devices.at(1), 500000).isOk());
        QCOMPARE(m_journal, (QStringList{"command.setSocket(1)", "bulk.setSocket(0)"}));
    }

    void secondDeviceIsRefused()
    {
        addTwoBoards();
        const QList<USBDevicePtr> devices = m_pDriver->enumerateDevices(true);
        QVERIFY(m_pDriver->openDevice(devices.at(0), 500000).isOk());
        m_journal.clear();
        const USBResult result = m_pDriver->openDevice(devices.at(1), 500000);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), QStringLiteral("Another device is already open"));
        QCOMPARE(m_pDriver->getDevice(), devices.at(0));
        QVERIFY(!devices.at(1)->getFirstSocket()->isOpen());
        QVERIFY(m_journal.isEmpty());
    }

    void failedOpenLeavesNothingOpen_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("message");
        // Channel B's opening makes ten counted calls; the eleventh opens channel A.
        QTest::newRow("first socket") << 2 << "Unknown USB serial number";
        QTest::newRow("first socket's last call") << 9 << "Insufficient resources";
        QTest::newRow("secondary socket") << 10 << "Insufficient resources";
        QTest::newRow("secondary socket's last call") << 17 << "Insufficient resources";
    }

    void failedOpenLeavesNothingOpen()
    {
        QFETCH(int, step);
        QFETCH(QString, message);

        addTwoBoards();
        const USBDevicePtr device = m_pDriver->enumerateDevices(true).first();
        bus().failCallAt(step, USBIFtdiApi::InsufficientResources);
        const USBResult result = m_pDriver->openDevice(device, 500000);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), message);
        QVERIFY(!m_pDriver->isOpen());
        QVERIFY(m_journal.isEmpty());
        QCOMPARE(bus().getOpenHandleCount(), 0);
        QVERIFY(m_pDriver->openDevice(device, 500000).isOk());
    }

    void requestsNeedAnOpenDevice()
    {
        const auto request = boost::make_shared<DriverTestRequest>();
        QObject receiver;
        for (const USBResult& result : {m_pDriver->sendRequest(request, 0), m_pDriver->postRequest(request, &receiver, 0)})
        {
            QCOMPARE(result.getStatus(), 2);
            QCOMPARE(result.getMessage(), QStringLiteral("No device is open"));
        }
        QVERIFY(m_journal.isEmpty());
        QVERIFY(!request->isDone());
    }

    void requestsAndReceiversReachTheSocketsProtocol()
    {
        addTwoBoards();
        QVERIFY(openFirstBoard());
        m_pBulk->transactResult = USBResult(QStringLiteral("Motor is turned off"), 1);
        const auto request = boost::make_shared<DriverTestRequest>();
        QObject receiver;

        const USBResult sent = m_pDriver->sendRequest(request, 1);
        QCOMPARE(sent.getMessage(), QStringLiteral("Motor is turned off"));
        QVERIFY(m_pDriver->postRequest(request, &receiver, 0).isOk());
        QCOMPARE(m_journal, (QStringList{QStringLiteral("bulk.transact(%1)").arg(request->getId()),
                                         QStringLiteral("command.post(%1)").arg(request->getId())}));
        QCOMPARE(m_pCommand->posted.first().second, &receiver);

        m_pDriver->setErrorReceiver(&receiver, 0);
        m_pDriver->registerStreamReceiver(0, &receiver, 0);
        m_pDriver->registerStreamReceiver(3, &receiver, 1);
        QCOMPARE(m_pCommand->errorReceiver, &receiver);
        QCOMPARE(m_pCommand->streamReceivers.keys(), QList<int>{0});
        QCOMPARE(m_pBulk->streamReceivers.keys(), QList<int>{3});
        m_pDriver->unregisterStreamReceiver(0, 0);
        QVERIFY(m_pCommand->streamReceivers.isEmpty());
    }

    void pushedProtocolTakesTheSocketUntilPopped_data()
    {
        QTest::addColumn<bool>("running");
        QTest::newRow("running") << true;
        QTest::newRow("stopped") << false;
    }

    void pushedProtocolTakesTheSocketUntilPopped()
    {
        QFETCH(bool, running);

        addTwoBoards();
        QVERIFY(openFirstBoard());
        m_pCommand->running = running;
        auto loader = boost::make_shared<DriverTestProtocol>("loader", &m_journal);

        m_pDriver->pushProtocol(loader, 0);
        QStringList expected{"command.waitForIdle", "command.setSocket(null)", "loader.setSocket(3)"};
        if (running)
            expected << "loader.start";
        QCOMPARE(m_journal, expected);
        QVERIFY(loader->socket && loader->socket->isOpen());

        // Everything on socket 0 now goes to the pushed protocol.
        m_journal.clear();
        QObject receiver;
        m_pDriver->sendRequest(boost::make_shared<DriverTestRequest>(), 0);
        m_pDriver->setErrorReceiver(&receiver, 0);
        QVERIFY(m_journal.first().startsWith("loader.transact"));
        QCOMPARE(loader->errorReceiver, &receiver);
        QVERIFY(!m_pCommand->errorReceiver);

        m_journal.clear();
        m_pDriver->popProtocol(0);
        expected = QStringList{"loader.waitForIdle", "loader.setSocket(null)", "command.setSocket(3)"};
        if (running)
            expected << "command.start";
        QCOMPARE(m_journal, expected);
        QCOMPARE(m_pCommand->running, running);
        QCOMPARE(loader.use_count(), 1L);

        m_journal.clear();
        m_pDriver->sendRequest(boost::make_shared<DriverTestRequest>(), 0);
        QVERIFY(m_journal.first().startsWith("command.transact"));
    }

    // Closing while a protocol is pushed detaches the pushed one; the one below keeps waiting.
    void closeWhilePushed()
    {
        addTwoBoards();
        QVERIFY(openFirstBoard());
        auto loader = boost::make_shared<DriverTestProtocol>("loader", &m_journal);
        m_pDriver->pushProtocol(loader, 0);
        m_journal.clear();
        m_pDriver->closeDevice();
        QCOMPARE(m_journal, (QStringList{"loader.clearQueue", "bulk.clearQueue", "loader.setSocket(null)",
                                         "bulk.setSocket(null)"}));
    }

    void idleWhenNothingIsBusy()
    {
        m_pBulk->idle = false;
        QVERIFY(m_pDriver->isIdle());
        addTwoBoards();
        QVERIFY(openFirstBoard());
        QVERIFY(!m_pDriver->isIdle());
        m_pBulk->idle = true;
        QVERIFY(m_pDriver->isIdle());
    }

    void purgeEmptiesEveryChannel()
    {
        m_pDriver->purgeDevice();
        addTwoBoards();
        const USBDevicePtr device = openFirstBoard();
        QVERIFY(device);
        SimFtdiChannel* channelA = bus().getChannel(2);
        SimFtdiChannel* channelB = bus().getChannel(3);
        channelA->sendToHost({1, 2});
        channelB->sendToHost({3});
        m_pDriver->purgeDevice();
        QCOMPARE(channelA->getHostRxCount(), 0);
        QCOMPARE(channelB->getHostRxCount(), 0);
    }

    void unpluggedBoardShowsInTheStatus()
    {
        addTwoBoards();
        QVERIFY(openFirstBoard());
        bus().getChannel(3)->getChip().unplug();
        const USBSocketStatus status = m_pDriver->getStatus();
        QCOMPARE(status.state, int(USBSocketStatus::LibraryError));
        QCOMPARE(status.message, QStringLiteral("Communication error"));
        m_pDriver->closeDevice();
        QVERIFY(!m_pDriver->isOpen());
    }

    void destructorClosesTheDevice()
    {
        addTwoBoards();
        const USBDevicePtr device = openFirstBoard();
        m_pDriver.reset();
        QCOMPARE(m_journal.mid(2), (QStringList{"command.setSocket(null)", "bulk.setSocket(null)"}));
        QVERIFY(!device->getFirstSocket()->isOpen());
        QCOMPARE(bus().getOpenHandleCount(), 0);
    }
};

TALVEX_TEST(tst_USBDriver)
#include "tst_USBDriver.moc"
