#include "DiagramAcquisitionItem.h"

#include "Diagram.h"
#include "DiagramSymbol.h"

#include <QGraphicsDropShadowEffect>
#include <QPainter>

namespace
{
const char* const s_source = "src\\DiagramAcquisitionItem";
const double s_symbolScale = 0.5;
const double s_errorScale = 0.7;
// Inputs come in from the left over this length; the output leaves over this length past the
// block's right edge.
const double s_inputLength = 50;
const double s_outputLength = 30;
const double s_lineZ = 1;
const double s_symbolZ = 2;
const double s_labelZ = 0;
const double s_errorZ = 3;
const double s_terminalSymbolZ = 10;
// The input symbols start this far right of the terminal; input labels end this far left of
// the block.
const double s_inputSymbolGap = 3;
const double s_inputLabelGap = 2;

QGraphicsDropShadowEffect* smallShadow()
{
    QGraphicsDropShadowEffect* shadow = new QGraphicsDropShadowEffect;
    shadow->setBlurRadius(3);
    shadow->setOffset(3, 2);
    shadow->setColor(QColor(150, 150, 150, 100));
    return shadow;
}
}

const QColor DiagramAcquisitionItem::s_acquisitionItemColor(188, 188, 188);

DiagramAcquisitionItem::DiagramAcquisitionItem(QStackedWidget* pages, int pageIndex, const QString& path,
    const QVector<int>& inputFunctions, int outputSample, const QColor& color)
    : m_inputFunctions(inputFunctions)
    , m_outputSample(outputSample)
    , m_inputSymbols(inputFunctions.count(), nullptr)
{
    setFlag(QGraphicsItem::ItemIsFocusable);
    setSettingsPage(pages, pageIndex);
    DiagramSymbol* symbol = new DiagramSymbol(path, s_symbolScale, color);
    symbol->setZValue(s_symbolZ);
    addToGroup(symbol);
    m_symbolSize = symbol->size();

    const int count = inputFunctions.count();
    for (int i = 0; i < count; ++i)
    {
        const QPointF p = symbol->terminalPoint(i, count).toPoint();
        QGraphicsLineItem* line = new QGraphicsLineItem(-s_inputLength, p.y(), p.x(), p.y());
        line->setPen(terminalPen());
        line->setZValue(s_lineZ);
        addToGroup(line);
        m_inputTerminalPositions.append(QPointF(-s_inputLength, p.y()));
    }
    if (outputSample != Diagram::s_invalidSample)
    {
        const QPointF p = symbol->terminalPoint(0, 1);
        QGraphicsLineItem* line = new QGraphicsLineItem(p.x(), p.y(), 2 * p.x() + s_outputLength, p.y());
        line->setPen(terminalPen());
        line->setZValue(s_lineZ);
        addToGroup(line);
        m_outputTerminalPosition = line->line().p2();
    }
}

int DiagramAcquisitionItem::inputFunction(int terminalIndex) const
{
    Q_ASSERT_X(terminalIndex < m_inputTerminalPositions.count(), s_source,
        "terminalIndex < m_inputTerminalPositions.count()");
    return m_inputFunctions.at(terminalIndex);
}

int DiagramAcquisitionItem::terminalIndexOf(int function) const
{
    return m_inputFunctions.indexOf(function);
}

QPointF DiagramAcquisitionItem::inputTerminalPosition(int terminalIndex) const
{
    Q_ASSERT_X(m_inputFunctions.count() == m_inputTerminalPositions.count(), s_source,
        "m_inputFunctions.count() == m_inputTerminalPositions.count()");
    return pos() + m_inputTerminalPositions.at(terminalIndex);
}

void DiagramAcquisitionItem::setChannelRestriction(int key, const QVariant& value)
{
    m_channelRestrictions.insert(key, value);
}

bool DiagramAcquisitionItem::acceptsChannel(int channelNumber, int terminalIndex) const
{
    const bool limited = m_channelRestrictions.contains(MaxChannelNumber);
    const int maximum = m_channelRestrictions.value(MaxChannelNumber).toInt();
    if (limited && channelNumber > maximum)
        return false;
    if (!m_channelRestrictions.contains(OrderedChannels))
        return true;
    Q_ASSERT_X(limited, s_source, "m_channelRestrictions.contains(MaxChannelNumber)");
    // Terminal i takes the channels that leave room for successive ones on the terminals after it.
    const int first = terminalIndex + 1;
    const int last = first + (maximum - inputCount());
    return channelNumber >= first && channelNumber <= last;
}

void DiagramAcquisitionItem::setInputSymbols(int terminalIndex, const QStringList& paths)
{
    delete m_inputSymbols.at(terminalIndex);
    m_inputSymbols[terminalIndex] = nullptr;

    QVector<QPixmap> pixmaps;
    QSize size(0, 0);
    for (const QString& path : paths)
    {
        if (path.isEmpty())
            continue;
        QPixmap pixmap(path);
        if (pixmap.isNull())
            continue;
        pixmap = pixmap.scaled(pixmap.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        pixmaps.append(pixmap);
        size = QSize(size.width() + pixmap.width(), qMax(size.height(), pixmap.height()));
    }
    if (pixmaps.isEmpty())
        return;
    QPixmap strip(size);
    strip.fill(Qt::transparent);
    {
        QPainter painter(&strip);
        int x = 0;
        for (const QPixmap& pixmap : qAsConst(pixmaps))
        {
            painter.drawPixmap(x, (size.height() - pixmap.height()) / 2, pixmap);
            x += pixmap.width();
        }
    }
    QGraphicsPixmapItem* item = new QGraphicsPixmapItem(strip);
    const QPointF terminal = m_inputTerminalPositions.at(terminalIndex);
    item->setZValue(s_terminalSymbolZ);
    item->setGraphicsEffect(smallShadow());
    addAt(item, QPointF(terminal.x() + s_inputSymbolGap, terminal.y() - size.height() / 2.0));
    m_inputSymbols[terminalIndex] = item;
}

void DiagramAcquisitionItem::setInputLabel(int terminalIndex, const QString& text)
{
    QGraphicsSimpleTextItem* item = createText(text, s_labelZ);
    const QRectF bounds = item->boundingRect();
    const QPointF terminal = m_inputTerminalPositions.at(terminalIndex);
    addAt(item, QPointF(-s_inputLabelGap - bounds.width(), terminal.y() - bounds.height()));
}

void DiagramAcquisitionItem::setLabel(const QString& text)
{
    delete m_pLabel;
    m_pLabel = createText(text, s_labelZ);
    const QRectF bounds = m_pLabel->boundingRect();
    addAt(m_pLabel, m_outputTerminalPosition - QPointF(bounds.width(), bounds.height()));
}

QString DiagramAcquisitionItem::label() const
{
    return m_pLabel ? m_pLabel->text() : QString();
}

void DiagramAcquisitionItem::setError(const QString& text)
{
    if (!m_pErrorMarker)
    {
        DiagramSymbol* marker = new DiagramSymbol(QStringLiteral(":/rc/error.png"), s_errorScale, QColor());
        marker->setGraphicsEffect(nullptr);
        marker->setZValue(s_errorZ);
        const QSizeF size = marker->size();
        addAt(marker, QPointF(m_symbolSize.width() - 5, 3) - QPointF(size.width() / 2, size.height() / 2));
        m_pErrorMarker = marker;
    }
    m_pErrorMarker->setToolTip(text);
}

void DiagramAcquisitionItem::clearError()
{
    delete m_pErrorMarker;
    m_pErrorMarker = nullptr;
}

QString DiagramAcquisitionItem::error() const
{
    return m_pErrorMarker ? m_pErrorMarker->toolTip() : QString();
}
