#pragma once

class DiagramOutputItem;
class QStackedWidget;
class TalvexIODiagramItemFactory;

// Makes the output block of one kind.
class TalvexIODiagramIOutputItemCreator
{
public:
    virtual ~TalvexIODiagramIOutputItemCreator() = default;
    // A new block without parent; the block shows page pageIndex of pages when selected.
    virtual DiagramOutputItem* create(const TalvexIODiagramItemFactory& factory, QStackedWidget* pages,
        int pageIndex) const = 0;
};
