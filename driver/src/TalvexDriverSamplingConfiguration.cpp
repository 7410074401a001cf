#include "TalvexDriverSamplingConfiguration.h"

#include "StreamableVersionException.h"
#include "USBByteHelpers.h"
#include "ValueConversions.h"

namespace
{
const int s_periodCount = 14;
const double s_periods[s_periodCount] = {0.0002, 0.0005, 0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0,
    2.0, 5.0};
// Over-sampling: the board samples faster by a factor, at a period index of its own.
const int s_factors[2][s_periodCount] = {
    {1, 1, 5, 4, 5, 5, 4, 5, 5, 4, 5, 5, 4, 5},
    {1, 1, 5, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10},
};
const int s_boardIndices[2][s_periodCount] = {
    {1, 2, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
    {1, 2, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
};
const int s_countFieldMaximum = 0xFFFF;

bool isValidSetting(int index, int mode)
{
    return index >= 1 && index <= s_periodCount && mode >= 0 && mode <= 2;
}

int factorOf(int index, int mode)
{
    Q_ASSERT_X(isValidSetting(index, mode), "src\\TalvexDriverSamplingConfiguration", "false");
    if (!isValidSetting(index, mode))
        return 1;
    return mode == 0 ? 1 : s_factors[mode - 1][index - 1];
}

int boardIndexOf(int index, int mode)
{
    Q_ASSERT_X(isValidSetting(index, mode), "src\\TalvexDriverSamplingConfiguration", "false");
    if (!isValidSetting(index, mode))
        return 12;
    return mode == 0 ? index : s_boardIndices[mode - 1][index - 1];
}
}

TalvexDriverSamplingConfiguration::TalvexDriverSamplingConfiguration()
{
    setValue(SamplePeriod, 5);
    setValue(Trigger, 0);
    setValue(OverSample, 0);
    setValue(SampleCount, 5000);
}

TalvexDriverSamplingConfiguration::TalvexDriverSamplingConfiguration(const QVector<quint8>& data)
{
    Q_ASSERT_X(data.count() == 6, "src\\TalvexDriverSamplingConfiguration", "data.count() == 6");
    if (data.count() != 6)
        return;
    setValue(Trigger, int(data[3]));
    setValue(OverSample, int(data[4]));
    setValue(SamplePeriod, qMax(1, int(data[5])));
    setValue(SampleCount, int(readUInt16(data, 1)) / overSamplingFactor());
}

TalvexDriverSamplingConfiguration::~TalvexDriverSamplingConfiguration()
{
    m_observers.notify(&IDriverSamplingChangeObserver::configurationDestroyed, this);
}

TalvexDriverSamplingConfiguration& TalvexDriverSamplingConfiguration::operator=(
    const TalvexDriverSamplingConfiguration& other)
{
    Properties::operator=(other);
    m_observers.notify(&IDriverSamplingChangeObserver::configurationChanged, this);
    return *this;
}

QByteArray TalvexDriverSamplingConfiguration::toByteArray() const
{
    const int index = variantToInt(value(SamplePeriod));
    const int mode = variantToInt(value(OverSample));
    const int count = qBound(0, variantToInt(value(SampleCount)), maximumSampleCount());
    QVector<quint8> bytes;
    bytes.append(quint8(boardIndexOf(index, mode)));
    appendUInt16(bytes, quint16(count * overSamplingFactor()));
    bytes.append(quint8(variantToInt(value(Trigger))));
    bytes.append(quint8(mode));
    bytes.append(quint8(index));
    return bytesToByteArray(bytes);
}

TalvexDriverSamplingConfiguration::ValidationMessages TalvexDriverSamplingConfiguration::validate()
{
    ValidationMessages messages;
    const int count = variantToInt(value(SampleCount));
    QString text;
    if (count > maximumSampleCount())
    {
        setValue(SampleCount, maximumSampleCount());
        text = QStringLiteral("The sample count was too high. At most %1 samples can be taken with this over-sampling.")
                   .arg(maximumSampleCount());
    }
    else if (count < 0)
    {
        setValue(SampleCount, 0);
        text = QStringLiteral("The sample count cannot be negative.");
    }
    if (!text.isEmpty())
    {
        notifyValidationMessage(SampleCount, text);
        messages.append(qMakePair(text, 1));
    }
    return messages;
}

double TalvexDriverSamplingConfiguration::samplePeriod() const
{
    const int index = variantToInt(value(SamplePeriod));
    Q_ASSERT_X(index >= 1 && index <= s_periodCount, "src\\TalvexDriverSamplingConfiguration", "false");
    if (index < 1 || index > s_periodCount)
        return 1.0;
    return s_periods[index - 1];
}

int TalvexDriverSamplingConfiguration::overSamplingFactor() const
{
    return factorOf(variantToInt(value(SamplePeriod)), variantToInt(value(OverSample)));
}

int TalvexDriverSamplingConfiguration::maximumSampleCount() const
{
    return s_countFieldMaximum / overSamplingFactor();
}

void TalvexDriverSamplingConfiguration::write(QDataStream& out) const
{
    out << qint32(1);
    Properties::write(out);
}

void TalvexDriverSamplingConfiguration::read(QDataStream& in)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexDriverSamplingConfiguration", 180);
    Properties::read(in);
    if (!contains(SampleCount))
        setValue(SampleCount, 5000);
    m_observers.notify(&IDriverSamplingChangeObserver::configurationChanged, this);
}
