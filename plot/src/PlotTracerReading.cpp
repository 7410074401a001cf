#include "PlotTracerReading.h"

#include <QPointF>

PlotTracerReading::PlotTracerReading(UIIUserInput* first, UIIUserInput* second, int kind)
    : m_pFirst(first)
    , m_pSecond(second)
    , m_kind(kind)
{
    m_pFirst->connectSignal(this, SLOT(onTracerChanged()), UIIUserInput::ValueChanged);
    if (m_pSecond)
        m_pSecond->connectSignal(this, SLOT(onTracerChanged()), UIIUserInput::ValueChanged);
    setReadOnly(true);
    setFrame(false);
    setAlignment(Qt::AlignRight);
}

PlotTracerReading::PlotTracerReading(UIIUserInput* tracer, int kind)
    : PlotTracerReading(tracer, nullptr, kind)
{
}

void PlotTracerReading::onTracerChanged()
{
    const QPointF a = m_pFirst->getValue().toPointF();
    const QPointF b = m_pSecond ? m_pSecond->getValue().toPointF() : QPointF(0.0, 0.0);
    double reading = 0.0;
    if (m_kind == Key)
        reading = a.x() - b.x();
    else if (m_kind == Value)
        reading = a.y() - b.y();
    else
        Q_ASSERT_X(false, "src\\PlotTracerReading", "0");
    setValue(QString::number(reading, 'g', 5));
}
