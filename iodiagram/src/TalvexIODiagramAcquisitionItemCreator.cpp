#include "TalvexIODiagramAcquisitionItemCreator.h"

#include "DiagramAcquisitionItem.h"
#include "TalvexIODiagram.h"
#include "TalvexIODiagramItemFactory.h"

TalvexIODiagramAcquisitionItemCreator::TalvexIODiagramAcquisitionItemCreator(const Kind& kind)
    : m_kind(kind)
{
}

DiagramAcquisitionItem* TalvexIODiagramAcquisitionItemCreator::create(const TalvexIODiagramItemFactory& factory,
    QStackedWidget* pages, int pageIndex) const
{
    DiagramAcquisitionItem* item = new DiagramAcquisitionItem(pages, pageIndex, m_kind.icon, m_kind.inputFunctions,
        m_kind.outputSample, DiagramAcquisitionItem::s_acquisitionItemColor);
    const bool free = m_kind.freeOnEncoderPins && factory.option(TalvexIODiagram::OptionEncoderInputs);
    if (m_kind.maxChannelNumber > 0 && !free)
    {
        item->setChannelRestriction(DiagramAcquisitionItem::MaxChannelNumber, m_kind.maxChannelNumber);
        if (m_kind.orderedChannels)
            item->setChannelRestriction(DiagramAcquisitionItem::OrderedChannels, QVariant());
    }
    for (int i = 0; i < m_kind.inputLabels.count(); ++i)
        item->setInputLabel(i, m_kind.inputLabels.at(i));
    return item;
}
