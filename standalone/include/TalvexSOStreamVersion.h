#pragma once

#include <QString>

class QDataStream;

// Every stored stand-alone object begins with a qint32 version of its own, and all of them
// know only version 1. Reads it and throws on a truncated stream or on any other version.
namespace TalvexSOStreamVersion
{
void readVersion1(QDataStream& in, const QString& sourceFile, int line);
}
