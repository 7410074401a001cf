// A ".tcf" device configuration file, as the Home tab opens it.
#include "FuzzSupport.h"
#include "TalvexDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Documents load the user's settings when made: made once.
    static TalvexDocument s_document;
    static TalvexDocument s_again;
    if (FuzzSupport::readInto(FuzzSupport::bytesOf(data, size), s_document))
        FuzzSupport::checkSavedAgain(s_document, s_again);
    return 0;
}
