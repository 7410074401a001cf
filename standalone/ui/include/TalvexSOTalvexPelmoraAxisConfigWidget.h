#pragma once

#include "TalvexDriverDescriptor.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexSOAxisConfigWidget.h"
#include "TalvexSOIAxis.h"
#include "UIUserInputRegister.h"
#include "USBVersion.h"

#include <QWidget>

class TalvexIODiagram;

// The page of a driver-bound axis: the board's serial number ("xxxx" as the unit number takes
// any board of the model), the motor parameters with the micro-stepping, and a small I/O
// diagram of the board's limit inputs and its link to the other axis's driver with their
// settings. Loaded from a driver-bound axis; validate() accepts only serial numbers of the
// page's board model and a step size the table can resolve. The inputs' settings are shown,
// not kept in the axis. GUI thread only.
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

private slots:
    void onInputConfigurationChanged();

private:
    // The "IO settings" group: the diagram beside the settings page of the chosen block.
    QWidget* createIOSettingsGroup();
    QString serialNumberText() const;

    TalvexDriverDescriptor m_model;
    UIUserInputRegister m_inputs;
    TalvexDriverMotorConfiguration m_motorConfiguration;
    TalvexDriverMotionConfiguration m_motionConfiguration;
    // Only for the diagram.
    TalvexDriverInputConfiguration m_inputConfiguration;
    USBVersion m_firmwareVersion;
    // Set while the constructor builds the page: changes do not reach the diagram yet.
    bool m_busy = true;
    TalvexIODiagram* m_pIODiagram = nullptr;
};
