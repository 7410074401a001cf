#include "TalvexPlotSettings.h"

TalvexPlotSettings::TalvexPlotSettings()
{
    for (int id : {VoltageInverted, QuadratureInverted, EventsInverted, StepsInverted})
        setValue(id, false);
    for (int id : {VoltageFactor, QuadratureFactor, EventsFactor, StepsFactor})
        setValue(id, 1.0);
    for (int id : {VoltageOffset, QuadratureOffset, EventsOffset, StepsOffset})
        setValue(id, 0.0);
    setValue(QuadratureAsPhasor, false);
    setValue(StepsUnit, 1);
    setValue(ShowCursor1, true);
    setValue(ShowCursor2, true);
    setValue(Reserved, false);
}

void TalvexPlotSettings::read(QDataStream& in)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexPlotSettings", 70);
    const QMap<int, QVariant> values = readValueMap(in);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        setValue(it.key(), it.value());
    if (!values.contains(Reserved))
        setValue(Reserved, false);
}

StoredValueReader::Kind TalvexPlotSettings::storedKind(int id) const
{
    return id >= VoltageInverted && id <= Reserved ? StoredValueReader::Number : StoredValueReader::Absent;
}
