#pragma once

#include <QMap>

class DiagramAcquisitionItem;
class DiagramOutputItem;
class QStackedWidget;

// Turns a block kind (TalvexIODiagramItemType) into the diagram block that stands for it, with
// its icon, input terminals, output sample, channel restrictions and terminal labels. The
// creators are registered on first use and live until the program ends. The caller owns the
// block it gets (the scene takes it). GUI thread only.
class TalvexIODiagramItemFactory
{
public:
    // The adapter's options (TalvexIODiagram::Option); the quadrature block reads the encoder one.
    explicit TalvexIODiagramItemFactory(const QMap<int, bool>& options);

    bool option(int key) const { return m_options.value(key, false); }

    // Acquisition kinds only: an output kind or an unknown one is a programming error and gives
    // null.
    DiagramAcquisitionItem* createAcquisitionItem(int itemType, QStackedWidget* pages, int pageIndex) const;
    // Output kinds only, likewise.
    DiagramOutputItem* createOutputItem(int itemType, QStackedWidget* pages, int pageIndex) const;

private:
    QMap<int, bool> m_options;
};
