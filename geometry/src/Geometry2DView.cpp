#include "Geometry2DView.h"

#include <QGraphicsPathItem>
#include <QGraphicsRectItem>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace
{
// Model to scene: y points up in the model and down in the scene.
const QTransform s_flipY(1, 0, 0, -1, 0, 0);
// One wheel event zooms out at most by half, as a delta of 1000 zooms in by two.
const double s_smallestWheelFactor = 0.5;
// Zoomed in all the way, the view still shows the finest grid step across.
const double s_finestVisibleSize = 0.1;
// Zoomed out all the way, the drawing still fills this share of the view (unless the whole
// scene is in view before).
const double s_smallestDrawingShare = 0.1;

QPen cosmeticPen(const QColor& colour, Qt::PenStyle style)
{
    return QPen(QBrush(colour, Qt::SolidPattern), 0, style, Qt::SquareCap, Qt::BevelJoin);
}
}

const QPen& Geometry2DView::geometryPen()
{
    static const QPen pen = cosmeticPen(Qt::black, Qt::SolidLine);
    return pen;
}

const QPen& Geometry2DView::geometryHighlightPen()
{
    static const QPen pen = cosmeticPen(Qt::red, Qt::SolidLine);
    return pen;
}

const QBrush& Geometry2DView::geometryMarkerBrush()
{
    static const QBrush brush(QColor(255, 100, 100, 50), Qt::SolidPattern);
    return brush;
}

double Geometry2DView::gridStep(double size)
{
    if (size > 50000)
        return 10000;
    if (size > 5000)
        return 1000;
    if (size > 500)
        return 100;
    if (size > 50)
        return 10;
    if (size > 5)
        return 1;
    return 0.1;
}

Geometry2DView::Geometry2DView(GeometryDocument* document, GeometrySelection* selection)
    : m_pDocument(document), m_pSelection(selection), m_pScene(new QGraphicsScene(this))
{
    m_pDocument->addObserver(this);
    if (m_pSelection)
        m_pSelection->addObserver(this);
    m_pScene->setSceneRect(-100000, -100000, 200000, 200000);
    setScene(m_pScene);
    setTransformationAnchor(NoAnchor);
    setResizeAnchor(NoAnchor);
    centerOn(0, 0);
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const Geometry2DEdgePtr& edge : m_pDocument->edges())
        edgeAdded(edge);
}

Geometry2DView::~Geometry2DView()
{
    if (m_pDocument)
        m_pDocument->removeObserver(this);
    if (m_pSelection)
        m_pSelection->removeObserver(this);
}

void Geometry2DView::setAreaRect(const QRectF& area)
{
    m_area = area;
    delete m_pAreaItem;
    m_pAreaItem = nullptr;
    if (area.width() == 0 && area.height() == 0)
        return;
    const QRectF flipped = s_flipY.mapRect(area);
    m_pAreaItem = m_pScene->addRect(flipped, QPen(Qt::NoPen), geometryMarkerBrush());
    m_pAreaItem->setZValue(0);
    m_areaFitted = true;
    fitArea();
}

void Geometry2DView::fitArea()
{
    const QRectF flipped = s_flipY.mapRect(m_area);
    fitInView(flipped.adjusted(-10, -10, 10, 10), Qt::KeepAspectRatio);
    centerOn(flipped.center());
}

void Geometry2DView::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    // A page sets its area before it is shown, when the view does not have its size yet.
    if (m_areaFitted && m_pAreaItem)
        fitArea();
}

void Geometry2DView::edgeAdded(Geometry2DEdgePtr edge)
{
    QList<QGraphicsPathItem*>& items = m_edgeItems[edge];
    for (const GeometryI2DCurvePtr& curve : edge->curves())
    {
        QGraphicsPathItem* item = m_pScene->addPath(s_flipY.map(curve->toPainterPath()), geometryPen());
        item->setZValue(10);
        items.append(item);
        m_itemEdges.insert(item, edge);
        m_curveItems.insert(curve, item);
        m_itemCurves.insert(item, curve);
    }
}

void Geometry2DView::documentCleared(GeometryDocument*)
{
    m_pScene->clear();
    m_pAreaItem = nullptr;
    m_edgeItems.clear();
    m_itemEdges.clear();
    m_curveItems.clear();
    m_itemCurves.clear();
}

void Geometry2DView::modificationChanged(bool) {}

void Geometry2DView::documentDestroyed(GeometryDocument*)
{
    m_pDocument = nullptr;
}

void Geometry2DView::setEdgePen(const Geometry2DEdgePtr& edge, const QPen& pen)
{
    for (QGraphicsPathItem* item : m_edgeItems.value(edge))
        item->setPen(pen);
}

void Geometry2DView::setCurvePen(const GeometryI2DCurvePtr& curve, const QPen& pen)
{
    if (QGraphicsPathItem* item = m_curveItems.value(curve))
        item->setPen(pen);
}

void Geometry2DView::edgeSelected(Geometry2DEdgePtr edge)
{
    setEdgePen(edge, geometryHighlightPen());
}

void Geometry2DView::edgeDeselected(Geometry2DEdgePtr edge)
{
    setEdgePen(edge, geometryPen());
}

void Geometry2DView::curveSelected(GeometryI2DCurvePtr curve)
{
    setCurvePen(curve, geometryHighlightPen());
}

void Geometry2DView::curveDeselected(GeometryI2DCurvePtr curve)
{
    setCurvePen(curve, geometryPen());
}

void Geometry2DView::selectionDestroyed(GeometrySelection*)
{
    m_pSelection = nullptr;
}

void Geometry2DView::drawBackground(QPainter* painter, const QRectF& rect)
{
    QGraphicsView::drawBackground(painter, rect);
    const QPointF topLeft = mapToScene(0, 0);
    const QPointF bottomRight = mapToScene(viewport()->width() - 1, viewport()->height() - 1);
    const double left = topLeft.x();
    const double top = topLeft.y();
    const double w = bottomRight.x() - left;
    const double h = bottomRight.y() - top;
    const double step = gridStep(std::max(w, h));
    const int precision = step < 5 ? 1 : 0;
    // Scene units of one pixel: labels keep their pixel size at any zoom.
    const double pixel = mapToScene(QRect(0, 0, 1, 1)).boundingRect().height();
    const QSizeF labelSize(100 * pixel, 16 * pixel);

    painter->save();
    painter->setPen(cosmeticPen(Qt::lightGray, Qt::DashLine));
    QImage label(100, 16, QImage::Format_ARGB32);
    QFont font = painter->font();
    font.setPointSize(8);
    const auto drawLabel = [&](double value, const QPointF& at) {
        label.fill(QColor(255, 255, 255, 0));
        QPainter labelPainter(&label);
        labelPainter.setPen(cosmeticPen(Qt::darkGray, Qt::SolidLine));
        labelPainter.setBrush(QBrush(Qt::darkGray, Qt::SolidPattern));
        labelPainter.setFont(font);
        labelPainter.drawText(QPointF(0, 16), QString::number(value, 'f', precision));
        labelPainter.end();
        painter->drawImage(QRectF(at, labelSize), label);
    };
    for (double x = (std::trunc(left / step) - 1) * step; x < left + w; x += step)
    {
        if (x <= left)
            continue;
        painter->drawLine(QPointF(x, top), QPointF(x, top + h));
        drawLabel(x, QPointF(x, top));
    }
    for (double y = (std::trunc(top / step) - 1) * step; y < top + h; y += step)
    {
        if (y <= top)
            continue;
        painter->drawLine(QPointF(left, y), QPointF(left + w, y));
        drawLabel(-y + 0.0, QPointF(left, y));
    }
    if (QRectF(left, top, w, h).contains(0, 0))
    {
        const double length = 10 * pixel;
        painter->setPen(cosmeticPen(Qt::darkGray, Qt::SolidLine));
        painter->drawLine(QPointF(-length, 0), QPointF(length, 0));
        painter->drawLine(QPointF(0, -length), QPointF(0, length));
    }
    painter->restore();
}

void Geometry2DView::keepUnder(const QPointF& before, const QPoint& at)
{
    const QPointF delta = mapToScene(at) - before;
    translate(delta.x(), delta.y());
}

void Geometry2DView::wheelEvent(QWheelEvent* event)
{
    m_areaFitted = false;
    // The zoom stays where the drawing can be seen; one that starts beyond a bound is not
    // pushed further.
    const double current = transform().m11();
    const double width = std::max(viewport()->width(), 1);
    const double height = std::max(viewport()->height(), 1);
    const double side = std::min(width, height);
    const QRectF drawing = m_pScene->itemsBoundingRect();
    const double extent = std::max(drawing.width(), drawing.height());
    const double sceneInView = std::min(width / sceneRect().width(), height / sceneRect().height());
    const double inmostScale = side / s_finestVisibleSize;
    const double outmostScale =
        std::min(inmostScale, std::max(sceneInView, extent > 0 ? side * s_smallestDrawingShare / extent : 0.0));
    const double outmost = std::min(current, outmostScale);
    const double inmost = std::max(current, inmostScale);
    const double wanted = current * std::max(event->angleDelta().y() / 1000.0 + 1.0, s_smallestWheelFactor);
    const double factor = std::clamp(wanted, outmost, inmost) / current;
    const QPoint at = event->position().toPoint();
    const QPointF before = mapToScene(at);
    scale(factor, factor);
    keepUnder(before, at);
    event->accept();
}

void Geometry2DView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && m_panState == Idle)
    {
        m_panState = Panning;
        m_areaFitted = false;
        m_lastPanPosition = event->pos();
        viewport()->setCursor(Qt::OpenHandCursor);
    }
}

void Geometry2DView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_panState != Panning)
        return;
    keepUnder(mapToScene(m_lastPanPosition), event->pos());
    m_lastPanPosition = event->pos();
}

void Geometry2DView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && m_panState == Panning)
    {
        m_panState = Idle;
        viewport()->setCursor(Qt::ArrowCursor);
    }
}
