#pragma once

#include <QString>

// One file of an update: its name without extension, whether it is a program, and the CRC-32
// of the unpacked file.
struct UpdaterFileEntry
{
    QString name;
    bool executable = false;
    quint32 checksum = 0;
};
