// The stream reader of every stored record: the first byte picks the record, the rest is
// its stream.
#include "FuzzSupport.h"
#include "TalvexDriverAdvancedMotorMoveConfiguration.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexDriverSamplingConfiguration.h"
#include "TalvexGlobalSettings.h"
#include "TalvexPlotSettings.h"
#include "TalvexSOApplicationConfiguration.h"
#include "TalvexSOAxisConfiguration.h"
#include "TalvexSONullAxis.h"

namespace
{
template <class Record>
void fuzzRecord(const QByteArray& bytes)
{
    Record record;
    if (FuzzSupport::readInto(bytes, record))
    {
        Record again;
        FuzzSupport::checkSavedAgain(record, again);
    }
}

// The global settings load the user's store when made: made once.
void fuzzGlobalSettings(const QByteArray& bytes)
{
    static TalvexGlobalSettings s_settings;
    static TalvexGlobalSettings s_again;
    if (FuzzSupport::readInto(bytes, s_settings))
        FuzzSupport::checkSavedAgain(s_settings, s_again);
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes = FuzzSupport::bytesOf(data + 1, size - 1);
    switch (data[0] % 12)
    {
    case 0:
        fuzzRecord<TalvexDriverMotionConfiguration>(bytes);
        break;
    case 1:
        fuzzRecord<TalvexDriverMotorConfiguration>(bytes);
        break;
    case 2:
        fuzzRecord<TalvexDriverSamplingConfiguration>(bytes);
        break;
    case 3:
        fuzzRecord<TalvexDriverMotorMoveConfiguration>(bytes);
        break;
    case 4:
        fuzzRecord<TalvexDriverInputConfiguration>(bytes);
        break;
    case 5:
        fuzzRecord<TalvexPlotSettings>(bytes);
        break;
    case 6:
        fuzzRecord<TalvexDriverPWMSettings>(bytes);
        break;
    case 7:
        fuzzRecord<TalvexDriverAdvancedMotorMoveConfiguration>(bytes);
        break;
    case 8:
        fuzzGlobalSettings(bytes);
        break;
    case 9:
        fuzzRecord<TalvexSOApplicationConfiguration>(bytes);
        break;
    case 10:
        fuzzRecord<TalvexSOAxisConfiguration>(bytes);
        break;
    default:
        fuzzRecord<TalvexSONullAxis>(bytes);
        break;
    }
    return 0;
}
