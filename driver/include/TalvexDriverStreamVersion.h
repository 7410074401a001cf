#pragma once

#include <QDataStream>
#include <initializer_list>

// Reads the version that a stored record begins with and throws StreamableVersionException
// (with the reader's source name and line) when it is none of the known ones.
qint32 readStreamVersion(QDataStream& in, std::initializer_list<qint32> known, const char* sourceFile, int line);
