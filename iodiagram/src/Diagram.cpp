#include "Diagram.h"

#include "DiagramAcquisitionItem.h"
#include "DiagramBufferItem.h"
#include "DiagramChannelItem.h"
#include "DiagramOutputItem.h"

#include <QBrush>
#include <QGraphicsEllipseItem>
#include <QPen>
#include <algorithm>

// Q_INIT_RESOURCE must be called outside every namespace.
static void initIODiagramResources()
{
    Q_INIT_RESOURCE(iodiagram);
}

namespace
{
const char* const s_source = "src\\Diagram";
// The middle column's x with and without a channel frame.
const int s_framedItemX = 245;
const int s_unframedItemX = 145;
const double s_frameWidth = 100;
// Blocks, channels and buffers follow each other at these pitches.
const double s_blockPitch = 50;
const double s_blockTop = 10;
const double s_channelPitch = 36;
const double s_bufferPitch = 60;
const double s_columnMargin = 3;
// A drop connects to a terminal closer than 8 units.
const double s_maximumSquaredDistance = 64.0;
const double s_dotRadius = 4;
const double s_markerZ = 20;
const double s_dropHintZ = 30;
// QColor::lighter with a factor below 100 darkens.
const int s_markerPenFactor = 70;

double squaredDistance(const QPointF& a, const QPointF& b)
{
    const QPointF d = a - b;
    return d.x() * d.x() + d.y() * d.y();
}

// The first of a set in a fixed order, so that a fixed item with several choices always gets
// the same one.
int firstOf(const QSet<int>& values)
{
    return *std::min_element(values.cbegin(), values.cend());
}
}

int Diagram::s_invalidFunction = -1;
int Diagram::s_invalidSample = -1;

Diagram::Diagram(double x, double y, double width, double height, QObject* parent, int frameFlags)
    : QGraphicsScene(x, y, width, height, parent)
    , m_itemX((frameFlags & ChannelFrame) ? s_framedItemX : s_unframedItemX)
{
    initIODiagramResources();
    const QPen framePen(Qt::black);
    const QBrush frameBrush(Qt::lightGray, Qt::SolidPattern);
    if (frameFlags & ChannelFrame)
        addRect(x - 1, y - 1, s_frameWidth, height + 1, framePen, frameBrush);
    if (frameFlags & BufferFrame)
        addRect(width - s_frameWidth, y - 1, s_frameWidth + 1, height + 1, framePen, frameBrush);
}

void Diagram::addAcquisitionItem(DiagramAcquisitionItem* item)
{
    item->setPos(m_itemX, s_blockPitch * (m_acquisitionItems.count() + m_outputItems.count()) + s_blockTop);
    addItem(item);
    item->setDiagram(this);
    m_acquisitionItems.append(item);
}

void Diagram::addOutputItem(DiagramOutputItem* item)
{
    item->setPos(m_itemX, s_blockPitch * (m_acquisitionItems.count() + m_outputItems.count()) + s_blockTop);
    addItem(item);
    item->setDiagram(this);
    m_outputItems.append(item);
}

void Diagram::addChannelItem(DiagramChannelItem* item)
{
    item->setHomePosition(QPointF(s_columnMargin, s_channelPitch * m_channelSlots + s_columnMargin));
    addItem(item);
    item->setDiagram(this);
    m_channels.insert(item->number(), item);
    // A fixed channel sits on its block's terminal; one without a function or whose function no
    // block has stays in the column.
    const QSet<int> functions = item->getAllowableFunctions();
    if (!item->isFixed() || functions.isEmpty())
    {
        ++m_channelSlots;
        return;
    }
    const int function = firstOf(functions);
    m_channelToFunction.insert(item->number(), function);
    setChannelFunctions(m_channelToFunction);
    if (!acquisitionItemByFunction(function))
        ++m_channelSlots;
}

void Diagram::addBufferItem(DiagramBufferItem* item)
{
    const QRectF area = sceneRect();
    item->setHomePosition(QPointF(area.x() + area.width() - s_frameWidth + s_columnMargin,
        s_bufferPitch * m_bufferSlots + s_columnMargin));
    addItem(item);
    item->setDiagram(this);
    m_buffers.insert(item->number(), item);
    const QSet<int> samples = item->getAllowableSamples();
    if (!item->isFixed() || samples.isEmpty())
    {
        ++m_bufferSlots;
        return;
    }
    const int sample = firstOf(samples);
    m_bufferToSample.insert(item->number(), sample);
    setBufferSamples(m_bufferToSample);
    if (!acquisitionItemBySample(sample))
        ++m_bufferSlots;
}

int Diagram::channelFunction(int channel) const
{
    return m_channelToFunction.value(channel, s_invalidFunction);
}

int Diagram::bufferSample(int buffer) const
{
    return m_bufferToSample.value(buffer, s_invalidSample);
}

void Diagram::setChannelFunctions(const QMultiMap<int, int>& channelFunctions)
{
    m_channelToFunction = channelFunctions;
    m_functionToChannel.clear();
    for (auto it = channelFunctions.cbegin(); it != channelFunctions.cend(); ++it)
    {
        m_functionToChannel.insert(it.value(), it.key());
        DiagramChannelItem* item = m_channels.value(it.key());
        if (!item)
            continue;
        for (DiagramAcquisitionItem* block : qAsConst(m_acquisitionItems))
        {
            const int terminal = block->terminalIndexOf(it.value());
            if (terminal >= 0)
                item->snapTo(block->inputTerminalPosition(terminal));
        }
    }
    for (DiagramChannelItem* item : qAsConst(m_channels))
        if (!channelFunctions.contains(item->number()))
            item->returnHome();
}

void Diagram::setBufferSamples(const QMap<int, int>& bufferSamples)
{
    m_bufferToSample = bufferSamples;
    m_sampleToBuffer.clear();
    for (auto it = bufferSamples.cbegin(); it != bufferSamples.cend(); ++it)
    {
        m_sampleToBuffer.insert(it.value(), it.key());
        DiagramBufferItem* item = m_buffers.value(it.key());
        if (!item)
            continue;
        for (DiagramAcquisitionItem* block : qAsConst(m_acquisitionItems))
            if (block->outputSample() == it.value() && it.value() != s_invalidSample)
                item->snapTo(block->outputTerminalPosition());
    }
    for (DiagramBufferItem* item : qAsConst(m_buffers))
        if (!bufferSamples.contains(item->number()))
            item->returnHome();
}

void Diagram::disconnectChannel(int channel)
{
    if (!m_channelToFunction.contains(channel))
        return;
    for (int function : m_channelToFunction.values(channel))
        if (m_functionToChannel.value(function) == channel)
            m_functionToChannel.remove(function);
    m_channelToFunction.remove(channel);
    emit connectionsChanged();
}

void Diagram::disconnectBuffer(int buffer)
{
    if (!m_bufferToSample.contains(buffer))
        return;
    m_sampleToBuffer.remove(m_bufferToSample.take(buffer));
    emit connectionsChanged();
}

QVector<Diagram::Terminal> Diagram::channelTerminals(const DiagramChannelItem* channel) const
{
    QVector<Terminal> terminals;
    const QSet<int> allowed = channel->getAllowableFunctions();
    for (DiagramAcquisitionItem* block : m_acquisitionItems)
    {
        for (int i = 0; i < block->inputCount(); ++i)
        {
            const int function = block->inputFunction(i);
            if (m_functionToChannel.contains(function) || !block->acceptsChannel(channel->number(), i))
                continue;
            if (allowed.isEmpty() || allowed.contains(function))
                terminals.append(Terminal{block, i});
        }
    }
    return terminals;
}

QVector<DiagramAcquisitionItem*> Diagram::bufferTerminals(const DiagramBufferItem* buffer) const
{
    QVector<DiagramAcquisitionItem*> blocks;
    const QSet<int> allowed = buffer->getAllowableSamples();
    for (DiagramAcquisitionItem* block : m_acquisitionItems)
    {
        const int sample = block->outputSample();
        if (sample == s_invalidSample || m_sampleToBuffer.contains(sample))
            continue;
        if (allowed.isEmpty() || allowed.contains(sample))
            blocks.append(block);
    }
    return blocks;
}

bool Diagram::connectChannel(int channel, QPointF& position)
{
    deleteDropHint();
    disconnectChannel(channel);
    DiagramChannelItem* item = m_channels.value(channel);
    if (!item)
        return false;
    for (const Terminal& terminal : channelTerminals(item))
    {
        const QPointF point = terminal.block->inputTerminalPosition(terminal.index);
        if (squaredDistance(point, position) >= s_maximumSquaredDistance)
            continue;
        const int function = terminal.block->inputFunction(terminal.index);
        m_functionToChannel.insert(function, channel);
        m_channelToFunction.insert(channel, function);
        position = point;
        emit connectionsChanged();
        return true;
    }
    return item->isFixed() && reconnectFixedChannel(item, position);
}

bool Diagram::connectBuffer(int buffer, QPointF& position)
{
    deleteDropHint();
    disconnectBuffer(buffer);
    DiagramBufferItem* item = m_buffers.value(buffer);
    if (!item)
        return false;
    for (DiagramAcquisitionItem* block : bufferTerminals(item))
    {
        const QPointF point = block->outputTerminalPosition();
        if (squaredDistance(point, position) >= s_maximumSquaredDistance)
            continue;
        m_sampleToBuffer.insert(block->outputSample(), buffer);
        m_bufferToSample.insert(buffer, block->outputSample());
        position = point;
        emit connectionsChanged();
        return true;
    }
    return item->isFixed() && reconnectFixedBuffer(item, position);
}

bool Diagram::reconnectFixedChannel(DiagramChannelItem* channel, QPointF& position)
{
    const QSet<int> functions = channel->getAllowableFunctions();
    if (functions.isEmpty())
        return false;
    const int function = firstOf(functions);
    DiagramAcquisitionItem* block = acquisitionItemByFunction(function);
    if (!block)
        return false;
    m_functionToChannel.insert(function, channel->number());
    m_channelToFunction.insert(channel->number(), function);
    position = block->inputTerminalPosition(block->terminalIndexOf(function));
    return true;
}

bool Diagram::reconnectFixedBuffer(DiagramBufferItem* buffer, QPointF& position)
{
    const QSet<int> samples = buffer->getAllowableSamples();
    if (samples.isEmpty())
        return false;
    const int sample = firstOf(samples);
    DiagramAcquisitionItem* block = acquisitionItemBySample(sample);
    if (!block)
        return false;
    m_sampleToBuffer.insert(sample, buffer->number());
    m_bufferToSample.insert(buffer->number(), sample);
    position = block->outputTerminalPosition();
    return true;
}

void Diagram::showChannelTargets(bool show, int channel)
{
    DiagramChannelItem* item = m_channels.value(channel);
    showTargets(show && item ? terminalPoints(channelTerminals(item)) : QVector<QPointF>(),
        item ? item->color() : QColor());
}

void Diagram::showBufferTargets(bool show, int buffer)
{
    DiagramBufferItem* item = m_buffers.value(buffer);
    showTargets(show && item ? terminalPoints(bufferTerminals(item)) : QVector<QPointF>(),
        item ? item->color() : QColor());
}

void Diagram::showChannelDropHint(int channel, const QPointF& position)
{
    DiagramChannelItem* item = m_channels.value(channel);
    showDropHint(item ? terminalPoints(channelTerminals(item)) : QVector<QPointF>(), position);
}

void Diagram::showBufferDropHint(int buffer, const QPointF& position)
{
    DiagramBufferItem* item = m_buffers.value(buffer);
    showDropHint(item ? terminalPoints(bufferTerminals(item)) : QVector<QPointF>(), position);
}

QVector<QPointF> Diagram::terminalPoints(const QVector<Terminal>& terminals)
{
    QVector<QPointF> points;
    for (const Terminal& terminal : terminals)
        points.append(terminal.block->inputTerminalPosition(terminal.index));
    return points;
}

QVector<QPointF> Diagram::terminalPoints(const QVector<DiagramAcquisitionItem*>& blocks)
{
    QVector<QPointF> points;
    for (const DiagramAcquisitionItem* block : blocks)
        points.append(block->outputTerminalPosition());
    return points;
}

void Diagram::showTargets(const QVector<QPointF>& points, const QColor& color)
{
    qDeleteAll(m_targetMarkers);
    m_targetMarkers.clear();
    const QPen pen(color.lighter(s_markerPenFactor));
    for (const QPointF& point : points)
        m_targetMarkers.append(createDot(point, pen, QBrush(color, Qt::SolidPattern), s_markerZ));
}

void Diagram::showDropHint(const QVector<QPointF>& points, const QPointF& position)
{
    deleteDropHint();
    const QColor color(0, 0, 0, 100);
    for (const QPointF& point : points)
    {
        if (squaredDistance(point, position) < s_maximumSquaredDistance)
        {
            m_pDropHint = createDot(point, QPen(color), QBrush(color, Qt::SolidPattern), s_dropHintZ);
            return;
        }
    }
}

DiagramAcquisitionItem* Diagram::acquisitionItemByFunction(int function) const
{
    for (DiagramAcquisitionItem* block : m_acquisitionItems)
        if (block->terminalIndexOf(function) >= 0)
            return block;
    return nullptr;
}

DiagramAcquisitionItem* Diagram::acquisitionItemBySample(int sample) const
{
    if (sample == s_invalidSample)
        return nullptr;
    for (DiagramAcquisitionItem* block : m_acquisitionItems)
        if (block->outputSample() == sample)
            return block;
    return nullptr;
}

void Diagram::setInputSymbols(int function, const QStringList& paths)
{
    if (DiagramAcquisitionItem* block = acquisitionItemByFunction(function))
        block->setInputSymbols(block->terminalIndexOf(function), paths);
}

void Diagram::setAcquisitionLabel(int sample, const QString& text)
{
    if (DiagramAcquisitionItem* block = acquisitionItemBySample(sample))
        block->setLabel(text);
}

void Diagram::setAcquisitionError(int selector, int key, const QString& text)
{
    Q_ASSERT_X(selector == ByFunction || selector == BySample, s_source, "selector == 0 || selector == 1");
    DiagramAcquisitionItem* block = nullptr;
    if (selector == ByFunction)
        block = acquisitionItemByFunction(key);
    else if (selector == BySample)
        block = acquisitionItemBySample(key);
    if (block)
        block->setError(text);
}

void Diagram::clearErrors()
{
    for (DiagramAcquisitionItem* block : qAsConst(m_acquisitionItems))
        block->clearError();
}

void Diagram::deleteDropHint()
{
    delete m_pDropHint;
    m_pDropHint = nullptr;
}

QGraphicsItem* Diagram::createDot(const QPointF& point, const QPen& pen, const QBrush& brush, double z)
{
    QGraphicsEllipseItem* dot =
        addEllipse(point.x() - s_dotRadius, point.y() - s_dotRadius, 2 * s_dotRadius, 2 * s_dotRadius, pen, brush);
    dot->setZValue(z);
    return dot;
}
