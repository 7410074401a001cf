#include "TalvexDoubleValidator.h"

TalvexDoubleValidator::TalvexDoubleValidator(double bottom, double top, int decimals, QObject* parent)
    : QDoubleValidator(bottom, top, decimals, parent)
{
}

void TalvexDoubleValidator::fixup(QString& input) const
{
    QLocale numbers = locale();
    bool ok = false;
    const double value = numbers.toDouble(input, &ok);
    double fixed = bottom();
    if (ok)
    {
        if (value >= bottom() && value <= top())
            return;
        fixed = value > top() ? top() : bottom();
    }
    // No group separators, so the text reads back as the same number wherever it goes.
    numbers.setNumberOptions(numbers.numberOptions() | QLocale::OmitGroupSeparator);
    input = numbers.toString(fixed, 'g', 6);
}
