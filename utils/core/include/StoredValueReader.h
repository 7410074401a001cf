#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

#include <functional>

class QDataStream;

// Reads what property sets and documents store, taking nothing on trust: a value's type is
// looked at before anything of it is decoded, so a file can neither make Qt build lists,
// polygons or date-times nor make a reader allocate more than a few kilobytes per value.
// Called by the readers of every stored record; throws StreamableUnexpectedContentsException.
class StoredValueReader
{
public:
    // What a stored id may hold.
    enum Kind
    {
        Absent, // an id the set never stores
        Number, // a number, a truth value or the text an input was given
        Text,
        Date
    };
    typedef std::function<Kind(int id)> KindOf;

    // The QMap<qint32, QVariant> that QDataStream writes (default stream version), with every
    // id's value of a type its kind allows; non-finite numbers and repeated ids are refused.
    static QMap<int, QVariant> readValueMap(QDataStream& in, const KindOf& kindOf);

    // A QString as QDataStream writes it, refused when longer than maximumLength characters.
    static QString readText(QDataStream& in, int maximumLength);

    // The GUID text a stored file begins with; anything else is refused as not a file of that kind.
    static void readHeader(QDataStream& in, const QString& header);

    // Longest text a stored value may hold (a file path, an entered number).
    static const int s_maximumTextLength = 32 * 1024;
    // Most values a stored set may hold; every set has a few dozen ids at most.
    static const quint32 s_maximumValueCount = 1024;
};
