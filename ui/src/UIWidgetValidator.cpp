#include "UIWidgetValidator.h"

#include "UIIUserInput.h"
#include "UIIValidator.h"
#include "UIInfoTip.h"

UIWidgetValidator::UIWidgetValidator(UIIUserInput* input, boost::shared_ptr<UIIValidator> validator)
    : QObject(input->object())
    , m_pInput(input)
    , m_validator(validator)
{
}

void UIWidgetValidator::validateWidget()
{
    Q_ASSERT_X(m_validator, "src\\UIWidgetValidator", "m_validator");
    if (!m_validator)
        return;
    const UIValidationResult result = m_validator->validate(m_pInput->getValue());
    if (result.valid)
        return;
    m_pInput->setValue(result.corrected);
    UIInfoTip(UIInfoTip::Error, m_pInput, result.message, UIInfoTip::s_errorDuration);
}
