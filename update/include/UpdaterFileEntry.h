#pragma once

#include <QString>

// One file of an update: its name without extension, whether it is a program, and the CRC-32
// of the unpacked file.
struct UpdaterFileEntry
{
    QString name;
    bool executable = false;
    quint32 checksum = 0;

    // A plain file name: a name from a manifest cannot make us touch files outside the update
    // data folder or the program's folder.
    bool hasPlainName() const
    {
        return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
            && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
    }
};
