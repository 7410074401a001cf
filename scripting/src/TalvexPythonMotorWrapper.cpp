#include "TalvexPythonMotorWrapper.h"

#include "TalvexDocument.h"
#include "TalvexDriverCommands.h"
#include "TalvexPythonArguments.h"
#include "TalvexPythonContext.h"
#include "TalvexPythonQString.h"
#include "TalvexRequestDispatcher.h"
#include "ValueConversions.h"

#include <QObject>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace py = pybind11;

namespace
{
typedef TalvexPythonMotorWrapper M;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotionConfiguration Motion;
typedef TalvexDriverMotorConfiguration MotorSettings;

const char* const s_badUnit = "Invalid unit conversion factor encountered.";
const qint64 s_maxSteps = std::numeric_limits<qint32>::max();
const qint64 s_intMin = std::numeric_limits<int>::min();
const qint64 s_intMax = std::numeric_limits<int>::max();
const double s_minimumStepDegrees = 0.001;

// ---- GUI thread only.
TalvexDocument& document()
{
    if (!TalvexPythonContext::s_pDocument || !TalvexPythonContext::s_pDispatcher)
        throw std::runtime_error("No device is open");
    return *TalvexPythonContext::s_pDocument;
}

TalvexDriverDescriptor model()
{
    document();
    return TalvexPythonContext::s_pDispatcher->deviceDescriptor();
}

// Micro-steps per full step.
double microSteps()
{
    return std::ldexp(1.0, variantToInt(document().motionConfiguration()->value(Motion::MicroStepping)));
}

double stepDegrees()
{
    return variantToDouble(document().motorConfiguration()->value(MotorSettings::StepDegrees));
}

// Full steps per second (or per second squared) in the unit; 0.0 for no unit.
double velocityFactor(int unit)
{
    const double s = stepDegrees();
    switch (unit)
    {
    case M::FullSteps:
        return 1.0;
    case M::MicroSteps:
        return microSteps();
    case M::Revolutions:
        return s / 360.0;
    case M::RPM:
        return s / 360.0 * 60.0;
    case M::Degrees:
        return s;
    case M::Radians:
        return s * 3.14159265359 / 180.0;
    default:
        return 0.0;
    }
}

// Micro-steps per one unit of a position or distance; 0.0 for no unit or no step size.
double positionFactor(int unit)
{
    const double s = stepDegrees();
    if (s < s_minimumStepDegrees)
        return 0.0;
    const double m = microSteps();
    switch (unit)
    {
    case M::FullSteps:
        return m;
    case M::MicroSteps:
        return 1.0;
    case M::Revolutions:
        return 360.0 / s * m;
    case M::Degrees:
        return m / s;
    case M::Radians:
        return 57.29577951307855 / s * m;
    default:
        return 0.0;
    }
}

// The unit a script passed, checked before anything is read or sent: a number that is none of
// the units, or RPM for a position or distance, raises ValueError naming it. A factor of 0.0
// must never reach a move: it would send the motor to position 0.
int checkedUnit(const py::int_& unit, bool isPosition)
{
    for (int value = M::FullSteps; value <= M::Radians; ++value)
    {
        if (!unit.equal(py::int_(value)))
            continue;
        if (isPosition && value == M::RPM)
            throw std::invalid_argument("Motor.RPM is a unit of speed, not of a position or distance");
        return value;
    }
    throw std::invalid_argument("Unknown unit " + py::repr(unit).cast<std::string>());
}

// Micro-steps per one unit; a step size too small to convert raises instead of giving 0.0.
double checkedPositionFactor(int unit)
{
    const double factor = positionFactor(unit);
    if (factor == 0.0)
        throw std::runtime_error(s_badUnit);
    return factor;
}

double position()
{
    return document().motorInfo()->microStepPosition(model());
}

// Throws the first message of a validation that found fault.
template <class Messages>
void throwFirst(const Messages& messages)
{
    if (!messages.isEmpty())
        throw std::invalid_argument(messages.first().first.toStdString());
}

// A counted move; steps is signed, its sign the direction.
void move(qint64 steps)
{
    if (steps == 0)
        return;
    const int direction = steps < 0 ? TalvexDriverMotorMoveConfiguration::Backward
                                     : TalvexDriverMotorMoveConfiguration::Forward;
    TalvexDriverMotorMoveConfiguration record(TalvexDriverMotorMoveConfiguration::Counted, direction,
        int(steps < 0 ? -steps : steps));
    TalvexPythonContext::sendCommand([&record](TalvexDriverCommands& c) { return c.move(record); });
}
// ----

// Sends a read of the motor state and waits until the dispatcher has stored its reply into the
// document. From the script's thread.
void readMotorState()
{
    // The private requester lets the dispatcher tell when this read is answered; it belongs to
    // the GUI thread and is deleted there.
    QObject* requester = nullptr;
    TalvexPythonContext::callInGuiThread([&requester] {
        document();
        requester = new QObject;
        try
        {
            TalvexPythonContext::sendCommand([](TalvexDriverCommands& c) { return c.getMotorState(); }, requester);
        }
        catch (...)
        {
            delete requester;
            throw;
        }
    });
    struct Release
    {
        QObject* m_pRequester;
        ~Release() { m_pRequester->deleteLater(); }
    } release{requester};

    // A board that goes away never answers: the wait ends with the error instead of hanging.
    TalvexPythonContext::waitUntil([requester] {
        if (!TalvexPythonContext::isBoardOpen())
            throw std::runtime_error("No device is open");
        return TalvexPythonContext::s_pDispatcher->canSendRequest(requester, R::GetMotorState);
    });
}

// The velocity, or the tenfold acceleration, in full steps into its property; then the motion
// configuration goes to the board.
void setMotion(int id, double value, const py::int_& unit, double scale)
{
    const int unitValue = checkedUnit(unit, false);
    TalvexPythonContext::callInGuiThread([id, value, unitValue, scale] {
        const double factor = velocityFactor(unitValue);
        if (factor == 0.0)
            throw std::runtime_error(s_badUnit);
        const qint64 stored = TalvexPythonArguments::truncate(value * scale / factor, s_intMin, s_intMax);
        Motion* motion = document().motionConfiguration();
        motion->setValue(id, int(stored));
        throwFirst(motion->validate(model()));
        TalvexPythonContext::sendCommand([motion](TalvexDriverCommands& c) { return c.setMotionConfiguration(*motion); });
    });
}

double motionValue(int id, const py::int_& unit, double scale)
{
    const int unitValue = checkedUnit(unit, false);
    return TalvexPythonContext::valueInGuiThread<double>([id, unitValue, scale] {
        return variantToInt(document().motionConfiguration()->value(id)) * scale * velocityFactor(unitValue);
    });
}
}

void TalvexPythonMotorWrapper::bind(py::module_& module)
{
    py::class_<M> motor(module, "Motor");
    motor.def(py::init<>())
        .def("getStepSize", &M::getStepSize)
        .def("setStepSize", &M::setStepSize, py::arg("degrees"))
        .def("getCurrent", &M::getCurrent)
        .def("setCurrent", &M::setCurrent, py::arg("mA"))
        .def("getVelocity", &M::getVelocity, py::arg("unit"))
        .def("setVelocity", &M::setVelocity, py::arg("velocity"), py::arg("unit"))
        .def("getAccel", &M::getAccel, py::arg("unit"))
        .def("setAccel", &M::setAccel, py::arg("accel"), py::arg("unit"))
        .def("getPosition", &M::getPosition, py::arg("unit"))
        .def("turnOn", &M::turnOn)
        .def("turnOff", &M::turnOff)
        .def("moveRelative", &M::moveRelative, py::arg("distance"), py::arg("unit"))
        .def("moveAbsolute", &M::moveAbsolute, py::arg("position"), py::arg("unit"))
        .def("moveHome", &M::moveHome)
        .def("getState", &M::getState)
        .def("waitToFinish", &M::waitToFinish);
    motor.attr("FullSteps") = int(FullSteps);
    motor.attr("MicroSteps") = int(MicroSteps);
    motor.attr("Revolutions") = int(Revolutions);
    motor.attr("RPM") = int(RPM);
    motor.attr("Degrees") = int(Degrees);
    motor.attr("Radians") = int(Radians);
}

double TalvexPythonMotorWrapper::getStepSize()
{
    return TalvexPythonContext::valueInGuiThread<double>(stepDegrees);
}

void TalvexPythonMotorWrapper::setStepSize(double degrees)
{
    TalvexPythonArguments::finite(degrees);
    TalvexPythonContext::callInGuiThread(
        [degrees] { document().motorConfiguration()->setValue(MotorSettings::StepDegrees, degrees); });
}

int TalvexPythonMotorWrapper::getCurrent()
{
    return TalvexPythonContext::valueInGuiThread<int>(
        [] { return variantToInt(document().motorConfiguration()->value(MotorSettings::MotorCurrent)); });
}

void TalvexPythonMotorWrapper::setCurrent(const py::int_& mA)
{
    const int current = TalvexPythonArguments::toInt(mA);
    TalvexPythonContext::callInGuiThread([current] {
        MotorSettings* settings = document().motorConfiguration();
        settings->setValue(MotorSettings::MotorCurrent, current);
        throwFirst(settings->validate(model()));
        TalvexPythonContext::sendCommand(
            [settings](TalvexDriverCommands& c) { return c.setMotorConfiguration(*settings); });
    });
}

double TalvexPythonMotorWrapper::getVelocity(const py::int_& unit)
{
    return motionValue(Motion::Velocity, unit, 1.0);
}

void TalvexPythonMotorWrapper::setVelocity(double velocity, const py::int_& unit)
{
    setMotion(Motion::Velocity, velocity, unit, 1.0);
}

double TalvexPythonMotorWrapper::getAccel(const py::int_& unit)
{
    return motionValue(Motion::Acceleration, unit, 0.1);
}

void TalvexPythonMotorWrapper::setAccel(double accel, const py::int_& unit)
{
    setMotion(Motion::Acceleration, accel, unit, 10.0);
}

double TalvexPythonMotorWrapper::getPosition(const py::int_& unit)
{
    const int unitValue = checkedUnit(unit, true);
    return TalvexPythonContext::valueInGuiThread<double>(
        [unitValue] { return position() / checkedPositionFactor(unitValue); });
}

void TalvexPythonMotorWrapper::turnOn()
{
    TalvexPythonContext::callInGuiThread(
        [] { TalvexPythonContext::sendCommand([](TalvexDriverCommands& c) { return c.motorOn(); }); });
}

void TalvexPythonMotorWrapper::turnOff()
{
    TalvexPythonContext::callInGuiThread(
        [] { TalvexPythonContext::sendCommand([](TalvexDriverCommands& c) { return c.motorOff(); }); });
}

void TalvexPythonMotorWrapper::moveRelative(double distance, const py::int_& unit)
{
    TalvexPythonArguments::finite(distance);
    const int unitValue = checkedUnit(unit, true);
    TalvexPythonContext::callInGuiThread([distance, unitValue] {
        move(TalvexPythonArguments::truncate(distance * checkedPositionFactor(unitValue), -s_maxSteps, s_maxSteps));
    });
}

void TalvexPythonMotorWrapper::moveAbsolute(double position, const py::int_& unit)
{
    TalvexPythonArguments::finite(position);
    const int unitValue = checkedUnit(unit, true);
    TalvexPythonContext::callInGuiThread([position, unitValue] {
        move(TalvexPythonArguments::truncate(
            position * checkedPositionFactor(unitValue) - ::position(), -s_maxSteps, s_maxSteps));
    });
}

void TalvexPythonMotorWrapper::moveHome()
{
    TalvexPythonContext::callInGuiThread([] {
        TalvexDocument& doc = document();
        const int home = variantToInt(doc.advancedMotorMoveConfiguration()->value(
            TalvexDriverAdvancedMotorMoveConfiguration::HomePosition));
        if (!doc.inputConfiguration()->isHomeLimitConnected(home))
            throw std::runtime_error("The relevant limits are not configured. Configure the limits on the IO tab.");
        TalvexPythonContext::sendCommand([](TalvexDriverCommands& c) { return c.moveHome(); });
    });
}

QString TalvexPythonMotorWrapper::getState()
{
    // The document's record may predate the commands this script sent; the board takes them in
    // order, so a read behind them sees their effect.
    readMotorState();
    return TalvexPythonContext::valueInGuiThread<QString>([] { return document().motorInfo()->stateName(); });
}

void TalvexPythonMotorWrapper::waitToFinish()
{
    readMotorState();
    TalvexPythonContext::waitUntil([] {
        if (!TalvexPythonContext::isBoardOpen())
            throw std::runtime_error("No device is open");
        const int state = document().motorInfo()->getState();
        return state < TalvexDriverMotorInfo::FirstMoving || state > TalvexDriverMotorInfo::LastMoving - 1;
    });
}
