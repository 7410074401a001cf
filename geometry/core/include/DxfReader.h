#pragma once

#include "DxfPolyline.h"
#include "GeometryI2DCurve.h"

#include <QStringList>
#include <QVector>
#include <boost/shared_ptr.hpp>
#include <dl_creationadapter.h>

// Collects the lines, arcs, circles, ellipses and polylines that the dxflib parser reports, as
// curves in file order (z ignored). Other entities are not read; entities of block definitions
// are read in the block's own coordinates. One reader per import.
class DxfReader : public DL_CreationAdapter
{
public:
    DxfReader() = default;
    ~DxfReader() override;

    void addLine(const DL_LineData& data) override;
    void addArc(const DL_ArcData& data) override;
    void addCircle(const DL_CircleData& data) override;
    void addEllipse(const DL_EllipseData& data) override;
    void addPolyline(const DL_PolylineData& data) override;
    void addVertex(const DL_VertexData& data) override;
    void endEntity() override;
    void endSequence() override;

    const QVector<GeometryI2DCurvePtr>& curves() const { return m_curves; }
    const QStringList& messages() const { return m_messages; }
    // Entities left out because a number in them is not finite or a polyline has no vertex.
    int skippedEntityCount() const { return m_skippedEntityCount; }

private:
    void completePolyline();

    QVector<GeometryI2DCurvePtr> m_curves;
    QStringList m_messages;
    boost::shared_ptr<DxfPolyline> m_pendingPolyline;
    int m_skippedEntityCount = 0;
};
