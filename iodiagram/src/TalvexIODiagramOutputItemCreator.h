#pragma once

#include "TalvexIODiagramIOutputItemCreator.h"

#include <QString>

// The creator of every output kind, told apart by its icon and number of outputs.
class TalvexIODiagramOutputItemCreator : public TalvexIODiagramIOutputItemCreator
{
public:
    TalvexIODiagramOutputItemCreator(const QString& icon, int outputCount);

    DiagramOutputItem* create(const TalvexIODiagramItemFactory& factory, QStackedWidget* pages,
        int pageIndex) const override;

private:
    QString m_icon;
    int m_outputCount;
};
