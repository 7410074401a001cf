// DXF drawings as the XY geometry page imports them (DxfImporter into a GeometryDocument).
#include "DxfImporter.h"
#include "FuzzSupport.h"
#include "GeometryDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString drawing = FuzzSupport::scratchFile(QStringLiteral("drawing.dxf"), data, size);
    GeometryDocument document;
    QStringList messages;
    const bool imported = DxfImporter(&document).importDxfFile(drawing, messages);
    // A refused drawing leaves the document as it was; an imported one adds edges.
    if (imported == document.edges().isEmpty())
        FuzzSupport::fail(imported ? "an import that succeeded added no edge" : "a refused import changed the document");
    return 0;
}
