#pragma once

#include "Properties.h"
#include "TalvexDriverDescriptor.h"
#include "TalvexDriverMotorConfigurationTraits.h"
#include "TalvexDriverConfigurationObserver.h"
#include "ObserverList.h"
#include "USBVersion.h"

#include <QByteArray>
#include <QPair>
#include <QVector>

// Step size, current, drive and the hold-current and inductance options: the payload of
// action 1, the reply of action 24.
class TalvexDriverMotorConfiguration
    : public TalvexDriverMotorConfigurationTraits
    , public Properties<TalvexDriverMotorConfigurationTraits>
{
public:
    enum Id
    {
        StepDegrees = 0,        // full-step size in degrees (double)
        MotorCurrent = 1,       // mA
        PayloadWord = 2,        // sent as it is, not edited
        DriveType = 3,          // 0 rotation, 1 linear translation
        Pitch = 4,              // mm per revolution (double)
        ReducedHoldCurrent = 5, // bool
        LowInductance = 6       // bool
    };

    // Each message is a text and its level (always 1).
    typedef QVector<QPair<QString, int>> ValidationMessages;

    typedef TalvexDriverConfigurationObserver<TalvexDriverMotorConfiguration> IChangeObserver;

    TalvexDriverMotorConfiguration();
    TalvexDriverMotorConfiguration(const QVector<quint8>& data, const TalvexDriverDescriptor& descriptor,
        const USBVersion& firmwareVersion);
    TalvexDriverMotorConfiguration(const TalvexDriverMotorConfiguration& other) = default;
    ~TalvexDriverMotorConfiguration() override;

    TalvexDriverMotorConfiguration& operator=(const TalvexDriverMotorConfiguration& other);

    QByteArray toByteArray(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion) const;

    // Corrects the current into the model's range and says why.
    virtual ValidationMessages validate(const TalvexDriverDescriptor& descriptor);

    // mA
    static int maximumCurrent(const TalvexDriverDescriptor& descriptor);
    static int minimumCurrent();
    static bool hasLowInductanceSetting(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion);

    using Properties<TalvexDriverMotorConfigurationTraits>::addObserver;
    using Properties<TalvexDriverMotorConfigurationTraits>::removeObserver;
    void addObserver(IChangeObserver* observer) { m_observers.add(observer); }
    void removeObserver(IChangeObserver* observer) { m_observers.remove(observer); }

    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;

private:
    ObserverList<IChangeObserver> m_observers;
};
