#include "TalvexAxisKinds.h"

#include "TalvexSOAxisFactory.h"
#include "TalvexSOTalvexPelmoraAxis.h"

void TalvexAxisKinds::registerAll()
{
    TalvexSOAxisFactory::instance().registerKind<TalvexSOTalvexPelmoraAxis>();
}
