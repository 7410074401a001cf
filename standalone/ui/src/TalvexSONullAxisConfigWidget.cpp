#include "TalvexSONullAxisConfigWidget.h"

#include "TalvexSONullAxis.h"

#include <QHBoxLayout>
#include <QLabel>

TalvexSONullAxisConfigWidget::TalvexSONullAxisConfigWidget(const boost::shared_ptr<TalvexSOIAxis>& axis,
    QWidget* parent)
    : QWidget(parent)
{
    axis->accept(*this);
    QHBoxLayout* layout = new QHBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Axis is disabled (no device connected).")));
    layout->addStretch(1);
}

bool TalvexSONullAxisConfigWidget::validate(QStringList& messages, int axisNumber)
{
    Q_UNUSED(messages);
    Q_UNUSED(axisNumber);
    return true;
}

boost::shared_ptr<TalvexSOIAxis> TalvexSONullAxisConfigWidget::createAxis()
{
    return boost::shared_ptr<TalvexSOIAxis>(new TalvexSONullAxis);
}

// A switched-off axis has nothing to show.
void TalvexSONullAxisConfigWidget::visit(TalvexSONullAxis& axis)
{
    Q_UNUSED(axis);
}

void TalvexSONullAxisConfigWidget::visit(TalvexSOTalvexPelmoraAxis& axis)
{
    Q_UNUSED(axis);
}
