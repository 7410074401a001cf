#include "TalvexDriverMeasurement.h"

#include "TalvexDriverCommRequest.h"
#include "TalvexDriverModel.h"
#include "USBByteHelpers.h"
#include "USBICommRequest.h"

TalvexDriverMeasurement::TalvexDriverMeasurement(const QVector<quint8>& data, const TalvexDriverDescriptor& descriptor)
{
    const double countsPerAmpere = TalvexDriverModel::supplyCurrentCountsPerAmpere(descriptor);
    if (TalvexDriverModel::isUSBPowered(descriptor))
    {
        // A USB-powered board: it reports where its power comes from and its current.
        Q_ASSERT_X(data.count() == 9, "src\\TalvexDriverMeasurement", "data.count() == 9");
        if (data.count() != 9)
            return;
        for (int i = 0; i < 3; ++i)
            m_rawValues[i] = readUInt16(data, 2 * i);
        m_supplyKind = data[6] == 1 ? NormalUSB : data[6] == 2 ? ExternalUSB : NoPower;
        m_supplyCurrent = readUInt16(data, 7) / countsPerAmpere;
        m_supplyVoltage = m_supplyKind != NoPower ? 16.0 : 0.0;
        return;
    }
    const bool known = TalvexDriverModel::isKnown(descriptor);
    Q_ASSERT_X(known, "src\\TalvexDriverMeasurement", "0");
    Q_ASSERT_X(data.count() == 10, "src\\TalvexDriverMeasurement", "data.count() == 10");
    if (!known || data.count() != 10)
        return;
    for (int i = 0; i < 3; ++i)
        m_rawValues[i] = readUInt16(data, 2 * i);
    const double voltage = qint16(readUInt16(data, 6)) * 0.1;
    const double current = qint16(readUInt16(data, 8)) / countsPerAmpere;
    m_supplyVoltage = voltage < 0.05 ? 0.0 : voltage;
    m_supplyCurrent = current < 0.005 ? 0.0 : current;
    m_supplyKind = NormalSupply;
}

std::optional<TalvexDriverMeasurement> TalvexDriverMeasurement::fromReply(const USBICommRequest& request,
    const TalvexDriverDescriptor& descriptor)
{
    // Every action the model lacks has opcode 0, so a model without the measurement has none.
    const quint8 opcode = TalvexDriverCommRequest::commandCode(descriptor, TalvexDriverCommRequest::MeasureSupply);
    if (opcode == 0 || request.getCommand() != opcode)
        return std::nullopt;
    return TalvexDriverMeasurement(request.getReplyData(), descriptor);
}

QString TalvexDriverMeasurement::supplyKindName() const
{
    switch (m_supplyKind)
    {
    case NormalUSB:
        return QStringLiteral("Normal USB");
    case ExternalUSB:
        return QStringLiteral("Ext USB");
    default:
        return QStringLiteral("No power");
    }
}
