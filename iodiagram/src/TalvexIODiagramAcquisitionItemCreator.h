#pragma once

#include "TalvexIODiagramIAcquisitionItemCreator.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The creator of every acquisition kind, told apart by its table row: icon, input functions
// (terminal order), output sample (0: none), terminal labels and channel restrictions.
class TalvexIODiagramAcquisitionItemCreator : public TalvexIODiagramIAcquisitionItemCreator
{
public:
    struct Kind
    {
        QString icon;
        QVector<int> inputFunctions;
        int outputSample;
        QStringList inputLabels;
        // 0: any channel.
        int maxChannelNumber;
        bool orderedChannels;
        // The restrictions do not apply when the quadrature inputs sit on encoder pins.
        bool freeOnEncoderPins;
    };

    explicit TalvexIODiagramAcquisitionItemCreator(const Kind& kind);

    DiagramAcquisitionItem* create(const TalvexIODiagramItemFactory& factory, QStackedWidget* pages,
        int pageIndex) const override;

private:
    Kind m_kind;
};
