#pragma once

#include "Properties.h"
#include "TalvexDriverAdvancedMotorMoveConfigurationTraits.h"
#include "TalvexDriverConfigurationObserver.h"
#include "ObserverList.h"

#include <QByteArray>
#include <QVector>

// Backlash compensation and the home search: the payload of action 6, the reply of action 27.
class TalvexDriverAdvancedMotorMoveConfiguration
    : public TalvexDriverAdvancedMotorMoveConfigurationTraits
    , public Properties<TalvexDriverAdvancedMotorMoveConfigurationTraits>
{
public:
    enum Id
    {
        BacklashCompensation = 0, // bool
        BacklashDirection = 1,    // zero-backlash direction: 0 positive, 1 negative
        BacklashSteps = 2,        // full steps
        HomePosition = 3,         // 1 at the start limit, 2 at the end limit
        AccurateHomeSearch = 4,   // bool: search the limit again at the slow velocity
        ZeroAtHome = 5,           // bool
        HomeFastVelocity = 6,     // full steps per second
        HomeSlowVelocity = 7      // full steps per second
    };

    typedef TalvexDriverConfigurationObserver<TalvexDriverAdvancedMotorMoveConfiguration> IChangeObserver;

    TalvexDriverAdvancedMotorMoveConfiguration();
    explicit TalvexDriverAdvancedMotorMoveConfiguration(const QVector<quint8>& data);
    TalvexDriverAdvancedMotorMoveConfiguration(const TalvexDriverAdvancedMotorMoveConfiguration& other) = default;
    ~TalvexDriverAdvancedMotorMoveConfiguration() override;

    TalvexDriverAdvancedMotorMoveConfiguration& operator=(const TalvexDriverAdvancedMotorMoveConfiguration& other);

    QByteArray toByteArray() const;

    using Properties<TalvexDriverAdvancedMotorMoveConfigurationTraits>::addObserver;
    using Properties<TalvexDriverAdvancedMotorMoveConfigurationTraits>::removeObserver;
    void addObserver(IChangeObserver* observer) { m_observers.add(observer); }
    void removeObserver(IChangeObserver* observer) { m_observers.remove(observer); }

    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;

private:
    ObserverList<IChangeObserver> m_observers;
};
