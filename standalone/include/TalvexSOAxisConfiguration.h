#pragma once

#include "Properties.h"
#include "TalvexSOAxisConfigurationTraits.h"

// Settings common to all axes of a stand-alone configuration: three integers (ids 1 to 3)
// that nothing shows yet but every file carries.
class TalvexSOAxisConfiguration : public TalvexSOAxisConfigurationTraits,
                                  public Properties<TalvexSOAxisConfigurationTraits>
{
public:
    TalvexSOAxisConfiguration();

    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;
};
