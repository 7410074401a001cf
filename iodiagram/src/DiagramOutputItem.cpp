#include "DiagramOutputItem.h"

#include "DiagramSymbol.h"


namespace
{
const char* const s_source = "src\\DiagramOutputItem";
const double s_symbolScale = 0.5;
// The outputs leave the block to the left over this length; their icons end there.
const double s_outputLength = 30;
const double s_lineZ = 1;
const double s_symbolZ = 2;
const double s_labelZ = 3;
}

const QColor DiagramOutputItem::s_outputItemColor(255, 161, 161);

DiagramOutputItem::DiagramOutputItem(QStackedWidget* pages, int pageIndex, const QString& path, const QColor& color,
    int outputCount)
    : m_outputLabels(outputCount, nullptr)
    , m_outputCount(outputCount)
{
    Q_ASSERT_X(outputCount > 0, s_source, "outputCount > 0");
    setFlag(QGraphicsItem::ItemIsFocusable);
    setSettingsPage(pages, pageIndex);
    DiagramSymbol* symbol = new DiagramSymbol(path, s_symbolScale, color);
    symbol->setZValue(s_symbolZ);
    addToGroup(symbol);

    for (int i = 0; i < outputCount; ++i)
    {
        const QPointF p = symbol->terminalPoint(i, outputCount);
        QGraphicsLineItem* line = new QGraphicsLineItem(-s_outputLength, p.y(), p.x(), p.y());
        line->setPen(terminalPen());
        line->setZValue(s_lineZ);
        addToGroup(line);

        DiagramSymbol* icon = new DiagramSymbol(QStringLiteral(":/rc/output.png"), s_symbolScale, color);
        icon->setZValue(s_symbolZ);
        const QSizeF size = icon->size();
        const QPointF corner(-s_outputLength - size.width(), int(p.y()) - size.height() / 2.0);
        addAt(icon, corner);
        m_outputInfos.append(QRectF(corner, size));
    }
}

void DiagramOutputItem::setOutputLabel(const QString& text, int outputNumber)
{
    Q_ASSERT_X(outputNumber > 0, s_source, "outputNumber > 0");
    Q_ASSERT_X(outputNumber <= m_outputInfos.count(), s_source, "outputNumber <= m_outputInfos.count()");
    QGraphicsSimpleTextItem*& label = m_outputLabels[outputNumber - 1];
    delete label;
    label = nullptr;
    if (text.isEmpty())
        return;
    label = createText(text, s_labelZ);
    const QRectF bounds = label->boundingRect();
    addAt(label, m_outputInfos.at(outputNumber - 1).center() - bounds.center());
}

QString DiagramOutputItem::outputLabel(int outputNumber) const
{
    const QGraphicsSimpleTextItem* label = m_outputLabels.value(outputNumber - 1);
    return label ? label->text() : QString();
}
