#include "TalvexIODiagram.h"

#include "Diagram.h"
#include "DiagramBufferItem.h"
#include "DiagramChannelItem.h"
#include "DiagramOutputItem.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexIODiagramIds.h"
#include "TalvexIODiagramItemFactory.h"
#include "TalvexIODiagramItemType.h"
#include "ValueConversions.h"

#include <QGraphicsView>
#include <QStackedWidget>

namespace
{
using namespace TalvexIODiagramIds;
typedef TalvexDriverInputConfiguration Input;


// Blocks are placed in these orders, top to bottom.
const int s_acquisitionOrder[] = {ADC, Quadrature, Event, LimitStart, LimitEnd, Stop, MotorCtrl, Pelmora, StepCount};
const int s_outputOrder[] = {PWM, DualPWM, Relay};
// Buffers take the samples of the output mask in this order.
const int s_bufferSampleOrder[] = {AdcSample, QuadratureSample, EventSample, StepSample};

const QColor s_channelColor(254, 220, 76);
const QColor s_bufferColor(163, 196, 255);

QString pullSymbol(const QVariant& value)
{
    switch (variantToInt(value))
    {
    case 0:
        return QStringLiteral(":/rc/highz.png");
    case 1:
        return QStringLiteral(":/rc/pullup.png");
    case 2:
        return QStringLiteral(":/rc/pulldown.png");
    default:
        return QString();
    }
}

QString edgeSymbol(const QVariant& value)
{
    switch (variantToInt(value))
    {
    case 0:
        return QStringLiteral(":/rc/rising.png");
    case 1:
        return QStringLiteral(":/rc/falling.png");
    default:
        return QString();
    }
}
}

TalvexIODiagram::TalvexIODiagram(QObject* parent, int width, int height, int frameFlags,
    const TalvexDriverDescriptor& descriptor)
    : QObject(parent)
    , m_descriptor(descriptor)
    , m_options({{OptionFixedChannels, false}, {OptionEncoderInputs, false}})
{
    Diagram::s_invalidFunction = s_noFunction;
    Diagram::s_invalidSample = s_noSample;
    m_pDiagram = new Diagram(0, 0, width, height, this, frameFlags);
    m_pView = new QGraphicsView(m_pDiagram);
    m_pView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pView->setSceneRect(0, 0, width, height);
    m_pView->setFrameShape(QFrame::Box);
    m_pView->setFrameShadow(QFrame::Plain);
}

TalvexIODiagram::~TalvexIODiagram()
{
    // A view that no page took would be left without owner.
    if (m_pView && !m_pView->parent())
        delete m_pView;
}

void TalvexIODiagram::setOption(int key, bool value)
{
    m_options.insert(key, value);
}

void TalvexIODiagram::setChannelCount(int count)
{
    m_channelCount = count;
}

void TalvexIODiagram::setBufferCount(int count)
{
    m_bufferCount = count;
}

void TalvexIODiagram::setFixedChannelInput(int channel, int function)
{
    m_fixedChannelInputs.insert(channel, function);
}

void TalvexIODiagram::setChannelLabel(int channel, const QString& text)
{
    m_channelLabels.insert(channel, text);
}

void TalvexIODiagram::buildScene(QStackedWidget* pages, const QVector<QPair<int, int>>& kindsAndPages)
{
    QMap<int, int> pageOfKind;
    for (const QPair<int, int>& pair : kindsAndPages)
        pageOfKind.insert(pair.first, pair.second);
    const TalvexIODiagramItemFactory factory(m_options);

    for (int kind : s_acquisitionOrder)
    {
        if (!pageOfKind.contains(kind))
            continue;
        m_pDiagram->addAcquisitionItem(factory.createAcquisitionItem(kind, pages, pageOfKind.value(kind)));
        m_itemKinds.insert(kind);
    }
    for (int kind : s_outputOrder)
    {
        if (!pageOfKind.contains(kind))
            continue;
        DiagramOutputItem* item = factory.createOutputItem(kind, pages, pageOfKind.value(kind));
        m_pDiagram->addOutputItem(item);
        m_itemKinds.insert(kind);
        m_outputItems.insert(kind, item);
    }

    const bool allFixed = m_options.value(OptionFixedChannels);
    // A channel that is fixed but has no input of its own stays in the column, unconnected and
    // still: it is never given a function the user did not choose.
    const auto fix = [this](DiagramChannelItem* item) {
        item->setFixed(true);
        if (m_fixedChannelInputs.contains(item->number()))
            item->setAllowableFunctions({m_fixedChannelInputs.value(item->number())});
        else
            item->setMovable(false);
    };
    for (int channel = 1; channel <= m_channelCount; ++channel)
    {
        DiagramChannelItem* item = new DiagramChannelItem(channel, QStringLiteral("Channel %1").arg(channel), s_channelColor);
        m_pDiagram->addChannelItem(item);
        if (allFixed || m_fixedChannelInputs.contains(channel))
            fix(item);
    }
    for (auto it = m_channelLabels.cbegin(); it != m_channelLabels.cend(); ++it)
    {
        DiagramChannelItem* item = new DiagramChannelItem(it.key(), it.value(), s_channelColor);
        if (allFixed || m_fixedChannelInputs.contains(it.key()))
            fix(item);
        m_pDiagram->addChannelItem(item);
    }
    for (int buffer = 1; buffer <= m_bufferCount; ++buffer)
        m_pDiagram->addBufferItem(new DiagramBufferItem(buffer, QStringLiteral(":/rc/buffer.png"), s_bufferColor));
}

void TalvexIODiagram::setInputConfiguration(const TalvexDriverInputConfiguration& configuration)
{
    QMultiMap<int, int> channelFunctions;
    for (int channel = 1; channel <= m_channelCount; ++channel)
    {
        const int function = configuration.channelAssignment(channel);
        if (function != s_noFunction)
            channelFunctions.insert(channel, function);
    }
    for (auto it = m_fixedChannelInputs.cbegin(); it != m_fixedChannelInputs.cend(); ++it)
        if (!channelFunctions.contains(it.key(), it.value()))
            channelFunctions.insert(it.key(), it.value());
    m_pDiagram->setChannelFunctions(channelFunctions);

    if (m_bufferCount >= 1)
    {
        const int mask = configuration.getOutputMask();
        QMap<int, int> bufferSamples;
        int buffer = 1;
        for (int sample : s_bufferSampleOrder)
        {
            // A sample whose block is not drawn has nowhere to go.
            if (buffer > m_bufferCount || !(mask & sample) || !m_pDiagram->acquisitionItemBySample(sample))
                continue;
            bufferSamples.insert(buffer++, sample);
        }
        m_pDiagram->setBufferSamples(bufferSamples);
    }

    updateSymbols(configuration);
    validateConnections(configuration);
}

void TalvexIODiagram::writeInputConfiguration(TalvexDriverInputConfiguration& configuration) const
{
    QMap<int, int> assignments;
    for (int channel = 1; channel <= m_channelCount; ++channel)
    {
        const int function = m_pDiagram->channelFunction(channel);
        if (function != s_noFunction)
            assignments.insert(channel, function);
    }
    configuration.setChannelAssignments(assignments);
    if (m_bufferCount < 1)
        return;
    int mask = 0;
    for (int buffer = 1; buffer <= m_bufferCount; ++buffer)
        mask |= m_pDiagram->bufferSample(buffer);
    configuration.setOutputMask(mask);
}

void TalvexIODiagram::updateSymbols(const TalvexDriverInputConfiguration& configuration)
{
    QMap<int, QStringList> symbols;
    const auto pullAndEdge = [&](int function, int pull, int edge) {
        symbols.insert(function, {pullSymbol(configuration.value(pull)), edgeSymbol(configuration.value(edge))});
    };
    if (m_itemKinds.contains(ADC))
    {
        symbols.insert(AdcPositive, {QStringLiteral(":/rc/highz.png")});
        symbols.insert(AdcNegative, {QStringLiteral(":/rc/highz.png")});
    }
    if (m_itemKinds.contains(Quadrature))
    {
        symbols.insert(QuadratureA, {pullSymbol(configuration.value(Input::QuadAPullConfig))});
        symbols.insert(QuadratureB, {pullSymbol(configuration.value(Input::QuadBPullConfig))});
    }
    if (m_itemKinds.contains(Event))
        pullAndEdge(EventCounter, Input::EventPullConfig, Input::EventEdge);
    if (m_itemKinds.contains(LimitStart))
        pullAndEdge(StartLimit, Input::LimitStartPullConfig, Input::LimitStartEdge);
    if (m_itemKinds.contains(LimitEnd))
        pullAndEdge(EndLimit, Input::LimitEndPullConfig, Input::LimitEndEdge);
    if (m_itemKinds.contains(Stop))
        pullAndEdge(StopInput, Input::StopPullConfig, Input::StopEdge);
    for (auto it = symbols.cbegin(); it != symbols.cend(); ++it)
        m_pDiagram->setInputSymbols(it.key(), it.value());
    if (m_itemKinds.contains(ADC))
        m_pDiagram->setAcquisitionLabel(AdcSample, configuration.adcGainText());
}

void TalvexIODiagram::updatePWMLabels(const TalvexDriverPWMSettings& settings)
{
    const int first = variantToInt(settings.value(TalvexDriverPWMSettings::PWM1DutyCycle));
    const int second = variantToInt(settings.value(TalvexDriverPWMSettings::PWM2DutyCycle));
    if (DiagramOutputItem* pwm = m_outputItems.value(PWM))
        pwm->setOutputLabel(QStringLiteral("%1 %").arg(first), 1);
    if (DiagramOutputItem* dual = m_outputItems.value(DualPWM))
    {
        dual->setOutputLabel(QStringLiteral("1: %1 %").arg(first), 1);
        dual->setOutputLabel(QStringLiteral("2: %1 %").arg(second), 2);
    }
}

bool TalvexIODiagram::validateConnections(const TalvexDriverInputConfiguration& configuration)
{
    m_pDiagram->clearErrors();
    bool valid = true;
    // Only the board's channels count; a later channel wins a function.
    QMap<int, int> channelOf;
    for (int channel = 1; channel <= m_channelCount; ++channel)
        for (int function : m_pDiagram->channelFunctions(channel))
            channelOf.insert(function, channel);

    const auto fail = [&](int selector, int key, const QString& text) {
        m_pDiagram->setAcquisitionError(selector, key, text);
        valid = false;
    };
    if (!m_options.value(OptionEncoderInputs))
    {
        const bool a = channelOf.contains(QuadratureA);
        const bool b = channelOf.contains(QuadratureB);
        if (a != b)
            fail(Diagram::BySample, QuadratureSample, QStringLiteral("Both quadrature inputs must be connected!"));
        if (a && b && channelOf.value(QuadratureB) != channelOf.value(QuadratureA) + 1)
            fail(Diagram::BySample, QuadratureSample, QStringLiteral("Successive channels must be used!"));
        if (a && b && channelOf.contains(EventCounter))
            fail(Diagram::BySample, EventSample,
                QStringLiteral("The event counter cannot be used together with the quadrature decoder!"));
    }
    const bool positive = channelOf.contains(AdcPositive);
    const bool negative = channelOf.contains(AdcNegative);
    if (negative && !positive)
        fail(Diagram::BySample, AdcSample, QStringLiteral("The positive input of the ADC is not connected!"));
    else if (positive && !negative && variantToInt(configuration.value(Input::ADCGain)) != 0)
        fail(Diagram::BySample, AdcSample,
            QStringLiteral("For single-ended inputs only a gain of x1 is supported!\n"
                           "To use non-unity gain for single-ended measurements,\n"
                           "connect the negative ADC input to ground and use differential measurements."));
    return valid;
}
