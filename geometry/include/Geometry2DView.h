#pragma once

#include "GeometryDocument.h"
#include "GeometrySelection.h"

#include <QGraphicsView>
#include <QList>
#include <QMap>
#include <QPen>

class QGraphicsPathItem;
class QGraphicsRectItem;

// Draws a geometry document with the model's y axis up over a grid that follows the zoom, with
// the machine's work area shaded; selected edges and curves in red. Wheel zooms about the
// cursor, out no further than the drawing filling a tenth of the view (or the whole scene in
// view), in no further than a tenth of a unit across; the middle button pans. One view per geometry page, GUI thread only; it follows the
// document and the selection until they tell it of their destruction.
class Geometry2DView : public QGraphicsView, public GeometryDocument::IObserver, public GeometrySelection::IObserver
{
    Q_OBJECT

public:
    // The selection may be null. Shows the edges the document already holds.
    Geometry2DView(GeometryDocument* document, GeometrySelection* selection);
    ~Geometry2DView() override;

    // Shades the area (model coordinates) under the curves and fits it into the view with a
    // margin of 10 units; an area of width and height 0 removes the shading and keeps the zoom.
    void setAreaRect(const QRectF& area);

    void edgeAdded(Geometry2DEdgePtr edge) override;
    void documentCleared(GeometryDocument* document) override;
    void modificationChanged(bool modified) override;
    void documentDestroyed(GeometryDocument* document) override;

    void edgeSelected(Geometry2DEdgePtr edge) override;
    void edgeDeselected(Geometry2DEdgePtr edge) override;
    void curveSelected(GeometryI2DCurvePtr curve) override;
    void curveDeselected(GeometryI2DCurvePtr curve) override;
    void selectionDestroyed(GeometrySelection* selection) override;

    // The drawing resources shared by all views.
    static const QPen& geometryPen();
    static const QPen& geometryHighlightPen();
    static const QBrush& geometryMarkerBrush();
    // The grid spacing for a visible region whose larger side is `size` scene units.
    static double gridStep(double size);

protected:
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Keeps the area fitted while the view takes its size, until the user zooms or pans.
    void resizeEvent(QResizeEvent* event) override;

private:
    enum PanState
    {
        Idle = 0,
        Panning = 1
    };

    void setEdgePen(const Geometry2DEdgePtr& edge, const QPen& pen);
    void setCurvePen(const GeometryI2DCurvePtr& curve, const QPen& pen);
    // Moves the view so that the scene point `before` lies under the view position `at` again.
    void keepUnder(const QPointF& before, const QPoint& at);
    void fitArea();

    GeometryDocument* m_pDocument;
    GeometrySelection* m_pSelection;
    QGraphicsScene* m_pScene;
    QRectF m_area;
    QGraphicsRectItem* m_pAreaItem = nullptr;
    // True from setAreaRect until the user first zooms or pans.
    bool m_areaFitted = false;
    QMap<Geometry2DEdgePtr, QList<QGraphicsPathItem*>> m_edgeItems;
    QMap<QGraphicsPathItem*, Geometry2DEdgePtr> m_itemEdges;
    QMap<GeometryI2DCurvePtr, QGraphicsPathItem*> m_curveItems;
    QMap<QGraphicsPathItem*, GeometryI2DCurvePtr> m_itemCurves;
    PanState m_panState = Idle;
    QPoint m_lastPanPosition;
};
