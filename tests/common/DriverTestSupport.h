#pragma once

#include "TalvexDriverDescriptor.h"
#include "USBVersion.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVector>

Q_DECLARE_METATYPE(TalvexDriverDescriptor)
Q_DECLARE_METATYPE(USBVersion)

// Bytes written as in a protocol trace: "00 C8 E8".
inline QVector<quint8> hexBytes(const QString& text)
{
    QVector<quint8> bytes;
    const QByteArray raw = QByteArray::fromHex(text.toLatin1());
    for (char c : raw)
        bytes.append(quint8(c));
    return bytes;
}

inline QString hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

inline QString hexText(const QVector<quint8>& bytes)
{
    return hexText(QByteArray(reinterpret_cast<const char*>(bytes.constData()), bytes.size()));
}

inline QString modelName(const TalvexDriverDescriptor& descriptor)
{
    return QStringLiteral("(%1,%2)").arg(descriptor.getProductCode()).arg(descriptor.getRevision());
}
