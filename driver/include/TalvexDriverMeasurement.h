#pragma once

#include "TalvexDriverDescriptor.h"

#include <QString>
#include <QVector>
#include <optional>

class USBICommRequest;

// The supply measurement read with action 21.
class TalvexDriverMeasurement
{
public:
    enum SupplyKind
    {
        NoPower = 0,
        NormalSupply = 1,
        NormalUSB = 2,
        ExternalUSB = 3
    };

    TalvexDriverMeasurement(const QVector<quint8>& data, const TalvexDriverDescriptor& descriptor);

    // The measurement that a request answered by a board of the model brought back; none when
    // the request was another command than the supply measurement. Called by the supply
    // monitor, which takes the replies of its own requests.
    static std::optional<TalvexDriverMeasurement> fromReply(const USBICommRequest& request,
        const TalvexDriverDescriptor& descriptor);

    // Volts and amperes.
    double supplyVoltage() const { return m_supplyVoltage; }
    double supplyCurrent() const { return m_supplyCurrent; }
    int getSupplyKind() const { return m_supplyKind; }
    QString supplyKindName() const;
    // The three leading words of the reply, kept as they came.
    quint16 getRawValue(int index) const { return m_rawValues[index]; }

private:
    double m_supplyVoltage = 0.0;
    double m_supplyCurrent = 0.0;
    quint16 m_rawValues[3] = {0, 0, 0};
    int m_supplyKind = NoPower;
};
