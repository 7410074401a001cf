#pragma once

#include "Properties.h"
#include "TalvexDriverConfigurationObserver.h"
#include "ObserverList.h"
#include "TalvexDriverSamplingConfigurationTraits.h"

#include <QByteArray>
#include <QPair>
#include <QVector>

// What the board measures and how fast: the payload that starts a measurement (action 4) and
// the reply of action 26.
class TalvexDriverSamplingConfiguration
    : public TalvexDriverSamplingConfigurationTraits
    , public Properties<TalvexDriverSamplingConfigurationTraits>
{
public:
    enum Id
    {
        SamplePeriod = 0, // index 1 (0.2 ms) to 14 (5 s)
        Trigger = 1,      // 0 manual, 1 on event, 2 on motor start
        OverSample = 2,   // 0 none, 1 low, 2 high
        SampleCount = 3
    };

    // Each message is a text and its level (always 1).
    typedef QVector<QPair<QString, int>> ValidationMessages;

    typedef TalvexDriverConfigurationObserver<TalvexDriverSamplingConfiguration> IDriverSamplingChangeObserver;

    TalvexDriverSamplingConfiguration();
    explicit TalvexDriverSamplingConfiguration(const QVector<quint8>& data);
    TalvexDriverSamplingConfiguration(const TalvexDriverSamplingConfiguration& other) = default;
    ~TalvexDriverSamplingConfiguration() override;

    TalvexDriverSamplingConfiguration& operator=(const TalvexDriverSamplingConfiguration& other);

    // The sample count is sent multiplied by the over-sampling factor in a 16-bit field; a count
    // that does not fit is sent as the largest one that does (a negative one as 0).
    QByteArray toByteArray() const;

    // Brings the sample count into what the board can count and says why.
    ValidationMessages validate();

    // Empty when the period index and the over-sampling are ones the board knows, else what
    // is wrong with them: a file or a board reply with such a setting is refused.
    QString settingFault() const;

    // Seconds.
    double samplePeriod() const;
    int overSamplingFactor() const;
    // The largest sample count that fits the board's counter at this period and over-sampling.
    int maximumSampleCount() const;

    using Properties<TalvexDriverSamplingConfigurationTraits>::addObserver;
    using Properties<TalvexDriverSamplingConfigurationTraits>::removeObserver;
    void addObserver(IDriverSamplingChangeObserver* observer) { m_observers.add(observer); }
    void removeObserver(IDriverSamplingChangeObserver* observer) { m_observers.remove(observer); }

    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;

private:
    ObserverList<IDriverSamplingChangeObserver> m_observers;
};
