#pragma once

#include "TalvexSOIAxis.h"

// An axis that is switched off: it sends nothing, always succeeds and reports
// "motor off, no limit".
class TalvexSONullAxis : public TalvexSOIAxis
{
public:
    TalvexSOIAxis* clone() const override;
    QString typeName() const override;
    void accept(IVisitor& visitor) override;
    double linearStepSize() const override;
    USBResult connectDevice() override;
    void exitBootloader() override;
    void disconnectDevice() override;
    USBResult uploadConfiguration() override;
    USBResult turnOn() override;
    USBResult turnOff() override;
    USBResult moveHome() override;
    USBResult move(int steps) override;
    USBResult readState(int* motorState, int* limitState) override;
    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;
};
