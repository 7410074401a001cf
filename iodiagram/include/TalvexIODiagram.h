#pragma once

#include "TalvexDriverDescriptor.h"

#include <QGraphicsView>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVector>

class Diagram;
class DiagramOutputItem;
class QStackedWidget;
class TalvexDriverInputConfiguration;
class TalvexDriverPWMSettings;

// Ties the I/O diagram scene to a board's input configuration. A page makes one, sets the
// options, counts, fixed inputs and extra channel labels, builds the scene once with the blocks
// it wants and then feeds it configurations: the channel map and output mask become connections,
// the pull, edge and gain settings symbols and labels, and faulty wiring error markers on the
// blocks. In the other direction it writes the user's connections into a configuration. The
// scene is its child; the page puts the view into its layout. GUI thread only.
class TalvexIODiagram : public QObject
{
    Q_OBJECT

public:
    enum Option
    {
        // Every board channel is fixed to its fixed input.
        OptionFixedChannels = 1,
        // The quadrature inputs sit on encoder pins of their own: no quadrature checks.
        OptionEncoderInputs = 2
    };

    // The values of the input configuration that the scene knows as "none".
    static constexpr int s_noFunction = 255;
    static constexpr int s_noSample = 0;

    // frameFlags: Diagram::FrameFlag.
    TalvexIODiagram(QObject* parent, int width, int height, int frameFlags, const TalvexDriverDescriptor& descriptor);
    ~TalvexIODiagram() override;

    Diagram* diagram() const { return m_pDiagram; }
    QGraphicsView* view() const { return m_pView; }

    // These take effect when the scene is built.
    void setOption(int key, bool value);
    void setChannelCount(int count);
    void setBufferCount(int count);
    void setFixedChannelInput(int channel, int function);
    // An extra channel, numbered outside 1 to the channel count.
    void setChannelLabel(int channel, const QString& text);

    // Once: one block per (kind, page index of that kind in pages) pair, then the channels and
    // buffers. A block shows its page when it is selected.
    void buildScene(QStackedWidget* pages, const QVector<QPair<int, int>>& kindsAndPages);
    const QSet<int>& itemKinds() const { return m_itemKinds; }

    // Shows the configuration's wiring, symbols and errors.
    void setInputConfiguration(const TalvexDriverInputConfiguration& configuration);
    // Stores the drawn wiring of the board channels (and, with buffers, the output mask) into the
    // configuration; channels without a connection get no entry.
    void writeInputConfiguration(TalvexDriverInputConfiguration& configuration) const;
    void updateSymbols(const TalvexDriverInputConfiguration& configuration);
    void updatePWMLabels(const TalvexDriverPWMSettings& settings);
    // Marks faulty wiring on the blocks; false when there is any.
    bool validateConnections(const TalvexDriverInputConfiguration& configuration);

private:
    TalvexDriverDescriptor m_descriptor;
    QMap<int, bool> m_options;
    QSet<int> m_itemKinds;
    QMap<int, int> m_fixedChannelInputs;
    QMap<int, QString> m_channelLabels;
    int m_channelCount = 0;
    int m_bufferCount = 0;
    QMap<int, DiagramOutputItem*> m_outputItems;
    Diagram* m_pDiagram;
    QPointer<QGraphicsView> m_pView;
};
