#pragma once

#include "Properties.h"
#include "UIIBinding.h"
#include "UIIUserInput.h"

#include <QObject>

// Ties one property of a property set to one user input in both directions: the input shows
// the property, a commit of the input writes it, and whatever the set keeps is written back.
template <class Traits>
class UIPropertyBinding : public QObject, public UIIBinding, public Properties<Traits>::IChangeObserver
{
public:
    // Handed to an input with UIIUserInput::bindMethodCall, which makes it the input's child.
    UIPropertyBinding(Properties<Traits>* set, int id)
        : m_pSet(set)
        , m_id(id)
    {
        m_pSet->addObserver(this);
    }

    ~UIPropertyBinding() override
    {
        if (m_pSet)
            m_pSet->removeObserver(this);
    }

    void updateUserInput() override
    {
        if (m_pSet && m_pInput)
            m_pInput->setValue(m_pSet->value(m_id));
    }

    void updateSource() override
    {
        if (m_busy || !m_pSet || !m_pInput)
            return;
        m_busy = true;
        m_pSet->setValue(m_id, m_pInput->getValue());
        // The set may have replaced the value (or died while telling its observers).
        if (m_pSet)
        {
            const QVariant kept = m_pSet->value(m_id);
            if (kept != m_pInput->getValue())
                m_pInput->setValue(kept);
        }
        m_busy = false;
    }

    void setParent(QObject* parent) override { QObject::setParent(parent); }
    void setUserInput(UIIUserInput* input) override { m_pInput = input; }

    void validateSource() override
    {
        m_busy = true;
        if (m_pSet)
            m_pSet->description();
        m_busy = false;
    }

    void propertyChanged(int id, const QVariant& value) override
    {
        Q_UNUSED(value);
        // Refreshed from the set, which may hold something else by now.
        if (!m_busy && id == m_id && m_pSet)
            updateUserInput();
    }

    void validationMessage(int id, const QString& text) override
    {
        if (id != m_id || !m_pSet)
            return;
        updateUserInput();
        if (m_pInput)
            m_pInput->showInfoTip(text);
    }

    void sourceDestroyed(Properties<Traits>* source) override
    {
        Q_UNUSED(source);
        m_pSet = nullptr;
    }

private:
    Properties<Traits>* m_pSet;
    UIIUserInput* m_pInput = nullptr;
    int m_id;
    bool m_busy = false;
};
