#include "StoredValueReader.h"

#include "StreamableUnexpectedContentsException.h"

#include <QDataStream>
#include <QDate>
#include <QIODevice>
#include <QtEndian>

#include <cmath>

namespace
{
[[noreturn]] void refuse(const QString& what)
{
    throw StreamableUnexpectedContentsException(
        QStringLiteral("%1. The file is corrupted or not a configuration file.").arg(what));
}

template <class T>
T readPlain(QDataStream& in)
{
    T value{};
    in >> value;
    StreamableUnexpectedContentsException::checkStatus(in);
    return value;
}

double readFinite(QDataStream& in, int id)
{
    const double number = readPlain<double>(in);
    if (!std::isfinite(number))
        refuse(QStringLiteral("Property %1 holds a number that is not finite").arg(id));
    return number;
}

bool allows(StoredValueReader::Kind kind, int type)
{
    // No value at all (an empty input's, a copied absent one's) fits every id and holds nothing.
    if (type == QMetaType::UnknownType)
        return kind != StoredValueReader::Absent;
    switch (kind)
    {
    case StoredValueReader::Number:
        return type == QMetaType::Bool || type == QMetaType::Int || type == QMetaType::UInt
            || type == QMetaType::LongLong || type == QMetaType::ULongLong || type == QMetaType::Double
            || type == QMetaType::Float || type == QMetaType::QString;
    case StoredValueReader::Text:
        return type == QMetaType::QString;
    case StoredValueReader::Date:
        return type == QMetaType::QDate;
    case StoredValueReader::Absent:
        break;
    }
    return false;
}

// The value of a type allows() accepted, decoded as QVariant would.
QVariant readValue(QDataStream& in, int type, int id)
{
    switch (type)
    {
    case QMetaType::Bool:
        return readPlain<bool>(in);
    case QMetaType::Int:
        return readPlain<qint32>(in);
    case QMetaType::UInt:
        return readPlain<quint32>(in);
    case QMetaType::LongLong:
        return readPlain<qint64>(in);
    case QMetaType::ULongLong:
        return readPlain<quint64>(in);
    case QMetaType::Double:
        return readFinite(in, id);
    case QMetaType::Float:
    {
        // A float travels as the stream's floating-point precision says, as Qt writes it.
        const float number = readPlain<float>(in);
        if (!std::isfinite(number))
            refuse(QStringLiteral("Property %1 holds a number that is not finite").arg(id));
        return number;
    }
    case QMetaType::QString:
        return StoredValueReader::readText(in, StoredValueReader::s_maximumTextLength);
    case QMetaType::QDate:
        return readPlain<QDate>(in);
    case QMetaType::UnknownType:
        break;
    }
    return QVariant();
}
}

QMap<int, QVariant> StoredValueReader::readValueMap(QDataStream& in, const KindOf& kindOf)
{
    const quint32 count = readPlain<quint32>(in);
    if (count > s_maximumValueCount)
        refuse(QStringLiteral("A property set claims %1 values").arg(count));
    QMap<int, QVariant> values;
    for (quint32 i = 0; i < count; ++i)
    {
        const qint32 id = readPlain<qint32>(in);
        const quint32 type = readPlain<quint32>(in);
        readPlain<qint8>(in); // the null flag: every accepted type carries its value anyway
        const Kind kind = kindOf(id);
        if (kind == Absent)
            refuse(QStringLiteral("Unknown property %1").arg(id));
        if (!allows(kind, int(type)))
            refuse(QStringLiteral("Property %1 holds a value of type %2 it cannot have").arg(id).arg(type));
        if (values.contains(id))
            refuse(QStringLiteral("Property %1 is stored twice").arg(id));
        values.insert(id, readValue(in, int(type), id));
    }
    return values;
}

QString StoredValueReader::readText(QDataStream& in, int maximumLength)
{
    const quint32 bytes = readPlain<quint32>(in);
    if (bytes == 0xFFFFFFFF)
        return QString();
    // More than the stream holds is a truncated stream, whatever the limit.
    const QIODevice* device = in.device();
    if (device && !device->isSequential() && qint64(bytes) > device->bytesAvailable())
    {
        in.setStatus(QDataStream::ReadPastEnd);
        StreamableUnexpectedContentsException::checkStatus(in);
    }
    if (bytes % 2 != 0 || bytes / 2 > quint32(maximumLength))
        refuse(QStringLiteral("A text claims %1 bytes").arg(bytes));
    QString text(int(bytes / 2), Qt::Uninitialized);
    in.readRawData(reinterpret_cast<char*>(text.data()), int(bytes));
    StreamableUnexpectedContentsException::checkStatus(in);
    if (in.byteOrder() == QDataStream::BigEndian)
        qFromBigEndian<ushort>(text.data(), text.size(), text.data());
    else
        qFromLittleEndian<ushort>(text.data(), text.size(), text.data());
    return text;
}

void StoredValueReader::readHeader(QDataStream& in, const QString& header)
{
    bool matches = false;
    try
    {
        matches = readText(in, header.size()) == header;
    }
    catch (const StreamableUnexpectedContentsException&)
    {
    }
    if (!matches)
        throw StreamableUnexpectedContentsException(
            "Unexpected file header. The file is corrupted or not a configuration file.");
}
