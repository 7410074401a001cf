#pragma once

#include "Properties.h"
#include "TalvexDriverDescriptor.h"
#include "TalvexDriverMotionConfigurationTraits.h"
#include "TalvexDriverConfigurationObserver.h"
#include "ObserverList.h"

#include <QByteArray>
#include <QPair>
#include <QSet>
#include <QVector>

// Micro-stepping, velocities and acceleration: the payload of action 0, the reply of action 23.
class TalvexDriverMotionConfiguration
    : public TalvexDriverMotionConfigurationTraits
    , public Properties<TalvexDriverMotionConfigurationTraits>
{
public:
    enum Id
    {
        MicroStepping = 0,            // n: 2^n micro-steps per full step
        Velocity = 1,                 // full steps per second
        Acceleration = 2,             // tenths of full steps per second squared (unsigned)
        AccelerationMethod = 3,       // 0 step, 1 trapezoidal
        SeparateBackwardVelocity = 4, // bool
        BackwardVelocity = 5,         // full steps per second
        StoredFlag = 6                // kept in files only, never sent
    };

    // Each message is a text and its level (always 1).
    typedef QVector<QPair<QString, int>> ValidationMessages;

    typedef TalvexDriverConfigurationObserver<TalvexDriverMotionConfiguration> IChangeObserver;

    TalvexDriverMotionConfiguration();
    TalvexDriverMotionConfiguration(const QVector<quint8>& data, const TalvexDriverDescriptor& descriptor);
    TalvexDriverMotionConfiguration(const TalvexDriverMotionConfiguration& other) = default;
    ~TalvexDriverMotionConfiguration() override;

    TalvexDriverMotionConfiguration& operator=(const TalvexDriverMotionConfiguration& other);

    QByteArray toByteArray(const TalvexDriverDescriptor& descriptor) const;

    // Corrects values the model cannot run and says why, to the caller and to the property observers.
    virtual ValidationMessages validate(const TalvexDriverDescriptor& descriptor);

    double microSteppingFactor() const;
    static QSet<int> supportedMicroSteppings(const TalvexDriverDescriptor& descriptor);

    using Properties<TalvexDriverMotionConfigurationTraits>::addObserver;
    using Properties<TalvexDriverMotionConfigurationTraits>::removeObserver;
    void addObserver(IChangeObserver* observer) { m_observers.add(observer); }
    void removeObserver(IChangeObserver* observer) { m_observers.remove(observer); }

    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;

private:
    void validateVelocity(int id, const TalvexDriverDescriptor& descriptor, ValidationMessages& messages);
    void validateAcceleration(int velocity, ValidationMessages& messages);
    void correct(int id, const QVariant& value, const QString& text, ValidationMessages& messages);

    ObserverList<IChangeObserver> m_observers;
};
