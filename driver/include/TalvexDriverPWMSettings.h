#pragma once

#include "Properties.h"
#include "TalvexDriverDescriptor.h"
#include "TalvexDriverPWMSettingsTraits.h"
#include "USBVersion.h"

#include <QByteArray>
#include <QVector>

// Duty cycles, their limits and the modes of the two PWM outputs: the payload of action 5,
// the reply of action 28. A duty cycle never stays above its limit.
class TalvexDriverPWMSettings
    : public TalvexDriverPWMSettingsTraits
    , public Properties<TalvexDriverPWMSettingsTraits>
{
public:
    enum Id
    {
        PWM1DutyCycle = 0, // percent
        PWM1DutyCycleLimit = 1,
        PWM1Mode = 2, // PWM out or step out
        PWM2DutyCycle = 3,
        PWM2DutyCycleLimit = 4,
        PWM2Mode = 5
    };

    TalvexDriverPWMSettings();
    TalvexDriverPWMSettings(const QVector<quint8>& data, const TalvexDriverDescriptor& descriptor,
        const USBVersion& firmwareVersion);

    QByteArray toByteArray(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion) const;

    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;
    void valueChanged(int id) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;

private:
    void applyLimits();

    // While a stored record is read, a limit may not have arrived yet: the duty cycles are
    // clamped only once the record is complete.
    bool m_limitsSuspended = false;
};
