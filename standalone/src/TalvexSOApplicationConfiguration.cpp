#include "TalvexSOApplicationConfiguration.h"

#include "TalvexSOStreamVersion.h"

TalvexSOApplicationConfiguration::TalvexSOApplicationConfiguration()
{
    setValue(ApplicationType, 0);
    setValue(Speed, 50.0);
    setValue(TableSizeX, 1000.0);
    setValue(TableSizeY, 1000.0);
}

void TalvexSOApplicationConfiguration::write(QDataStream& out) const
{
    out << qint32(1);
    Properties::write(out);
}

void TalvexSOApplicationConfiguration::read(QDataStream& in)
{
    TalvexSOStreamVersion::readVersion1(in, "src\\TalvexSOApplicationConfiguration", 64);
    Properties::read(in);
}
