#include "TalvexIODiagramOutputItemCreator.h"

#include "DiagramOutputItem.h"

TalvexIODiagramOutputItemCreator::TalvexIODiagramOutputItemCreator(const QString& icon, int outputCount)
    : m_icon(icon)
    , m_outputCount(outputCount)
{
}

DiagramOutputItem* TalvexIODiagramOutputItemCreator::create(const TalvexIODiagramItemFactory& factory,
    QStackedWidget* pages, int pageIndex) const
{
    Q_UNUSED(factory);
    return new DiagramOutputItem(pages, pageIndex, m_icon, DiagramOutputItem::s_outputItemColor, m_outputCount);
}
