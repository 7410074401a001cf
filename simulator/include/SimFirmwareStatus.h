#pragma once

#include <QtGlobal>

// The status bytes the simulated main firmware answers with.
namespace SimFirmwareStatus
{
const quint8 s_ok = 0;
const quint8 s_notRecognised = 1;
const quint8 s_busy = 100;
const quint8 s_turnedOff = 101;
const quint8 s_atStart = 106;
const quint8 s_atEnd = 107;
const quint8 s_bothLimits = 109;
const quint8 s_measuring = 110;
const quint8 s_motionOutOfRange = 200;
const quint8 s_motorOutOfRange = 201;
const quint8 s_interfaceOutOfRange = 202;
}
