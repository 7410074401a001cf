#include "TalvexDriverBytes.h"

QByteArray bytesToByteArray(const QVector<quint8>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.constData()), bytes.size());
}

QVector<quint8> byteArrayToBytes(const QByteArray& bytes)
{
    QVector<quint8> result(bytes.size());
    for (int i = 0; i < bytes.size(); ++i)
        result[i] = quint8(bytes.at(i));
    return result;
}
