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
    qint32 version = 0;
    in >> version;
    StreamableUnexpectedContentsException::checkStatus(in);
    if (version != 1)
        throw StreamableVersionException("src\\TalvexPlotSettings", 70, version);
    QMap<int, QVariant> values;
    in >> values;
    StreamableUnexpectedContentsException::checkStatus(in);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        setValue(it.key(), it.value());
    if (!values.contains(Reserved))
        setValue(Reserved, false);
}
