#include "TalvexAccellerationBinding.h"

#include "UIIUserInput.h"
#include "UIUserInputRegister.h"
#include "ValueConversions.h"

#include <cmath>
#include <limits>

namespace
{
const QString s_key = QStringLiteral("BaseUnitAcceleration");

// The board's field is unsigned; the property is read back as an int.
const double s_highestTenths = double(std::numeric_limits<int>::max());
}

TalvexAccellerationBinding::TalvexAccellerationBinding(TalvexDriverMotionConfiguration* configuration,
    UIUserInputRegister* inputs, const TalvexDriverDescriptor& descriptor)
    : m_pInputs(inputs)
    , m_pConfiguration(configuration)
    , m_descriptor(descriptor)
{
    m_pConfiguration->addObserver(static_cast<Properties<TalvexDriverMotionConfigurationTraits>::IChangeObserver*>(this));
}

TalvexAccellerationBinding::~TalvexAccellerationBinding()
{
    if (m_pConfiguration)
        m_pConfiguration->removeObserver(
            static_cast<Properties<TalvexDriverMotionConfigurationTraits>::IChangeObserver*>(this));
}

UIIUserInput* TalvexAccellerationBinding::input() const
{
    return m_pInputs->get(s_key);
}

void TalvexAccellerationBinding::updateUserInput()
{
    if (!m_pConfiguration)
        return;
    const QVariant tenths = m_pConfiguration->value(TalvexDriverMotionConfiguration::Acceleration);
    // No acceleration yet: the editor keeps what it shows.
    if (variantToInt(tenths) != 0)
        input()->setValue(variantToDouble(tenths) * 0.1);
}

void TalvexAccellerationBinding::updateSource()
{
    if (!m_pConfiguration)
        return;
    m_busy = true;
    const double tenths = std::trunc(variantToDouble(input()->getValue()) * 10.0);
    // Held inside the field rather than wrapped; the editor then shows what is kept.
    const double held = std::isnan(tenths) ? 0.0 : qBound(0.0, tenths, s_highestTenths);
    m_pConfiguration->setValue(TalvexDriverMotionConfiguration::Acceleration, uint(held));
    m_busy = false;
    if (held != tenths && m_pConfiguration)
        input()->setValue(held * 0.1);
}

void TalvexAccellerationBinding::setParent(QObject* parent)
{
    QObject::setParent(parent);
}

void TalvexAccellerationBinding::setUserInput(UIIUserInput* input)
{
    Q_UNUSED(input);
}

void TalvexAccellerationBinding::validateSource()
{
    if (!m_pConfiguration)
        return;
    m_busy = true;
    m_pConfiguration->validate(m_descriptor);
    m_busy = false;
}

void TalvexAccellerationBinding::propertyChanged(int id, const QVariant& value)
{
    Q_UNUSED(value);
    if (!m_busy && id == TalvexDriverMotionConfiguration::Acceleration)
        updateUserInput();
}

void TalvexAccellerationBinding::validationMessage(int id, const QString& text)
{
    if (id != TalvexDriverMotionConfiguration::Acceleration)
        return;
    updateUserInput();
    input()->showInfoTip(text);
}

void TalvexAccellerationBinding::sourceDestroyed(Properties<TalvexDriverMotionConfigurationTraits>* source)
{
    Q_UNUSED(source);
    m_pConfiguration = nullptr;
}
