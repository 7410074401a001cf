#pragma once

class DiagramAcquisitionItem;
class QStackedWidget;
class TalvexIODiagramItemFactory;

// Makes the acquisition block of one kind. The factory is handed over for its options.
class TalvexIODiagramIAcquisitionItemCreator
{
public:
    virtual ~TalvexIODiagramIAcquisitionItemCreator() = default;
    // A new block without parent; the block shows page pageIndex of pages when selected.
    virtual DiagramAcquisitionItem* create(const TalvexIODiagramItemFactory& factory, QStackedWidget* pages,
        int pageIndex) const = 0;
};
