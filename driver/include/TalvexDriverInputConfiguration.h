#pragma once

#include "Properties.h"
#include "TalvexDriverDescriptor.h"
#include "TalvexDriverInputConfigurationTraits.h"
#include "ObserverList.h"
#include "USBVersion.h"

#include <QByteArray>
#include <QMap>
#include <QVector>

// The board's interface inputs: the function of each input channel, edge senses and pulls,
// quadrature, ADC and motor-control settings and the output mask. The payload of action 3,
// the reply of action 25.
class TalvexDriverInputConfiguration
    : public TalvexDriverInputConfigurationTraits
    , public Properties<TalvexDriverInputConfigurationTraits>
{
public:
    enum Id
    {
        LimitStartEdge = 0,
        LimitEndEdge = 1,
        LimitStartPullConfig = 2,
        LimitEndPullConfig = 3,
        QuadAPullConfig = 4,
        QuadBPullConfig = 5,
        QuadratureCPR = 6, // 16 bits; not set by default
        EventEdge = 7,
        EventPullConfig = 8,
        ADCGain = 9, // 0 to 6: x1 to x64
        ADCMode = 12, // 0 normal sampling, 1 peak-peak values
        SlowMotionTime = 13, // seconds
        StopEdge = 14,
        StopPullConfig = 15
    };

    // Function codes of the limit inputs; the others belong to the I/O diagram.
    static constexpr int s_startLimitFunction = 32;
    static constexpr int s_endLimitFunction = 33;
    static constexpr int s_noFunction = 255;

    class IDriverInputChangeObserver
    {
    public:
        virtual ~IDriverInputChangeObserver() = default;
        // After read, assignment and a change of the channel map or the output mask.
        virtual void inputConfigurationChanged(TalvexDriverInputConfiguration* configuration) = 0;
        virtual void inputConfigurationDestroyed(TalvexDriverInputConfiguration* configuration) = 0;
    };

    TalvexDriverInputConfiguration();
    TalvexDriverInputConfiguration(const QVector<quint8>& data, const TalvexDriverDescriptor& descriptor,
        const USBVersion& firmwareVersion);
    TalvexDriverInputConfiguration(const TalvexDriverInputConfiguration& other) = default;
    ~TalvexDriverInputConfiguration() override;

    TalvexDriverInputConfiguration& operator=(const TalvexDriverInputConfiguration& other);

    QByteArray toByteArray(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion) const;

    // The function code of a channel (from 1), s_noFunction when it has none.
    int channelAssignment(int channelNumber) const;
    const QMap<int, int>& getChannelAssignments() const { return m_channelAssignments; }
    void setChannelAssignments(const QMap<int, int>& assignments);
    // Bit 0 voltage, bit 1 events, bit 2 quadrature, bit 3 motor steps.
    int getOutputMask() const { return m_outputMask; }
    void setOutputMask(int mask);

    // Whether the limit that the home search looks for (2 the end limit, else the start limit)
    // is wired to some channel.
    bool isHomeLimitConnected(int homePosition) const;

    // Empty when the ADC gain is one the board knows, else what is wrong with it: a file or a
    // board reply with another gain is refused.
    QString settingFault() const;

    // Volts at full scale and per count, for the ADC gain.
    double adcRange() const;
    double adcResolution() const;
    QString adcGainText() const;
    int minimumSamplePeriodIndex() const;

    static bool hasMotorControlInput(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion);

    void addInputObserver(IDriverInputChangeObserver* observer) { m_inputObservers.add(observer); }
    void removeInputObserver(IDriverInputChangeObserver* observer) { m_inputObservers.remove(observer); }

    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;

private:
    double scaledByGain(double value) const;

    QMap<int, int> m_channelAssignments;
    int m_outputMask = 0;
    ObserverList<IDriverInputChangeObserver> m_inputObservers;
};
