#pragma once

#include "DriverTestSupport.h"
#include "SimDriverFirmware.h"
#include "SimulatedBus.h"
#include "TalvexApplicationTraits.h"
#include "TalvexDocument.h"
#include "TalvexRequestDispatcher.h"
#include "USBConnectionState.h"
#include "USBDevice.h"
#include "USBIDeviceUpdater.h"
#include "Waiting.h"

#include <QHash>
#include <QMutexLocker>
#include <QStringList>
#include <boost/make_shared.hpp>

// The board's main firmware, with a log of the commands it was given and commands it can be
// told to refuse.
class RecordingFirmware : public SimIBoardFirmware
{
public:
    explicit RecordingFirmware(const boost::shared_ptr<SimDriverFirmware>& firmware) : m_pFirmware(firmware) {}

    Reply handleCommand(quint8 opcode, const QVector<quint8>& payload) override
    {
        m_opcodes.append(opcode);
        m_payloads.append(payload);
        if (m_refusals.contains(opcode))
        {
            Reply refused;
            refused.status = m_refusals.value(opcode);
            return refused;
        }
        if (m_answers.contains(opcode))
        {
            Reply answer;
            answer.data = m_answers.value(opcode);
            return answer;
        }
        return m_pFirmware->handleCommand(opcode, payload);
    }
    void advance(qint64 milliseconds) override { m_pFirmware->advance(milliseconds); }
    QVector<QVector<quint8>> takeStreamPackets() override { return m_pFirmware->takeStreamPackets(); }

    // Under the bus lock: the board runs on the protocol's worker.
    QVector<quint8> opcodes() const
    {
        QMutexLocker lock(&SimUsbBus::instance().getMutex());
        return m_opcodes;
    }
    QVector<quint8> payload(int index) const
    {
        QMutexLocker lock(&SimUsbBus::instance().getMutex());
        return m_payloads.value(index);
    }
    // The opcodes and payloads on the wire, one "opcode payload" each.
    QStringList wire() const
    {
        QMutexLocker lock(&SimUsbBus::instance().getMutex());
        QStringList sent;
        for (int i = 0; i < m_opcodes.count(); ++i)
            sent << hexText(QVector<quint8>{m_opcodes.at(i)} + m_payloads.at(i));
        return sent;
    }
    void refuse(quint8 opcode, quint8 status)
    {
        QMutexLocker lock(&SimUsbBus::instance().getMutex());
        m_refusals.insert(opcode, status);
    }
    // The board answers the opcode with these data, whatever they mean.
    void answer(quint8 opcode, const QVector<quint8>& data)
    {
        QMutexLocker lock(&SimUsbBus::instance().getMutex());
        m_answers.insert(opcode, data);
    }
    void clear()
    {
        QMutexLocker lock(&SimUsbBus::instance().getMutex());
        m_opcodes.clear();
        m_payloads.clear();
    }

private:
    boost::shared_ptr<SimDriverFirmware> m_pFirmware;
    QVector<quint8> m_opcodes;
    QVector<QVector<quint8>> m_payloads;
    QHash<quint8, quint8> m_refusals;
    QHash<quint8, QVector<quint8>> m_answers;
};

// Keeps the failed results the dispatcher reports.
class FailureLog : public TalvexRequestDispatcher::IResultObserver
{
public:
    void reportFailure(const USBResult& result) override { m_results.append(result); }

    QVector<USBResult> m_results;
};

// Stands in for the firmware updater: the board's firmware version as its check would learn it.
class FirmwareVersionCheck : public USBIDeviceUpdater
{
public:
    explicit FirmwareVersionCheck(const USBVersion& version) : m_version(version) {}

    USBResult checkAndUpdate(const boost::shared_ptr<USBDevice>& device, USBDriver*, const USBDeviceTraitsPtr&,
        qint32) override
    {
        device->setFirmwareVersion(m_version);
        return USBResult();
    }

private:
    USBVersion m_version;
};

// A driver board of one model on the simulated bus (clock in manual mode), connected the way
// the studio connects it: through the connection state, with a document and a dispatcher.
struct ConnectedDriverBoard
{
    static SimUsbBus& bus() { return SimUsbBus::instance(); }

    ConnectedDriverBoard(const TalvexDriverDescriptor& model, const USBVersion& firmwareVersion)
        : m_model(model)
        , m_firmwareVersion(firmwareVersion)
    {
        bus().reset();
        plug(model, firmwareVersion, 0x100);
        m_state.setDeviceTraits(boost::make_shared<TalvexApplicationTraits>());
        m_state.setDeviceUpdater(boost::make_shared<FirmwareVersionCheck>(firmwareVersion));
        m_pDispatcher->setContext(&m_document, &m_state);
        const USBDevicePtr device = m_state.getDriver()->enumerateDevices(true).value(0);
        m_connected = device ? m_state.connectDevice(device, 500000, 800) : USBResult("No board listed", 2);
    }

    ~ConnectedDriverBoard()
    {
        m_state.disconnectDevice();
        bus().reset();
    }

    // Another board of that model and firmware on the bus; the members describe the last one.
    void plug(const TalvexDriverDescriptor& model, const USBVersion& firmwareVersion, quint32 locationId)
    {
        const QString serial = SimDriverFirmware::serialNumberOf(model.getProductCode(), model.getRevision(), 40 + int(locationId >> 8));
        m_pFirmware = boost::make_shared<SimDriverFirmware>(serial, firmwareVersion);
        m_pRecorder = boost::make_shared<RecordingFirmware>(m_pFirmware);
        plugBoard(serial.toLatin1(), locationId, m_pRecorder);
    }

    // Runs a command on the board directly, as if another program had configured it.
    quint8 configureBoard(int action, const QByteArray& payload)
    {
        QMutexLocker lock(&bus().getMutex());
        const QVector<quint8> bytes(payload.cbegin(), payload.cend());
        return m_pFirmware->handleCommand(TalvexDriverCommRequest::commandCode(m_model, action), bytes).status;
    }

    boost::shared_ptr<TalvexDriverCommRequest> request(int action, const QByteArray& payload = QByteArray()) const
    {
        auto built = boost::make_shared<TalvexDriverCommRequest>(m_pDispatcher->deviceDescriptor(),
            m_pDispatcher->firmwareVersion(), action);
        if (!payload.isEmpty())
            built->setData(payload);
        return built;
    }

    // Every listed action answered for the requester.
    bool answered(QObject* requester, std::initializer_list<int> actions) const
    {
        for (int action : actions)
            if (!m_pDispatcher->canSendRequest(requester, action))
                return false;
        return true;
    }

    TalvexDriverDescriptor m_model;
    USBVersion m_firmwareVersion;
    boost::shared_ptr<SimDriverFirmware> m_pFirmware;
    boost::shared_ptr<RecordingFirmware> m_pRecorder;
    TalvexDocument m_document;
    USBConnectionState m_state{USBConnectionState::PacketProtocol};
    boost::shared_ptr<TalvexRequestDispatcher> m_pDispatcher = boost::make_shared<TalvexRequestDispatcher>();
    USBResult m_connected;
};
