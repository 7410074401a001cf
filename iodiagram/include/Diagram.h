#pragma once

#include <QGraphicsScene>
#include <QMap>
#include <QMultiMap>
#include <QStringList>
#include <QVector>

class DiagramAcquisitionItem;
class DiagramBufferItem;
class DiagramChannelItem;
class DiagramOutputItem;

// The scene on which the wiring of a board's inputs is drawn and edited with the mouse:
// channels in a column on the left, sample buffers in a column on the right and a column of
// acquisition and output blocks between them. It decides whether a dropped channel or buffer
// connects to a terminal, keeps the connections in both directions, marks where a pressed item
// may go and hints where a dragged one would land. It knows nothing of boards: the adapter
// translates between its connections and an input configuration. Add the blocks first, then
// the channels, then the buffers. Owns its items. GUI thread only.
class Diagram : public QGraphicsScene
{
    Q_OBJECT

public:
    enum FrameFlag
    {
        ChannelFrame = 0x1,
        BufferFrame = 0x2
    };

    // The values of "no function" and "no sample"; process-wide, set before any scene exists.
    static int s_invalidFunction;
    static int s_invalidSample;

    Diagram(double x, double y, double width, double height, QObject* parent, int frameFlags);

    void addAcquisitionItem(DiagramAcquisitionItem* item);
    void addOutputItem(DiagramOutputItem* item);
    // A fixed item is connected at once to its first allowable function (or sample) and takes
    // no place in its column.
    void addChannelItem(DiagramChannelItem* item);
    void addBufferItem(DiagramBufferItem* item);

    DiagramChannelItem* channelItem(int channel) const { return m_channels.value(channel); }
    DiagramBufferItem* bufferItem(int buffer) const { return m_buffers.value(buffer); }
    const QVector<DiagramAcquisitionItem*>& acquisitionItems() const { return m_acquisitionItems; }
    const QVector<DiagramOutputItem*>& outputItems() const { return m_outputItems; }

    // s_invalidFunction or s_invalidSample when not connected. A channel with two functions
    // gives the one connected last.
    int channelFunction(int channel) const;
    int bufferSample(int buffer) const;
    QList<int> channelFunctions(int channel) const { return m_channelToFunction.values(channel); }
    // Whether the function is connected to some channel.
    bool isFunctionConnected(int function) const { return m_functionToChannel.contains(function); }

    // Replace every connection of one kind and move the items onto their terminals (or home);
    // connectionsChanged is not emitted. A channel may have two entries.
    void setChannelFunctions(const QMultiMap<int, int>& channelFunctions);
    void setBufferSamples(const QMap<int, int>& bufferSamples);

    void disconnectChannel(int channel);
    void disconnectBuffer(int buffer);
    // After a drop with the item's anchor at position (scene): true when connected, position
    // then holds the terminal. A fixed item that connects nothing goes back to its function.
    bool connectChannel(int channel, QPointF& position);
    bool connectBuffer(int buffer, QPointF& position);

    void showChannelTargets(bool show, int channel);
    void showBufferTargets(bool show, int buffer);
    void showChannelDropHint(int channel, const QPointF& position);
    void showBufferDropHint(int buffer, const QPointF& position);
    int targetMarkerCount() const { return m_targetMarkers.count(); }
    // Null when there is none.
    const QGraphicsItem* dropHint() const { return m_pDropHint; }

    DiagramAcquisitionItem* acquisitionItemByFunction(int function) const;
    DiagramAcquisitionItem* acquisitionItemBySample(int sample) const;

    void setInputSymbols(int function, const QStringList& paths);
    void setAcquisitionLabel(int sample, const QString& text);
    enum ErrorSelector
    {
        ByFunction = 0,
        BySample = 1
    };
    void setAcquisitionError(int selector, int key, const QString& text);
    void clearErrors();

signals:
    void connectionsChanged();

private:
    struct Terminal
    {
        DiagramAcquisitionItem* block = nullptr;
        int index = -1;
    };
    // Free terminals the channel may go to, in drop order (block added first, lower index first).
    QVector<Terminal> channelTerminals(const DiagramChannelItem* channel) const;
    QVector<DiagramAcquisitionItem*> bufferTerminals(const DiagramBufferItem* buffer) const;
    // The fixed channel's function or buffer's sample back after a drop that connected nothing.
    bool reconnectFixedChannel(DiagramChannelItem* channel, QPointF& position);
    bool reconnectFixedBuffer(DiagramBufferItem* buffer, QPointF& position);
    static QVector<QPointF> terminalPoints(const QVector<Terminal>& terminals);
    static QVector<QPointF> terminalPoints(const QVector<DiagramAcquisitionItem*>& blocks);
    void showTargets(const QVector<QPointF>& points, const QColor& color);
    // At the first point within reach of position.
    void showDropHint(const QVector<QPointF>& points, const QPointF& position);
    void deleteDropHint();
    QGraphicsItem* createDot(const QPointF& point, const QPen& pen, const QBrush& brush, double z);

    int m_itemX;
    QMap<int, DiagramChannelItem*> m_channels;
    QVector<DiagramAcquisitionItem*> m_acquisitionItems;
    QVector<DiagramOutputItem*> m_outputItems;
    QMap<int, DiagramBufferItem*> m_buffers;
    QMultiMap<int, int> m_channelToFunction;
    QMap<int, int> m_functionToChannel;
    QMap<int, int> m_bufferToSample;
    QMap<int, int> m_sampleToBuffer;
    QGraphicsItem* m_pDropHint = nullptr;
    QVector<QGraphicsItem*> m_targetMarkers;
    int m_channelSlots = 0;
    int m_bufferSlots = 0;
};
