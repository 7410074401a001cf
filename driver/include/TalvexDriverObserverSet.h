#pragma once

#include <QSet>

// The observers of a driver record. They belong to one object: a copy starts without any and
// an assignment keeps the target's own.
template <class Observer>
class TalvexDriverObserverSet
{
public:
    TalvexDriverObserverSet() = default;
    TalvexDriverObserverSet(const TalvexDriverObserverSet&) {}
    TalvexDriverObserverSet& operator=(const TalvexDriverObserverSet&) { return *this; }

    void add(Observer* observer) { m_observers.insert(observer); }
    void remove(Observer* observer) { m_observers.remove(observer); }

    // Tells each observer; one may add or remove observers meanwhile, and one removed before
    // its turn is not told.
    template <class Source>
    void notify(void (Observer::*slot)(Source*), Source* source) const
    {
        const QSet<Observer*> observers = m_observers;
        for (Observer* observer : observers)
            if (m_observers.contains(observer))
                (observer->*slot)(source);
    }

private:
    QSet<Observer*> m_observers;
};
