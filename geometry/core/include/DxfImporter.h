#pragma once

#include <QCoreApplication>
#include <QStringList>

class GeometryDocument;

// Imports a DXF drawing into a geometry document: reads its curves, joins them into edges at a
// resolution of 0.01 drawing units and adds the edges, closed ones first. The XY geometry page
// calls it from the GUI thread; the document is not owned.
class DxfImporter
{
    Q_DECLARE_TR_FUNCTIONS(DxfImporter)

public:
    explicit DxfImporter(GeometryDocument* document);

    // False, with the reason in `messages` and the document unchanged, when the file cannot be
    // read or holds no curve that makes an edge. True once the edges are added; `messages` then
    // names the curves that were left out, if any.
    bool importDxfFile(const QString& fileName, QStringList& messages);

private:
    GeometryDocument* m_document;
};
