#include "SimBootloaderBoard.h"

#include "SimBoardBootloader.h"
#include "SimBoardHandshakeFraming.h"
#include "SimBoardModel.h"
#include "SimBoardPacketFraming.h"
#include "SimBootloaderFirmware.h"
#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimUsbBus.h"

#include <QMutexLocker>
#include <QThread>
#include <boost/make_shared.hpp>

namespace
{
// The codes the board's firmware and bootloader are built with.
const char s_entryUnlockCode[] = "3f6c1a52-9b7e-4d08-a1c4-7e52b90d3f16";
const char s_writeUnlockCode[] = "C81D4E27-06AF-4B93-8E5D-2A7F19C0B64E";
const int s_unlockCodeLength = 36;

const quint8 s_frameStart = 0x05;
const int s_frameHeader = 8;
const quint8 s_entryUnlock = 0x06;
const quint8 s_enter = 0x04;

// Information page: magic, layout 2, name (40), serial number (16), then 16-bit big-endian
// product code, revision, major, minor, year, month, day and package checksum; 0xFF after.
const char s_deviceName[] = "Stepper motor driver";
const int s_releaseYear = 2024;
const int s_releaseMonth = 3;
const int s_releaseDay = 18;

QVector<quint8> bytesOf(const char* text)
{
    const QByteArray bytes(text);
    return QVector<quint8>(bytes.cbegin(), bytes.cend());
}

void appendField(QVector<quint8>& page, const QByteArray& text, int size)
{
    for (int i = 0; i < size; ++i)
        page.append(i < size - 1 && i < text.size() ? quint8(text.at(i)) : quint8(0));
}

QVector<quint8> factoryInformationPage(int pageSize, const QString& serialNumber, int productCode, int revision,
    int major, int minor)
{
    QVector<quint8> page{0x35, 0x72, 0xD1, 0x02};
    appendField(page, s_deviceName, 40);
    appendField(page, serialNumber.toLatin1(), 16);
    for (int value : {productCode, revision, major, minor, s_releaseYear, s_releaseMonth, s_releaseDay, 0})
    {
        page.append(quint8(value >> 8));
        page.append(quint8(value));
    }
    while (page.count() < pageSize)
        page.append(0xFF);
    return page;
}

// The product code (at 4, 3 digits) or revision (at 7, 2 digits) in a serial number.
int modelField(const QString& serialNumber, int position, int digits)
{
    return serialNumber.mid(position, digits).toInt();
}

// A non-owning handle for the framings, which the board owns.
template <typename T>
boost::shared_ptr<T> unowned(const boost::shared_ptr<T>& owned)
{
    return boost::shared_ptr<T>(owned.get(), [](T*) {});
}
}

boost::shared_ptr<SimBootloaderBoard> SimBootloaderBoard::plugInto(SimFtdiChip& chip, int channelIndex,
    const boost::shared_ptr<SimIBoardFirmware>& firmware, const QString& serialNumber, int firmwareMajor,
    int firmwareMinor)
{
    const boost::shared_ptr<SimBootloaderBoard> board(
        new SimBootloaderBoard(chip, firmware, serialNumber, firmwareMajor, firmwareMinor));
    chip.setDescription(SimBoardModel::productDescription(modelField(serialNumber, 4, 3), modelField(serialNumber, 7, 2)));
    chip.getChannel(channelIndex).setEndpoint(board);
    return board;
}

SimBootloaderBoard::SimBootloaderBoard(SimFtdiChip& chip, const boost::shared_ptr<SimIBoardFirmware>& firmware,
    const QString& serialNumber, int firmwareMajor, int firmwareMinor)
    : m_chip(chip)
    , m_memory(SimBootloaderMemory::geometryOf(modelField(serialNumber, 4, 3), modelField(serialNumber, 7, 2)))
{
    m_memory.setInformationPage(factoryInformationPage(m_memory.getGeometry().pageSize, serialNumber,
        modelField(serialNumber, 4, 3), modelField(serialNumber, 7, 2), firmwareMajor, firmwareMinor));
    m_pBootloader = boost::make_shared<SimBoardBootloader>(this);
    m_pFirmware = boost::make_shared<SimBootloaderFirmware>(this, firmware);
    start(Firmware);
}

SimBootloaderBoard::~SimBootloaderBoard() = default;

void SimBootloaderBoard::start(Mode mode)
{
    m_mode = mode;
    m_pending.clear();
    m_entryOpen = false;
    if (mode == Bootloader)
        m_pFraming = boost::make_shared<SimBoardHandshakeFraming>(unowned(m_pBootloader));
    else
        m_pFraming = boost::make_shared<SimBoardPacketFraming>(unowned(m_pFirmware));
    m_pFraming->setReplyDelay(m_replyDelay);
    if (mode != Bootloader)
        m_writeUnlocked = false;
}

void SimBootloaderBoard::hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes)
{
    m_writers.append(QThread::currentThread());
    takeBytes(channel, bytes);
}

void SimBootloaderBoard::takeBytes(SimFtdiChannel& channel, const QVector<quint8>& bytes)
{
    if (m_mode == Bootloader)
    {
        const boost::shared_ptr<SimIChannelEndpoint> framing = m_pFraming;
        framing->hostWrote(channel, bytes);
        applyModeSwitch();
        return;
    }
    m_pending += bytes;
    while (m_mode != Bootloader && takeFirmwareBytes(channel))
        applyModeSwitch();
    // Bytes after the entry belong to the bootloader.
    if (m_mode == Bootloader && !m_pending.isEmpty())
    {
        const QVector<quint8> rest = m_pending;
        m_pending.clear();
        takeBytes(channel, rest);
    }
}

bool SimBootloaderBoard::takeFirmwareBytes(SimFtdiChannel& channel)
{
    if (m_pending.isEmpty())
        return false;
    const quint8 first = m_pending.first();
    if (first == s_frameStart)
    {
        if (m_pending.count() < s_frameHeader)
            return false;
        const int length = m_pending.at(6) | m_pending.at(7) << 8;
        if (m_pending.count() < s_frameHeader + length)
            return false;
        const QVector<quint8> frame = m_pending.mid(0, s_frameHeader + length);
        m_pending.remove(0, frame.count());
        log(frame.at(5), frame.mid(s_frameHeader));
        const boost::shared_ptr<SimIChannelEndpoint> framing = m_pFraming;
        framing->hostWrote(channel, frame);
        return true;
    }
    if (first == s_entryUnlock)
    {
        if (m_pending.count() < 1 + s_unlockCodeLength)
            return false;
        const QVector<quint8> code = m_pending.mid(1, s_unlockCodeLength);
        m_pending.remove(0, 1 + s_unlockCodeLength);
        log(first, code);
        m_entryOpen = code == bytesOf(s_entryUnlockCode);
        return true;
    }
    m_pending.removeFirst();
    log(first, QVector<quint8>());
    if (first == s_enter && m_entryOpen)
        switchMode(Bootloader);
    // Any other byte outside a frame is noise the firmware passes over.
    return true;
}

void SimBootloaderBoard::advance(SimFtdiChannel& channel, qint64 milliseconds)
{
    const boost::shared_ptr<SimIChannelEndpoint> framing = m_pFraming;
    framing->advance(channel, milliseconds);
    applyModeSwitch();
}

void SimBootloaderBoard::switchMode(Mode mode)
{
    m_switching = true;
    m_nextMode = mode;
}

void SimBootloaderBoard::applyModeSwitch()
{
    if (!m_switching)
        return;
    m_switching = false;
    const QVector<quint8> pending = m_pending;
    const boost::shared_ptr<SimBoardFraming> earlier = m_pFraming;
    start(m_nextMode);
    m_pFraming->takeRepliesFrom(*earlier);
    m_pending = pending;
}

SimBootloaderBoard::Mode SimBootloaderBoard::getMode() const
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    return m_mode;
}

SimBootloaderMemory SimBootloaderBoard::getMemory() const
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    return m_memory;
}

QList<QVector<quint8>> SimBootloaderBoard::getCommandLog() const
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    return m_log;
}

QList<QThread*> SimBootloaderBoard::getWriterThreads() const
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    return m_writers;
}

void SimBootloaderBoard::clearCommandLog()
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_log.clear();
    m_writers.clear();
}

void SimBootloaderBoard::setReplyDelay(qint64 milliseconds)
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_replyDelay = milliseconds;
    m_pFraming->setReplyDelay(milliseconds);
}

void SimBootloaderBoard::setStatusFault(quint8 opcode, quint8 status)
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_statusFaults.insert(opcode, status);
}

void SimBootloaderBoard::setSilentFault(quint8 opcode)
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_silentFaults.insert(opcode);
}

void SimBootloaderBoard::setCorruptInformationPage(bool corrupt)
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_corruptInformationPage = corrupt;
}

void SimBootloaderBoard::setPowerCutAtPage(int page)
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_powerCutPage = page;
}

void SimBootloaderBoard::setPowerCutAtSecondaryPage(int page)
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_secondaryPowerCutPage = page;
}

void SimBootloaderBoard::clearFaults()
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_statusFaults.clear();
    m_silentFaults.clear();
    m_corruptInformationPage = false;
    m_powerCutPage = -1;
    m_secondaryPowerCutPage = -1;
}

void SimBootloaderBoard::powerOn()
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_chip.plug();
    m_switching = false;
    m_writeUnlocked = false;
    m_pFirmware->powerOn();
    start(m_firmwareComplete ? Firmware : Bootloader);
}

void SimBootloaderBoard::setInformationPage(const QVector<quint8>& page)
{
    QMutexLocker lock(&SimUsbBus::instance().getMutex());
    m_memory.setInformationPage(page);
}

void SimBootloaderBoard::log(quint8 opcode, const QVector<quint8>& payload)
{
    QVector<quint8> entry{opcode};
    entry += payload;
    m_log.append(entry);
}

bool SimBootloaderBoard::refusesWithStatus(quint8 opcode, quint8& status) const
{
    const auto found = m_statusFaults.constFind(opcode);
    if (found == m_statusFaults.constEnd())
        return false;
    status = found.value();
    return true;
}

bool SimBootloaderBoard::isSilent(quint8 opcode) const
{
    return m_silentFaults.contains(opcode);
}

bool SimBootloaderBoard::cutsPowerAt(int page)
{
    if (page != m_powerCutPage)
        return false;
    m_powerCutPage = -1;
    return true;
}

bool SimBootloaderBoard::cutsPowerAtSecondaryPage(int page)
{
    if (page != m_secondaryPowerCutPage)
        return false;
    m_secondaryPowerCutPage = -1;
    return true;
}

void SimBootloaderBoard::powerCut()
{
    m_chip.unplug();
}

QVector<quint8> SimBootloaderBoard::writeUnlockCode()
{
    return bytesOf(s_writeUnlockCode);
}

QVector<quint8> SimBootloaderBoard::targetInfo() const
{
    const SimBootloaderMemory::Geometry& geometry = m_memory.getGeometry();
    const quint8 high = quint8(geometry.pageSize >> 8);
    const quint8 low = quint8(geometry.pageSize);
    if (geometry.writeLock)
        return {0xFF, high, low, 0x01};
    return {high, low};
}

QVector<quint8> SimBootloaderBoard::pageReadReply(const QVector<quint8>& page) const
{
    QVector<quint8> reply = page.isEmpty() ? QVector<quint8>(m_memory.getGeometry().pageSize, 0xFF) : page;
    reply.append(0xFF);
    reply.append(m_corruptInformationPage ? 0x00 : 0xFF);
    return reply;
}
