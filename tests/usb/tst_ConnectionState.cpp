#include "TestRegistry.h"

#include "ScriptedRequest.h"
#include "SimulatedBoard.h"
#include "SimulatedBusClock.h"
#include "USBConnectionState.h"
#include "USBDriver.h"
#include "USBPacketProtocol.h"
#include "Waiting.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace
{
typedef QVector<quint8> Bytes;

// Support levels by device id; 0 for the ids it does not name.
class TraitsStub : public USBIDeviceTraits
{
public:
    QMap<int, int> m_levels;

    int checkDevice(const USBSerialNumber& serialNumber) const override
    {
        return serialNumber.isValid() ? isKnownDevice(serialNumber.getDeviceType()) : 3;
    }
    int isKnownDevice(const QPair<int, int>& id) const override { return m_levels.value(id.first, 0); }
    int checkFirmware(const USBSerialNumber& serialNumber, int) const override { return checkDevice(serialNumber); }
    int checkVersion(const QPair<int, int>& id, int) const override { return isKnownDevice(id); }
};

// Answers every check with one result and leaves firmware 2.1 on the device.
class UpdaterStub : public USBIDeviceUpdater
{
public:
    USBResult m_result;
    int m_calls = 0;
    USBDriver* m_pDriver = nullptr;
    USBDeviceTraitsPtr m_pTraits;
    qint32 m_parameter = 0;
    bool m_wasOpen = false;

    USBResult checkAndUpdate(const USBDevicePtr& device, USBDriver* driver, const USBDeviceTraitsPtr& traits,
                             qint32 parameter) override
    {
        ++m_calls;
        m_pDriver = driver;
        m_pTraits = traits;
        m_parameter = parameter;
        m_wasOpen = driver->isOpen();
        device->setFirmwareVersion(USBVersion(2, 1));
        return m_result;
    }
};

// A check during which the board drops off the bus for a moment, as a board does while an update
// restarts it, and the 2-second poll comes round (an update's waits run the event loop).
class RestartingUpdater : public USBIDeviceUpdater
{
public:
    USBConnectionState* m_pState = nullptr;
    SimFtdiChip* m_pChip = nullptr;
    bool m_openAfterPoll = false;

    USBResult checkAndUpdate(const USBDevicePtr&, USBDriver* driver, const USBDeviceTraitsPtr&, qint32) override
    {
        m_pChip->unplug();
        QMetaObject::invokeMethod(m_pState, "onTimeout");
        m_openAfterPoll = driver->isOpen();
        m_pChip->plug();
        return USBResult();
    }
};

// A packet protocol whose board dies the moment the protocol gets its socket.
class DyingChannelProtocol : public USBPacketProtocol
{
public:
    explicit DyingChannelProtocol(SimFtdiChip* chip) : m_pChip(chip) {}

    void setSocket(const USBSocketPtr& socket) override
    {
        USBPacketProtocol::setSocket(socket);
        if (socket)
            m_pChip->unplug();
    }

private:
    SimFtdiChip* m_pChip;
};

void poll(USBConnectionState& state)
{
    QVERIFY(QMetaObject::invokeMethod(&state, "onTimeout"));
}

// A connection state with traits, its signals watched.
struct Connection
{
    Connection() { state.setDeviceTraits(traits); }

    USBDevicePtr listed(int index = 0) { return state.getDriver()->enumerateDevices(true).value(index); }

    boost::shared_ptr<TraitsStub> traits = boost::make_shared<TraitsStub>();
    USBConnectionState state{USBConnectionState::PacketProtocol};
    QSignalSpy statusChanged{&state, &USBConnectionState::connectionStatusChanged};
    QSignalSpy devicesChanged{&state, &USBConnectionState::availableDevicesChanged};
};
}

class tst_ConnectionState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }
    void cleanupTestCase() { SimulatedBoard::bus().reset(); }

    void listChanges()
    {
        SimulatedBoard board;
        Connection connection;

        poll(connection.state);
        QCOMPARE(connection.devicesChanged.count(), 1);
        QCOMPARE(connection.state.getAvailableDevices().count(), 1);
        QCOMPARE(connection.state.getAvailableDevices().first()->getSerialNumberText(), QString("VTBH001010007"));

        poll(connection.state);
        QCOMPARE(connection.devicesChanged.count(), 1);

        // Another board in the place of the first: same count, still a change.
        SimulatedBoard::bus().removeChip(*board.m_pChip);
        board.add("VTBH001010008", 0x300);
        poll(connection.state);
        QCOMPARE(connection.devicesChanged.count(), 2);
        QCOMPARE(connection.state.getAvailableDevices().first()->getSerialNumberText(), QString("VTBH001010008"));

        board.add("VTBH001010009", 0x200);
        poll(connection.state);
        QCOMPARE(connection.devicesChanged.count(), 3);
        QCOMPARE(connection.state.getAvailableDevices().count(), 2);
        QCOMPARE(connection.state.getAvailableDevices().first()->getSerialNumberText(), QString("VTBH001010009"));
        QCOMPARE(connection.statusChanged.count(), 0);
    }

    // A kind without a protocol would leave nothing to talk to the board: the connect is
    // refused before the board is opened, and nothing is announced.
    void kindWithoutProtocolIsRefused()
    {
        SimulatedBoard board;
        USBConnectionState state(2);
        QSignalSpy statusChanged(&state, &USBConnectionState::connectionStatusChanged);
        const USBDevicePtr device = state.getDriver()->enumerateDevices(true).value(0);
        QVERIFY(device);

        const USBResult result = state.connectDevice(device, 500000, 800);

        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), QString("No communication protocol is set for this channel"));
        QVERIFY(!state.isConnected());
        QVERIFY(!board.m_pChannel->isOpen());
        QCOMPARE(statusChanged.count(), 0);
        QCOMPARE(state.getDriver()->postRequest(boost::make_shared<ScriptedRequest>(0x22, Bytes{}, 0), &state, 0)
                     .getMessage(),
                 QString("No device is open"));
    }

    void unsupportedBoardsAreNotListed_data()
    {
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<int>("level");

        QTest::newRow("firmware newer") << QByteArray("VTBH001010007") << 1;
        QTest::newRow("firmware older") << QByteArray("VTBH001010007") << 2;
        QTest::newRow("unknown board") << QByteArray("VTBH001010007") << 3;
        QTest::newRow("not a vendor serial") << QByteArray("XYBH001010007") << 0;
    }

    void unsupportedBoardsAreNotListed()
    {
        QFETCH(QByteArray, serial);
        QFETCH(int, level);

        SimulatedBoard board(serial);
        Connection connection;
        connection.traits->m_levels.insert(1, level);
        poll(connection.state);
        QVERIFY(connection.state.getAvailableDevices().isEmpty());
        QCOMPARE(connection.devicesChanged.count(), 0);
    }

    void withoutTraitsNothingIsPolled()
    {
        SimulatedBoard board;
        USBConnectionState state(USBConnectionState::PacketProtocol);
        QSignalSpy statusChanged(&state, &USBConnectionState::connectionStatusChanged);
        QSignalSpy devicesChanged(&state, &USBConnectionState::availableDevicesChanged);
        poll(state);
        QVERIFY(state.getAvailableDevices().isEmpty());

        const USBDevicePtr device = state.getDriver()->enumerateDevices(true).value(0);
        QVERIFY(device);
        QVERIFY(state.connectDevice(device, 500000, 800).isOk());
        board.m_pChip->unplug();
        poll(state);
        QVERIFY(state.isConnected());
        QCOMPARE(statusChanged.count(), 1);
        QCOMPARE(devicesChanged.count(), 0);
    }

    void connectAndDisconnect()
    {
        SimulatedBoard board;
        board.add("VTBH010010001", 0x200);
        Connection connection;
        QCOMPARE(connection.state.getDeviceType(), qMakePair(0, 0));
        const USBDevicePtr first = connection.listed(0);
        const USBDevicePtr second = connection.listed(1);

        QVERIFY(connection.state.connectDevice(first, 500000, 800).isOk());
        QCOMPARE(connection.statusChanged.count(), 1);
        QVERIFY(connection.state.isConnected());
        QVERIFY(connection.state.isDeviceConnected(connection.listed(0)));
        QVERIFY(!connection.state.isDeviceConnected(second));
        QCOMPARE(connection.state.getDeviceType(), qMakePair(1, 1));

        // Switching boards: one signal for leaving the first, one for the second.
        QVERIFY(connection.state.connectDevice(second, 500000, 800).isOk());
        QCOMPARE(connection.statusChanged.count(), 3);
        QVERIFY(connection.state.isDeviceConnected(second));
        QCOMPARE(connection.state.getDeviceType(), qMakePair(10, 1));

        connection.state.disconnectDevice();
        QCOMPARE(connection.statusChanged.count(), 4);
        QVERIFY(!connection.state.isConnected());
        QVERIFY(!connection.state.getDevice());
        QCOMPARE(connection.state.getDeviceType(), qMakePair(10, 1));
        connection.state.disconnectDevice();
        QCOMPARE(connection.statusChanged.count(), 4);
        QCOMPARE(SimulatedBoard::bus().getOpenHandleCount(), 0);
    }

    void failedConnects_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("message");

        QTest::newRow("open fails") << 0 << "Device not found";
        QTest::newRow("channel dead right after opening") << 1 << "Communication error";
        QTest::newRow("updater refuses") << 2 << "The latest firmware package is not available.";
    }

    void failedConnects()
    {
        QFETCH(int, failure);
        QFETCH(QString, message);

        SimulatedBoard board;
        Connection connection;
        auto updater = boost::make_shared<UpdaterStub>();
        connection.state.setDeviceUpdater(updater);
        const USBDevicePtr device = connection.listed();
        QVERIFY(device);
        if (failure == 0)
            SimulatedBoard::bus().failCallAt(0, 2);
        else if (failure == 1)
            connection.state.getDriver()->setProtocol(boost::make_shared<DyingChannelProtocol>(board.m_pChip), 0);
        else
            updater->m_result = USBResult(message, 2);

        const USBResult result = connection.state.connectDevice(device, 500000, 800);

        QCOMPARE(result.getMessage(), message);
        QCOMPARE(result.getStatus(), 2);
        QVERIFY(!connection.state.isConnected());
        QCOMPARE(connection.statusChanged.count(), 0);
        QCOMPARE(updater->m_calls, failure == 2 ? 1 : 0);
        QCOMPARE(SimulatedBoard::bus().getOpenHandleCount(), 0);
    }

    void updaterOutcomesThatKeepTheConnection_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("board as it is") << 0;
        QTest::newRow("non-fatal outcome") << 1;
    }

    void updaterOutcomesThatKeepTheConnection()
    {
        QFETCH(int, status);

        SimulatedBoard board;
        Connection connection;
        auto updater = boost::make_shared<UpdaterStub>();
        updater->m_result = status == 0 ? USBResult() : USBResult("Firmware left as it is", 1);
        connection.state.setDeviceUpdater(updater);

        const USBResult result = connection.state.connectDevice(connection.listed(), 500000, 800);

        QVERIFY(result.isOk());
        QVERIFY(connection.state.isConnected());
        QCOMPARE(connection.statusChanged.count(), 1);
        QCOMPARE(updater->m_pDriver, connection.state.getDriver());
        QVERIFY(updater->m_wasOpen);
        QCOMPARE(updater->m_pTraits.get(), connection.traits.get());
        QCOMPARE(updater->m_parameter, 800);
        QCOMPARE(connection.state.getFirmwareVersion().getMajor(), 2);
        QCOMPARE(connection.state.getFirmwareVersion().getMinor(), 1);
    }

    // The poll leaves the device to the check: it neither closes it nor announces anything.
    void pollWaitsForTheCheck()
    {
        SimulatedBoard board;
        Connection connection;
        auto updater = boost::make_shared<RestartingUpdater>();
        updater->m_pState = &connection.state;
        updater->m_pChip = board.m_pChip;
        connection.state.setDeviceUpdater(updater);

        QVERIFY(connection.state.connectDevice(connection.listed(), 500000, 800).isOk());
        QVERIFY(updater->m_openAfterPoll);
        QCOMPARE(connection.statusChanged.count(), 1);
        QCOMPARE(connection.devicesChanged.count(), 0);
        poll(connection.state);
        QCOMPARE(connection.devicesChanged.count(), 1);
    }

    void unpluggedBoardIsNoticedByOnePoll()
    {
        SimulatedBoard board;
        Connection connection;
        poll(connection.state);
        QVERIFY(connection.state.connectDevice(connection.state.getAvailableDevices().first(), 500000, 800).isOk());
        poll(connection.state);
        QCOMPARE(connection.statusChanged.count(), 1);
        QCOMPARE(connection.devicesChanged.count(), 1);

        board.m_pChip->unplug();
        poll(connection.state);
        QCOMPARE(connection.statusChanged.count(), 2);
        QVERIFY(!connection.state.isConnected());
        QCOMPARE(connection.devicesChanged.count(), 2);
        QVERIFY(connection.state.getAvailableDevices().isEmpty());

        poll(connection.state);
        QCOMPARE(connection.statusChanged.count(), 2);
    }

    // The cable is pulled at some point of an exchange: the request ends in a clear error, the
    // error receiver hears of the dead channel, and the next poll closes the device.
    void unplugDuringExchange_data()
    {
        QTest::addColumn<int>("point");
        QTest::addColumn<QString>("message");

        QTest::newRow("before the request") << 0 << "Communication error";
        QTest::newRow("while the board takes the command") << 1 << "Communication error";
        QTest::newRow("inside the reply frame") << 2 << "Communication error";
        QTest::newRow("while idle") << 3 << QString();
    }

    void unplugDuringExchange()
    {
        QFETCH(int, point);
        QFETCH(QString, message);

        SimulatedBoard board;
        Connection connection;
        QVERIFY(connection.state.connectDevice(connection.listed(), 500000, 800).isOk());
        EventRecorder receiver;
        EventRecorder errors;
        USBDriver* driver = connection.state.getDriver();
        driver->setErrorReceiver(&errors, 0);
        driver->registerStreamReceiver(0, &receiver, 0);
        // A first exchange leaves the worker reading what the board sends unasked.
        QVERIFY(driver->postRequest(boost::make_shared<ScriptedRequest>(0x22, Bytes{0x01}, 1), &receiver, 0).isOk());
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 1);

        auto request = boost::make_shared<ScriptedRequest>(0x22, Bytes{0x01}, 1);
        SimFtdiChip* chip = board.m_pChip;
        SimFtdiChannel* channel = board.m_pChannel;
        ScriptedFirmware::Step dying;
        dying.reply.answered = false;
        if (point == 1)
            dying.action = [chip] { chip->unplug(); };
        else if (point == 2)
        {
            const Bytes frame = USBPacketProtocol::makeLongFrame(quint32(request->getId()), 0, {0x01});
            dying.action = [chip, channel, frame] {
                channel->sendToHost(frame.mid(0, 5));
                chip->unplug();
            };
        }
        board.m_pFirmware->script({dying});
        if (point == 0 || point == 3)
            chip->unplug();
        if (point != 3)
        {
            QVERIFY(driver->postRequest(request, &receiver, 0).isOk());
            TALVEX_TRY_COMPARE(receiver.m_records.count(), 2);
            QCOMPARE(receiver.m_records.last().result.getMessage(), message);
        }

        TALVEX_TRY_COMPARE(errors.m_records.count(), 1);
        QCOMPARE(errors.m_records.first().result.getMessage(), QString("Communication error"));
        poll(connection.state);
        QVERIFY(!connection.state.isConnected());
        QCOMPARE(connection.statusChanged.count(), 2);
        QCOMPARE(SimulatedBoard::bus().getOpenHandleCount(), 0);
    }

    void pollTimer()
    {
        SimulatedBoard board;
        Connection connection;
        connection.state.startPolling();
        QTimer* timer = connection.state.findChild<QTimer*>();
        QVERIFY(timer);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 2000);

        timer->start(10);
        TALVEX_TRY_COMPARE(connection.devicesChanged.count(), 1);
    }

    // The poll lists at its start, then again once the interval has passed on the state's clock,
    // and not before.
    void pollsOnItsClock()
    {
        SimulatedBoard board;
        USBConnectionState state(USBConnectionState::PacketProtocol, 500, boost::make_shared<SimulatedBusClock>());
        state.setDeviceTraits(boost::make_shared<TraitsStub>());
        QSignalSpy devicesChanged(&state, &USBConnectionState::availableDevicesChanged);
        state.startPolling();
        QCOMPARE(devicesChanged.count(), 1);
        QCOMPARE(state.getAvailableDevices().count(), 1);

        board.add("VTBH001010008", 0x200);
        SimulatedBoard::bus().advance(499);
        QTest::qWait(20);
        QCOMPARE(devicesChanged.count(), 1);
        SimulatedBoard::bus().advance(1);
        TALVEX_TRY_COMPARE(devicesChanged.count(), 2);
        QCOMPARE(state.getAvailableDevices().count(), 2);
    }
};

TALVEX_TEST(tst_ConnectionState)
#include "tst_ConnectionState.moc"
