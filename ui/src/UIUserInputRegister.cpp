#include "UIUserInputRegister.h"

void UIUserInputRegister::add(const QString& key, UIIUserInput* input)
{
    m_inputs.insert(key, input);
}

UIIUserInput* UIUserInputRegister::get(const QString& key) const
{
    Q_ASSERT_X(m_inputs.contains(key), "src\\UIUserInputRegister", "m_inputs.contains(name)");
    return m_inputs.value(key, nullptr);
}

bool UIUserInputRegister::contains(const QString& key) const
{
    return m_inputs.contains(key);
}

void UIUserInputRegister::remove(const QString& key)
{
    m_inputs.remove(key);
}

void UIUserInputRegister::clear()
{
    m_inputs.clear();
}
