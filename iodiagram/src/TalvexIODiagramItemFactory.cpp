#include "TalvexIODiagramItemFactory.h"

#include "TalvexIODiagramAcquisitionItemCreator.h"
#include "TalvexIODiagramIds.h"
#include "TalvexIODiagramItemType.h"
#include "TalvexIODiagramOutputItemCreator.h"

#include <QChar>
#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

namespace
{
const char* const s_source = "src\\TalvexIODiagramItemFactory";
using namespace TalvexIODiagramIds;
typedef TalvexIODiagramAcquisitionItemCreator::Kind Kind;
typedef QMap<int, boost::shared_ptr<TalvexIODiagramIAcquisitionItemCreator>> AcquisitionCreators;
typedef QMap<int, boost::shared_ptr<TalvexIODiagramIOutputItemCreator>> OutputCreators;

// The ADC and the quadrature decoder sit on the first four channels.
const int s_decoderChannels = 4;

void addAcquisition(AcquisitionCreators& creators, int type, const Kind& kind)
{
    creators.insert(type, boost::make_shared<TalvexIODiagramAcquisitionItemCreator>(kind));
}

void fillAcquisitionCreators(AcquisitionCreators& creators)
{
    const QString figureDash(QChar(0x2012));
    addAcquisition(creators, ADC,
        {":/rc/adc.png", {AdcPositive, AdcNegative}, AdcSample, {"+", figureDash}, s_decoderChannels, false, false});
    addAcquisition(creators, Quadrature,
        {":/rc/quadrature.png", {QuadratureA, QuadratureB}, QuadratureSample, {"A", "B"}, s_decoderChannels, true,
            true});
    addAcquisition(creators, Event, {":/rc/events.png", {EventCounter}, EventSample, {}, 0, false, false});
    addAcquisition(creators, LimitStart, {":/rc/startlimit.png", {StartLimit}, NoSample, {}, 0, false, false});
    addAcquisition(creators, LimitEnd, {":/rc/endlimit.png", {EndLimit}, NoSample, {}, 0, false, false});
    addAcquisition(creators, MotorCtrl,
        {":/rc/motor_control.png", {MotorControlM, MotorControlP}, NoSample, {"M", "P"}, 0, false, false});
    addAcquisition(creators, Pelmora, {":/rc/pelmora.png", {PelmoraS, PelmoraD}, NoSample, {"S", "D"}, 0, false, false});
    addAcquisition(creators, StepCount, {":/rc/stepcount.png", {}, StepSample, {}, 0, false, false});
    addAcquisition(creators, Stop, {":/rc/emergency.png", {StopInput}, NoSample, {}, 0, false, false});
}

void fillOutputCreators(OutputCreators& creators)
{
    creators.insert(PWM, boost::make_shared<TalvexIODiagramOutputItemCreator>(":/rc/pwm.png", 1));
    creators.insert(DualPWM, boost::make_shared<TalvexIODiagramOutputItemCreator>(":/rc/pwm_medium.png", 2));
    creators.insert(Relay, boost::make_shared<TalvexIODiagramOutputItemCreator>(":/rc/relay.png", 1));
}
}

TalvexIODiagramItemFactory::TalvexIODiagramItemFactory(const QMap<int, bool>& options)
    : m_options(options)
{
}

DiagramAcquisitionItem* TalvexIODiagramItemFactory::createAcquisitionItem(int itemType, QStackedWidget* pages,
    int pageIndex) const
{
    static AcquisitionCreators creators;
    if (creators.isEmpty())
        fillAcquisitionCreators(creators);
    Q_ASSERT_X(creators.contains(itemType), s_source, "creators.contains(itemType)");
    const auto creator = creators.value(itemType);
    return creator ? creator->create(*this, pages, pageIndex) : nullptr;
}

DiagramOutputItem* TalvexIODiagramItemFactory::createOutputItem(int itemType, QStackedWidget* pages,
    int pageIndex) const
{
    static OutputCreators creators;
    if (creators.isEmpty())
        fillOutputCreators(creators);
    Q_ASSERT_X(creators.contains(itemType), s_source, "creators.contains(itemType)");
    const auto creator = creators.value(itemType);
    return creator ? creator->create(*this, pages, pageIndex) : nullptr;
}
