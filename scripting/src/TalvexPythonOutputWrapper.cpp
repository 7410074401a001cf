#include "TalvexPythonOutputWrapper.h"

#include "TalvexDocument.h"
#include "TalvexDriverCommands.h"
#include "TalvexPythonArguments.h"
#include "TalvexPythonContext.h"

#include <QElapsedTimer>
#include <limits>
#include <stdexcept>

namespace py = pybind11;

namespace
{
typedef TalvexPythonOutputWrapper W;

const int s_maximumPercent = 100;

void setRelay(bool on)
{
    TalvexPythonContext::callInGuiThread(
        [on] { TalvexPythonContext::sendCommand([on](TalvexDriverCommands& c) { return c.setRelay(on); }); });
}
}

void TalvexPythonOutputWrapper::bind(py::module_& module)
{
    py::class_<W>(module, "Output")
        .def(py::init<>())
        .def("setPWM", &W::setPWM, py::arg("percent"))
        .def("relayOn", &W::relayOn)
        .def("relayOff", &W::relayOff)
        .def("wait", &W::wait, py::arg("ms"));
}

void TalvexPythonOutputWrapper::setPWM(const py::int_& percent)
{
    if (py::int_(0) > percent || percent > py::int_(s_maximumPercent))
        throw std::runtime_error("PWM value not within [0..100] percent range.");
    const int duty = TalvexPythonArguments::toInt(percent);
    TalvexPythonContext::callInGuiThread([duty] {
        if (!TalvexPythonContext::s_pDocument || !TalvexPythonContext::s_pDispatcher)
            throw std::runtime_error("No device is open");
        // The settings clamp the duty cycle to its limit; the payload is the connected model's.
        TalvexDriverPWMSettings* pwm = TalvexPythonContext::s_pDocument->pwmSettings();
        pwm->setValue(TalvexDriverPWMSettings::PWM1DutyCycle, duty);
        TalvexPythonContext::sendCommand([pwm](TalvexDriverCommands& c) { return c.setPWMSettings(*pwm); });
    });
}

void TalvexPythonOutputWrapper::relayOn()
{
    setRelay(true);
}

void TalvexPythonOutputWrapper::relayOff()
{
    setRelay(false);
}

void TalvexPythonOutputWrapper::wait(const py::int_& ms)
{
    const qint64 duration = TalvexPythonArguments::toInteger(
        ms, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    QElapsedTimer timer;
    timer.start();
    TalvexPythonContext::waitUntil([&timer, duration] { return timer.hasExpired(duration); });
}
