#include "DxfImporter.h"

#include "DxfCountCheck.h"
#include "DxfReader.h"
#include "Geometry2DTopologyBuilder.h"
#include "GeometryDocument.h"

#include <QDir>
#include <dl_dxf.h>
#include <exception>

namespace
{
constexpr double s_resolution = 0.01;
}

DxfImporter::DxfImporter(GeometryDocument* document) : m_document(document) {}

bool DxfImporter::importDxfFile(const QString& fileName, QStringList& messages)
{
    const QString shownName = QDir::toNativeSeparators(fileName);
    const std::string path = fileName.toUtf8().toStdString();
    const QString excess = DxfCountCheck::excessCount(path);
    if (!excess.isEmpty())
    {
        messages = QStringList{tr("The file %1 cannot be read: %2").arg(shownName, excess)};
        return false;
    }
    DxfReader reader;
    bool read = false;
    try
    {
        DL_Dxf dxf;
        read = dxf.in(path, &reader);
    }
    catch (const std::exception&)
    {
        read = false;
    }
    if (!read)
    {
        messages = QStringList{tr("The file %1 cannot be read.").arg(shownName)};
        return false;
    }

    Geometry2DTopologyBuilder builder;
    builder.build(reader.curves(), s_resolution);
    if (builder.edges().isEmpty())
    {
        messages = QStringList{tr("The file %1 holds no line, arc, circle, ellipse or polyline to import.").arg(shownName)};
        return false;
    }
    for (const Geometry2DEdgePtr& edge : builder.edges())
        m_document->addEdge(edge);

    messages = reader.messages();
    const int leftOut = reader.skippedEntityCount() + builder.droppedCurveCount();
    if (leftOut > 0)
        messages.append(tr("%n curve(s) of %1 were left out: shorter than 0.01, without vertices, "
                           "or with coordinates out of range.", nullptr, leftOut)
                            .arg(shownName));
    return true;
}
