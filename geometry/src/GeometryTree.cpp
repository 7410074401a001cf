#include "GeometryTree.h"

GeometryTree::GeometryTree(GeometryDocument* document, GeometrySelection* selection)
    : m_pDocument(document), m_pSelection(selection)
{
    Q_ASSERT(m_pSelection);
    m_pDocument->addObserver(this);
    setHeaderHidden(true);
    createRoot();
    connect(this, &QTreeWidget::currentItemChanged, this, &GeometryTree::onCurrentItemChanged);
}

GeometryTree::~GeometryTree()
{
    // The base class deletes the items after the selection may be gone: no selection changes.
    disconnect(this, &QTreeWidget::currentItemChanged, this, &GeometryTree::onCurrentItemChanged);
    if (m_pDocument)
        m_pDocument->removeObserver(this);
}

void GeometryTree::createRoot()
{
    m_pRoot = new QTreeWidgetItem(QStringList{QStringLiteral("Edges")});
    addTopLevelItem(m_pRoot);
    m_pRoot->setExpanded(true);
}

void GeometryTree::edgeAdded(Geometry2DEdgePtr edge)
{
    auto* edgeItem = new QTreeWidgetItem(m_pRoot, QStringList{edge->typeName()});
    m_edgeItems.insert(edge, edgeItem);
    m_itemEdges.insert(edgeItem, edge);
    for (const GeometryI2DCurvePtr& curve : edge->curves())
    {
        auto* curveItem = new QTreeWidgetItem(edgeItem, QStringList{curve->typeName()});
        m_curveItems.insert(curve, curveItem);
        m_itemCurves.insert(curveItem, curve);
    }
}

void GeometryTree::documentCleared(GeometryDocument*)
{
    // The maps go first: deleting the current item makes the tree report a change of the
    // current item, which must no longer find the deleted items.
    m_edgeItems.clear();
    m_itemEdges.clear();
    m_curveItems.clear();
    m_itemCurves.clear();
    delete m_pRoot;
    createRoot();
}

void GeometryTree::modificationChanged(bool) {}

void GeometryTree::documentDestroyed(GeometryDocument*)
{
    m_pDocument = nullptr;
}

void GeometryTree::onCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (m_itemCurves.contains(previous))
        m_pSelection->deselectCurve(m_itemCurves.value(previous));
    if (m_itemEdges.contains(previous))
        m_pSelection->deselectEdge(m_itemEdges.value(previous));
    if (m_itemCurves.contains(current))
        m_pSelection->selectCurve(m_itemCurves.value(current));
    if (m_itemEdges.contains(current))
        m_pSelection->selectEdge(m_itemEdges.value(current));
}
