#pragma once

#include "DiagramItem.h"

#include <QColor>
#include <QMap>
#include <QPointF>
#include <QSizeF>
#include <QStringList>
#include <QVariant>
#include <QVector>

class DiagramSymbol;
class QStackedWidget;

// An acquisition block: input terminals on its left, one per input function (top to bottom),
// and at most one output terminal on its right that delivers a sample to a buffer. It decides
// which channel numbers its terminals take, shows symbols beside its terminals, labels and an
// error marker, and shows its settings page when it gets the focus.
class DiagramAcquisitionItem : public DiagramItem
{
public:
    enum ChannelRestriction
    {
        // Present: successive channels from terminal to terminal (needs MaxChannelNumber).
        OrderedChannels = 0,
        // The highest channel number the terminals take.
        MaxChannelNumber = 1
    };

    // The colour of every acquisition block.
    static const QColor s_acquisitionItemColor;

    // An output sample equal to the scene's invalid sample gives no output terminal.
    DiagramAcquisitionItem(QStackedWidget* pages, int pageIndex, const QString& path,
        const QVector<int>& inputFunctions, int outputSample, const QColor& color);

    int inputCount() const { return m_inputFunctions.count(); }
    int inputFunction(int terminalIndex) const;
    // -1 when no terminal has the function.
    int terminalIndexOf(int function) const;
    // Scene positions.
    QPointF inputTerminalPosition(int terminalIndex) const;
    QPointF outputTerminalPosition() const { return pos() + m_outputTerminalPosition; }
    int outputSample() const { return m_outputSample; }
    QSizeF symbolSize() const { return m_symbolSize; }

    void setChannelRestriction(int key, const QVariant& value);
    bool acceptsChannel(int channelNumber, int terminalIndex) const;

    // Pictures side by side beside the terminal, replacing earlier ones; an empty path adds none.
    void setInputSymbols(int terminalIndex, const QStringList& paths);
    void setInputLabel(int terminalIndex, const QString& text);
    // The text at the output terminal, replacing an earlier one.
    void setLabel(const QString& text);
    QString label() const;
    // One marker per block; a later error replaces its tool tip.
    void setError(const QString& text);
    void clearError();
    QString error() const;

private:
    QVector<int> m_inputFunctions;
    int m_outputSample;
    QSizeF m_symbolSize;
    QMap<int, QVariant> m_channelRestrictions;
    QVector<QPointF> m_inputTerminalPositions;
    QPointF m_outputTerminalPosition;
    QGraphicsSimpleTextItem* m_pLabel = nullptr;
    QVector<QGraphicsItem*> m_inputSymbols;
    QGraphicsItem* m_pErrorMarker = nullptr;
};
