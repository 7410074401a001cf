#include "TalvexDriverInputConfiguration.h"

#include "TalvexDriverModel.h"
#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "TalvexDriverBytes.h"
#include "USBByteHelpers.h"
#include "ValueConversions.h"

#include <cmath>

namespace
{
// Byte order of the settings after the channel bytes.
const TalvexDriverInputConfiguration::Id s_settingOrder[] = {TalvexDriverInputConfiguration::QuadAPullConfig,
    TalvexDriverInputConfiguration::QuadBPullConfig, TalvexDriverInputConfiguration::LimitStartEdge,
    TalvexDriverInputConfiguration::LimitStartPullConfig, TalvexDriverInputConfiguration::LimitEndEdge,
    TalvexDriverInputConfiguration::LimitEndPullConfig, TalvexDriverInputConfiguration::EventEdge,
    TalvexDriverInputConfiguration::EventPullConfig, TalvexDriverInputConfiguration::ADCGain,
    TalvexDriverInputConfiguration::ADCMode};
const int s_settingCount = sizeof(s_settingOrder) / sizeof(s_settingOrder[0]);
const quint8 s_payloadConstant = 4;

const int s_maximumGain = 6;
// The most inputs a model has: channels are numbered from 1 up to this.
const int s_maximumChannel = 8;

// Channel functions and the output mask travel as bytes.
void checkStoredAssignments(const QMap<int, int>& assignments, qint32 mask)
{
    for (auto it = assignments.constBegin(); it != assignments.constEnd(); ++it)
        if (it.key() < 1 || it.key() > s_maximumChannel || it.value() < 0 || it.value() > 0xFF)
            throw StreamableUnexpectedContentsException(
                QString("Input channel %1 has the function %2, which no board knows. The file is corrupted.")
                    .arg(it.key())
                    .arg(it.value()));
    if (mask < 0 || mask > 0xFF)
        throw StreamableUnexpectedContentsException(
            QString("The output mask %1 does not fit in a byte. The file is corrupted.").arg(mask));
}
}

TalvexDriverInputConfiguration::TalvexDriverInputConfiguration()
{
    for (int id : {LimitStartEdge, LimitEndEdge, LimitStartPullConfig, LimitEndPullConfig, QuadAPullConfig,
             QuadBPullConfig, EventEdge, EventPullConfig, ADCGain, ADCMode})
        setValue(id, 0);
    setValue(SlowMotionTime, 5);
    setValue(StopEdge, 0);
    setValue(StopPullConfig, 0);
}

TalvexDriverInputConfiguration::TalvexDriverInputConfiguration(const QVector<quint8>& data,
    const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion)
{
    const int inputs = TalvexDriverModel::inputCount(descriptor);
    const bool motorControl = hasMotorControlInput(descriptor, firmwareVersion);
    const bool stopInput = TalvexDriverModel::hasStopInput(descriptor);
    const int expected = inputs + 14 + (motorControl ? 1 : 0) + (stopInput ? 2 : 0);
    Q_ASSERT_X(data.count() == expected, "src\\TalvexDriverInputConfiguration",
        expected == 25 ? "data.count() == 25" : expected == 19 ? "data.count() == 19" : "data.count() == 18");
    if (data.count() != expected)
        return;
    // A channel without a function comes as 255 and gets no entry.
    for (int channel = 1; channel <= inputs; ++channel)
        if (data[channel - 1] != s_noFunction)
            m_channelAssignments.insert(channel, data[channel - 1]);
    for (int i = 0; i < s_settingCount; ++i)
        setValue(s_settingOrder[i], int(data[inputs + i]));
    m_outputMask = data[inputs + 11];
    setValue(QuadratureCPR, int(readUInt16(data, inputs + 12)));
    if (motorControl)
        setValue(SlowMotionTime, int(data[inputs + 14]));
    if (stopInput)
    {
        setValue(StopEdge, int(data[inputs + 15]));
        setValue(StopPullConfig, int(data[inputs + 16]));
    }
}

TalvexDriverInputConfiguration::~TalvexDriverInputConfiguration()
{
    m_inputObservers.notify(&IDriverInputChangeObserver::inputConfigurationDestroyed, this);
}

TalvexDriverInputConfiguration& TalvexDriverInputConfiguration::operator=(const TalvexDriverInputConfiguration& other)
{
    Properties::operator=(other);
    m_channelAssignments = other.m_channelAssignments;
    m_outputMask = other.m_outputMask;
    m_inputObservers.notify(&IDriverInputChangeObserver::inputConfigurationChanged, this);
    return *this;
}

QByteArray TalvexDriverInputConfiguration::toByteArray(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion) const
{
    QVector<quint8> bytes;
    const int inputs = TalvexDriverModel::inputCount(descriptor);
    for (int channel = 1; channel <= inputs; ++channel)
        bytes.append(quint8(channelAssignment(channel)));
    for (int i = 0; i < s_settingCount; ++i)
        bytes.append(toByteField(value(s_settingOrder[i])));
    bytes.append(s_payloadConstant);
    bytes.append(quint8(m_outputMask));
    appendUInt16(bytes, toWordField(value(QuadratureCPR)));
    if (hasMotorControlInput(descriptor, firmwareVersion))
        bytes.append(toByteField(value(SlowMotionTime)));
    if (TalvexDriverModel::hasStopInput(descriptor))
    {
        bytes.append(toByteField(value(StopEdge)));
        bytes.append(toByteField(value(StopPullConfig)));
    }
    return bytesToByteArray(bytes);
}

int TalvexDriverInputConfiguration::channelAssignment(int channelNumber) const
{
    Q_ASSERT_X(channelNumber > 0, "src\\TalvexDriverInputConfiguration", "channelNumber > 0");
    return m_channelAssignments.value(channelNumber, s_noFunction);
}

void TalvexDriverInputConfiguration::setChannelAssignments(const QMap<int, int>& assignments)
{
    m_channelAssignments = assignments;
    m_inputObservers.notify(&IDriverInputChangeObserver::inputConfigurationChanged, this);
}

void TalvexDriverInputConfiguration::setOutputMask(int mask)
{
    m_outputMask = mask;
    m_inputObservers.notify(&IDriverInputChangeObserver::inputConfigurationChanged, this);
}

bool TalvexDriverInputConfiguration::isHomeLimitConnected(int homePosition) const
{
    const int function = homePosition == 2 ? s_endLimitFunction : s_startLimitFunction;
    for (int assigned : m_channelAssignments)
        if (assigned == function)
            return true;
    return false;
}

double TalvexDriverInputConfiguration::scaledByGain(double fullGainValue) const
{
    // A gain outside the range cannot come from a file or the board (settingFault() refuses
    // it); one set by hand scales nothing.
    const int gain = variantToInt(value(ADCGain));
    if (gain < 0 || gain > s_maximumGain)
        return fullGainValue;
    return std::ldexp(fullGainValue, -gain);
}

double TalvexDriverInputConfiguration::adcRange() const
{
    return scaledByGain(2.047);
}

double TalvexDriverInputConfiguration::adcResolution() const
{
    return scaledByGain(0.00025);
}

QString TalvexDriverInputConfiguration::settingFault() const
{
    const int gain = variantToInt(value(ADCGain));
    if (gain < 0 || gain > s_maximumGain)
        return QStringLiteral("The ADC gain index %1 is not one of 0 to %2.").arg(gain).arg(s_maximumGain);
    return QString();
}

QString TalvexDriverInputConfiguration::adcGainText() const
{
    const int gain = variantToInt(value(ADCGain));
    if (gain < 0 || gain > s_maximumGain)
        return QStringLiteral("x?");
    return QStringLiteral("x%1").arg(1 << gain);
}

int TalvexDriverInputConfiguration::minimumSamplePeriodIndex() const
{
    return variantToInt(value(ADCMode)) != 0 ? 6 : 1;
}

bool TalvexDriverInputConfiguration::hasMotorControlInput(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion)
{
    return TalvexDriverModel::hasMotorControlInput(descriptor, firmwareVersion);
}

void TalvexDriverInputConfiguration::write(QDataStream& out) const
{
    out << qint32(2);
    Properties::write(out);
    out << m_channelAssignments;
    out << qint32(m_outputMask);
}

void TalvexDriverInputConfiguration::read(QDataStream& in)
{
    const qint32 version = StreamableVersionException::readVersion(in, {1, 2}, "src\\TalvexDriverInputConfiguration", 325);
    Properties::read(in);
    QMap<int, int> assignments;
    if (version == 1)
    {
        for (int channel = 1; channel <= 4; ++channel)
        {
            qint32 function = 0;
            in >> function;
            if (function != s_noFunction)
                assignments.insert(channel, function);
        }
    }
    else
    {
        // A QMap<int, int> as QDataStream writes it, read here so that its count is bounded.
        quint32 count = 0;
        in >> count;
        StreamableUnexpectedContentsException::checkStatus(in);
        if (count > quint32(s_maximumChannel))
            throw StreamableUnexpectedContentsException(
                QString("The file claims %1 input channels. The file is corrupted.").arg(count));
        for (quint32 i = 0; i < count; ++i)
        {
            qint32 channel = 0;
            qint32 function = 0;
            in >> channel >> function;
            StreamableUnexpectedContentsException::checkStatus(in);
            assignments.insert(channel, function);
        }
    }
    qint32 mask = 0;
    in >> mask;
    StreamableUnexpectedContentsException::checkStatus(in);
    checkStoredAssignments(assignments, mask);
    const QString fault = settingFault();
    if (!fault.isEmpty())
        throw StreamableUnexpectedContentsException(fault + QStringLiteral(" The file is corrupted."));
    m_channelAssignments = assignments;
    m_outputMask = mask;
    if (!contains(ADCMode))
        setValue(ADCMode, 0);
    if (!contains(SlowMotionTime))
        setValue(SlowMotionTime, 5);
    m_inputObservers.notify(&IDriverInputChangeObserver::inputConfigurationChanged, this);
}

StoredValueReader::Kind TalvexDriverInputConfiguration::storedKind(int id) const
{
    // Ids 10 and 11 are not used.
    const bool known = (id >= LimitStartEdge && id <= ADCGain) || (id >= ADCMode && id <= StopPullConfig);
    return known ? StoredValueReader::Number : StoredValueReader::Absent;
}
