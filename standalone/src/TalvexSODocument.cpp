#include "TalvexSODocument.h"

#include "StreamableUnexpectedContentsException.h"
#include "TalvexSOAxisFactory.h"
#include "TalvexSONullAxis.h"
#include "StreamableVersionException.h"
#include "StoredValueReader.h"

#include <QDataStream>

namespace
{
const QString s_fileHeader = QStringLiteral("D6417D12-C4F6-4DB8-BFD0-C612179DE216");
// Every count and size in the file is bounded by the data that follows it, or by this.
const int s_maximumTypeNameLength = 256;
}

TalvexSODocument::TalvexSODocument()
{
    for (int axisNumber = 1; axisNumber <= 3; ++axisNumber)
        m_axes.insert(axisNumber, boost::shared_ptr<TalvexSOIAxis>(new TalvexSONullAxis));
}

boost::shared_ptr<TalvexSOIAxis> TalvexSODocument::axis(int axisNumber) const
{
    Q_ASSERT_X(m_axes.contains(axisNumber), "src\\TalvexSODocument", "m_axes.contains(axisNumber)");
    return m_axes.value(axisNumber);
}

void TalvexSODocument::setAxis(int axisNumber, const boost::shared_ptr<TalvexSOIAxis>& axis)
{
    m_axes.insert(axisNumber, axis);
}

void TalvexSODocument::write(QDataStream& out) const
{
    out << s_fileHeader << qint32(1);
    m_applicationConfiguration.write(out);
    m_axisConfiguration.write(out);
    out << qint32(m_axes.size());
    for (auto it = m_axes.constBegin(); it != m_axes.constEnd(); ++it)
    {
        out << qint32(it.key()) << it.value()->typeName();
        it.value()->write(out);
    }
}

void TalvexSODocument::read(QDataStream& in)
{
    StoredValueReader::readHeader(in, s_fileHeader);
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexSODocument", 117);

    // Read into a copy and take it over only when all of it was read, so a damaged file
    // never leaves a half-read document behind.
    TalvexSODocument loaded(*this);
    loaded.m_applicationConfiguration.read(in);
    loaded.m_axisConfiguration.read(in);

    qint32 count = 0;
    in >> count;
    StreamableUnexpectedContentsException::checkStatus(in);
    for (qint32 i = 0; i < count; ++i)
    {
        qint32 axisNumber = 0;
        in >> axisNumber;
        StreamableUnexpectedContentsException::checkStatus(in);
        const QString typeName = StoredValueReader::readText(in, s_maximumTypeNameLength);
        const boost::shared_ptr<TalvexSOIAxis> axis = TalvexSOAxisFactory::instance().create(typeName);
        if (!axis)
            throw StreamableUnexpectedContentsException(
                QString("Unknown axis type \"%1\" for axis %2. The file is corrupted or not a configuration file.")
                    .arg(typeName)
                    .arg(axisNumber));
        axis->read(in);
        loaded.m_axes.insert(axisNumber, axis);
    }

    m_applicationConfiguration = loaded.m_applicationConfiguration;
    m_axisConfiguration = loaded.m_axisConfiguration;
    m_axes = loaded.m_axes;
}

QDataStream& operator<<(QDataStream& out, const TalvexSODocument& document)
{
    document.write(out);
    return out;
}

QDataStream& operator>>(QDataStream& in, TalvexSODocument& document)
{
    document.read(in);
    return in;
}
