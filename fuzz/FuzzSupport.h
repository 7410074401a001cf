#pragma once

#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"

#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

// What the fuzz targets share: the oracle for stored files.
namespace FuzzSupport
{
// A finding that is no crash: said on stderr, then the fuzzer is stopped with the input.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), int(size));
}

// A folder of the target's own for readers that take a file name; removed at exit.
inline const QTemporaryDir& scratchFolder()
{
    static const QTemporaryDir s_folder;
    return s_folder;
}

// The input as the file of that name in the scratch folder; its path.
inline QString scratchFile(const QString& name, const uint8_t* data, size_t size)
{
    const QString path = scratchFolder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytesOf(data, size)) != qint64(size))
        fail("cannot write the input to the scratch folder");
    return path;
}

template <class Value>
QByteArray written(const Value& value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << value;
    return bytes;
}

// Reads the bytes into the value; true when it took them. A reader may refuse with one of
// its two stream exceptions and nothing else.
template <class Value>
bool readInto(const QByteArray& bytes, Value& value)
{
    QDataStream in(bytes);
    try
    {
        in >> value;
        return true;
    }
    catch (const StreamableUnexpectedContentsException&)
    {
    }
    catch (const StreamableVersionException&)
    {
    }
    return false;
}

// Whatever loaded saves, and what it saved loads again (into a second value, which the saved
// form must cover whole) and saves to the same bytes.
template <class Value>
void checkSavedAgain(const Value& loaded, Value& again)
{
    const QByteArray saved = written(loaded);
    if (!readInto(saved, again))
        fail("what was loaded does not load again once saved");
    if (written(again) != saved)
        fail("what was loaded saves differently after a second load");
}
}
