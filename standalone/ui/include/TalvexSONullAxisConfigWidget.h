#pragma once

#include "TalvexSOAxisConfigWidget.h"
#include "TalvexSOIAxis.h"

#include <QWidget>

// The page of an axis that is switched off: nothing to enter, always valid.
class TalvexSONullAxisConfigWidget : public QWidget,
                                     public TalvexSOAxisConfigWidget::IConcreteAxisCreator,
                                     public TalvexSOIAxis::IVisitor
{
    Q_OBJECT

public:
    explicit TalvexSONullAxisConfigWidget(const boost::shared_ptr<TalvexSOIAxis>& axis, QWidget* parent = nullptr);

    bool validate(QStringList& messages, int axisNumber) override;
    boost::shared_ptr<TalvexSOIAxis> createAxis() override;

    void visit(TalvexSONullAxis& axis) override;
    void visit(TalvexSOTalvexPelmoraAxis& axis) override;
};
