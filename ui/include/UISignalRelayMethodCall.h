#pragma once

#include "UISignalRelayCall.h"

// Calls one member function of a target object.
template <class T>
class UISignalRelayMethodCall : public UISignalRelayCall
{
public:
    using Method = void (T::*)();

    UISignalRelayMethodCall(T* target, Method method) : m_pTarget(target), m_method(method) {}

    void call() override { (m_pTarget->*m_method)(); }

private:
    T* m_pTarget;
    Method m_method;
};
