#pragma once

#include "TalvexDriverDescriptor.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexSOAxisConfigWidget.h"
#include "TalvexSOIAxis.h"
#include "UIUserInputRegister.h"
#include "USBVersion.h"

#include <QWidget>

// The page of a driver-bound axis: the board's serial number ("xxxx" as the unit number takes
// any board of the model) and the motor parameters with the micro-stepping. Loaded from a
// driver-bound axis; validate() accepts only serial numbers of the page's board model and a
// step size the table can resolve. GUI thread only.
class TalvexSOTalvexPelmoraAxisConfigWidget : public QWidget,
                                              public TalvexSOAxisConfigWidget::IConcreteAxisCreator,
                                              public TalvexSOIAxis::IVisitor
{
    Q_OBJECT

public:
    // The smallest travel per step an axis may have, in mm.
    static constexpr double s_minimumStepSize = 0.001;

    TalvexSOTalvexPelmoraAxisConfigWidget(const boost::shared_ptr<TalvexSOIAxis>& axis,
        const TalvexDriverDescriptor& model, QWidget* parent = nullptr);

    bool validate(QStringList& messages, int axisNumber) override;
    boost::shared_ptr<TalvexSOIAxis> createAxis() override;

    void visit(TalvexSONullAxis& axis) override;
    void visit(TalvexSOTalvexPelmoraAxis& axis) override;

private:
    QString serialNumberText() const;

    TalvexDriverDescriptor m_model;
    UIUserInputRegister m_inputs;
    TalvexDriverMotorConfiguration m_motorConfiguration;
    TalvexDriverMotionConfiguration m_motionConfiguration;
    USBVersion m_firmwareVersion;
};
