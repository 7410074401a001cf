// A ".tso" stand-alone configuration file.
#include "FuzzSupport.h"
#include "TalvexSODocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TalvexSODocument document;
    if (FuzzSupport::readInto(FuzzSupport::bytesOf(data, size), document))
    {
        TalvexSODocument again;
        FuzzSupport::checkSavedAgain(document, again);
    }
    return 0;
}
