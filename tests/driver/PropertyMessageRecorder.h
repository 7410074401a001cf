#pragma once

#include "Properties.h"

#include <QList>
#include <QPair>
#include <QString>

// Records what a property set tells one observer.
template <class Traits>
class PropertyMessageRecorder : public Properties<Traits>::IChangeObserver
{
public:
    explicit PropertyMessageRecorder(Properties<Traits>& source) : m_pSource(&source) { source.addObserver(this); }
    ~PropertyMessageRecorder() override
    {
        if (m_pSource)
            m_pSource->removeObserver(this);
    }

    void propertyChanged(int id, const QVariant& value) override { m_changes.append(qMakePair(id, value)); }
    void validationMessage(int id, const QString& text) override { m_messages.append(qMakePair(id, text)); }
    void sourceDestroyed(Properties<Traits>*) override { m_pSource = nullptr; }

    Properties<Traits>* m_pSource;
    QList<QPair<int, QVariant>> m_changes;
    QList<QPair<int, QString>> m_messages;
};
