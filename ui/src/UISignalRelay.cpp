#include "UISignalRelay.h"

#include "UIIBinding.h"
#include "UISignalRelayMethodCall.h"

UISignalRelay::UISignalRelay(QObject* parent)
    : QObject(parent)
{
}

void UISignalRelay::addCall(UISignalRelayCall* call)
{
    call->setParent(this);
    m_calls.insert(call);
}

void UISignalRelay::addUpdateSourceCall(UIIBinding* binding)
{
    addCall(new UISignalRelayMethodCall<UIIBinding>(binding, &UIIBinding::updateSource));
}

void UISignalRelay::slot()
{
    // Blocking a relay must also stop its calls, or a programmatic change would commit.
    if (signalsBlocked())
        return;
    emit signal();
    const QSet<UISignalRelayCall*> calls = m_calls;
    for (UISignalRelayCall* call : calls)
        call->call();
}
