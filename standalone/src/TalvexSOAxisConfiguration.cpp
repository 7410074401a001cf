#include "TalvexSOAxisConfiguration.h"

#include "StreamableVersionException.h"

TalvexSOAxisConfiguration::TalvexSOAxisConfiguration()
{
    for (int id = 1; id <= 3; ++id)
        setValue(id, 0);
}

void TalvexSOAxisConfiguration::write(QDataStream& out) const
{
    out << qint32(1);
    Properties::write(out);
}

void TalvexSOAxisConfiguration::read(QDataStream& in)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexSOAxisConfiguration", 80);
    Properties::read(in);
}

StoredValueReader::Kind TalvexSOAxisConfiguration::storedKind(int id) const
{
    return id >= 1 && id <= 3 ? StoredValueReader::Number : StoredValueReader::Absent;
}
