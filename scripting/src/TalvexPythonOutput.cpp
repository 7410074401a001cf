#include "TalvexPythonOutput.h"

TalvexPythonOutput* TalvexPythonOutput::instance()
{
    static TalvexPythonOutput s_output;
    return &s_output;
}
