#pragma once

#include "GeometryDocument.h"
#include "GeometrySelection.h"

#include <QMap>
#include <QTreeWidget>

// Lists a document's edges under the root item "Edges", each with its curves by type name;
// making an item current selects its edge or curve (and deselects the previous one) in the
// page's selection. One tree per geometry page, GUI thread only.
class GeometryTree : public QTreeWidget, public GeometryDocument::IObserver
{
    Q_OBJECT

public:
    // The selection is required. The tree lists the edges added from now on.
    GeometryTree(GeometryDocument* document, GeometrySelection* selection);
    ~GeometryTree() override;

    void edgeAdded(Geometry2DEdgePtr edge) override;
    void documentCleared(GeometryDocument* document) override;
    void modificationChanged(bool modified) override;
    void documentDestroyed(GeometryDocument* document) override;

private slots:
    void onCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);

private:
    void createRoot();

    GeometryDocument* m_pDocument;
    GeometrySelection* m_pSelection;
    QMap<Geometry2DEdgePtr, QTreeWidgetItem*> m_edgeItems;
    QMap<QTreeWidgetItem*, Geometry2DEdgePtr> m_itemEdges;
    QMap<GeometryI2DCurvePtr, QTreeWidgetItem*> m_curveItems;
    QMap<QTreeWidgetItem*, GeometryI2DCurvePtr> m_itemCurves;
    QTreeWidgetItem* m_pRoot = nullptr;
};
