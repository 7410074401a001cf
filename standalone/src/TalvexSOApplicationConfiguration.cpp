#include "TalvexSOApplicationConfiguration.h"

#include "StreamableVersionException.h"

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
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexSOApplicationConfiguration", 64);
    Properties::read(in);
}

StoredValueReader::Kind TalvexSOApplicationConfiguration::storedKind(int id) const
{
    const bool known = id == ApplicationType || id == Speed || id == TableSizeX || id == TableSizeY;
    return known ? StoredValueReader::Number : StoredValueReader::Absent;
}
