#include "TalvexDriverInputConfiguration.h"

#include "TalvexDriverModel.h"
#include "StreamableVersionException.h"
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
    const bool stopInput = descriptor == TalvexDriverDescriptor::s_model27_1;
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
        bytes.append(quint8(variantToInt(value(s_settingOrder[i]))));
    bytes.append(s_payloadConstant);
    bytes.append(quint8(m_outputMask));
    appendUInt16(bytes, quint16(variantToInt(value(QuadratureCPR))));
    if (hasMotorControlInput(descriptor, firmwareVersion))
        bytes.append(quint8(variantToInt(value(SlowMotionTime))));
    if (descriptor == TalvexDriverDescriptor::s_model27_1)
    {
        bytes.append(quint8(variantToInt(value(StopEdge))));
        bytes.append(quint8(variantToInt(value(StopPullConfig))));
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
    const int gain = variantToInt(value(ADCGain));
    Q_ASSERT_X(gain >= 0 && gain <= s_maximumGain, "src\\TalvexDriverInputConfiguration", "false");
    if (gain < 0 || gain > s_maximumGain)
        return 1.0;
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
    if (descriptor == TalvexDriverDescriptor::s_model10_1 || descriptor == TalvexDriverDescriptor::s_model27_1)
        return true;
    return descriptor == TalvexDriverDescriptor::s_model1_2 && firmwareVersion >= USBVersion(3, 0);
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
        in >> assignments;
    }
    qint32 mask = 0;
    in >> mask;
    StreamableUnexpectedContentsException::checkStatus(in);
    m_channelAssignments = assignments;
    m_outputMask = mask;
    if (!contains(ADCMode))
        setValue(ADCMode, 0);
    if (!contains(SlowMotionTime))
        setValue(SlowMotionTime, 5);
    m_inputObservers.notify(&IDriverInputChangeObserver::inputConfigurationChanged, this);
}
