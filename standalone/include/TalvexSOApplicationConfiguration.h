#pragma once

#include "Properties.h"
#include "TalvexSOApplicationConfigurationTraits.h"

// What kind of stand-alone application runs and its table-level settings.
class TalvexSOApplicationConfiguration : public TalvexSOApplicationConfigurationTraits,
                                         public Properties<TalvexSOApplicationConfigurationTraits>
{
public:
    TalvexSOApplicationConfiguration();

    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;
};
