#pragma once

#include "UIIUserInput.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <algorithm>

// Records which signal kinds a user input raises, in the order heard.
class KindRecorder : public QObject
{
    Q_OBJECT

public:
    void watch(UIIUserInput* input)
    {
        input->connectSignal(this, SLOT(onCommit()), UIIUserInput::Commit);
        input->connectSignal(this, SLOT(onValueChanged()), UIIUserInput::ValueChanged);
        input->connectSignal(this, SLOT(onUserEdited()), UIIUserInput::UserEdited);
        input->connectSignal(this, SLOT(onEditingFinished()), UIIUserInput::EditingFinished);
        input->connectSignal(this, SLOT(onFocusLost()), UIIUserInput::FocusLost);
        input->connectSignal(this, SLOT(onValueSet()), UIIUserInput::ValueSet);
    }

    QList<int> sorted() const
    {
        QList<int> kinds = m_kinds;
        std::sort(kinds.begin(), kinds.end());
        return kinds;
    }

    int count(int kind) const { return m_kinds.count(kind); }
    void clear() { m_kinds.clear(); }

public slots:
    void onUserEdited() { record(UIIUserInput::UserEdited); }
    void onEditingFinished() { record(UIIUserInput::EditingFinished); }
    void onValueChanged() { record(UIIUserInput::ValueChanged); }
    void onFocusLost() { record(UIIUserInput::FocusLost); }
    void onValueSet() { record(UIIUserInput::ValueSet); }
    void onCommit() { record(UIIUserInput::Commit); }

public:
    // Also logs "kind <n>" here, to order the kinds among other events.
    QStringList* m_pLog = nullptr;

private:
    void record(int kind)
    {
        m_kinds << kind;
        if (m_pLog)
            *m_pLog << QString("kind %1").arg(kind);
    }

    QList<int> m_kinds;
};
