#include "ManifestInflate.h"

#include "UpdateConstants.h"

#include <QIODevice>
#include <QLocale>

#include <zlib.h>

#include <vector>

namespace
{
const int s_chunkSize = 64 * 1024;
const int s_lengthSize = 4;
}

QByteArray inflateManifest(QIODevice& compressed, QString* reason)
{
    if (reason)
        reason->clear();
    const qint64 bound = UpdateConstants::maxManifestSize();
    if (compressed.read(s_lengthSize).size() != s_lengthSize)
        return QByteArray();
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK)
        return QByteArray();
    std::vector<char> input(s_chunkSize);
    std::vector<char> output(s_chunkSize);
    QByteArray plain;
    int status = Z_OK;
    while (status == Z_OK)
    {
        if (stream.avail_in == 0)
        {
            const qint64 count = compressed.read(input.data(), s_chunkSize);
            if (count <= 0)
                break;
            stream.next_in = reinterpret_cast<Bytef*>(input.data());
            stream.avail_in = uInt(count);
        }
        stream.next_out = reinterpret_cast<Bytef*>(output.data());
        stream.avail_out = uInt(s_chunkSize);
        status = inflate(&stream, Z_NO_FLUSH);
        const qint64 produced = s_chunkSize - stream.avail_out;
        if (plain.size() + produced > bound)
        {
            if (reason)
                *reason = manifestTooLargeText();
            status = Z_DATA_ERROR;
            break;
        }
        plain.append(output.data(), int(produced));
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? plain : QByteArray();
}

qint64 maxStoredManifestSize()
{
    return s_lengthSize + qint64(compressBound(uLong(UpdateConstants::maxManifestSize())));
}

QString manifestTooLargeText()
{
    return QStringLiteral("The update manifest is larger than %1 when decompressed.")
        .arg(QLocale::c().formattedDataSize(UpdateConstants::maxManifestSize(), 0));
}
