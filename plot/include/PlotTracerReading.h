#pragma once

#include "UIWidgetFor.h"

// A read-only line edit that shows the key or value of one tracer, or the difference between
// two, and follows them as they move.
class PlotTracerReading : public UIWidgetFor<QLineEdit>
{
    Q_OBJECT

public:
    enum Kind
    {
        Key = 0,
        Value = 1
    };

    // first − second; the tracers are not owned.
    PlotTracerReading(UIIUserInput* first, UIIUserInput* second, int kind);
    PlotTracerReading(UIIUserInput* tracer, int kind);

public slots:
    void onTracerChanged();

private:
    UIIUserInput* m_pFirst;
    UIIUserInput* m_pSecond;
    int m_kind;
};
