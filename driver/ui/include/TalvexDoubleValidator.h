#pragma once

#include <QDoubleValidator>

// A double validator whose fixup puts unreadable text and text out of range onto the range.
class TalvexDoubleValidator : public QDoubleValidator
{
    Q_OBJECT

public:
    TalvexDoubleValidator(double bottom, double top, int decimals, QObject* parent);

    // Reads and writes in the validator's locale, the one it validates in.
    void fixup(QString& input) const override;
};
