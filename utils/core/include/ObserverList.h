#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// The observers of one subject, told in the order in which they were added. An observer may add
// or remove observers (itself included) while it is told: one removed is not told afterwards,
// one added is first told by the next notification. Adding an observer twice keeps one entry.
//
// The observers belong to the object that holds the list: a copy starts without any and an
// assignment keeps the target's own. Not thread-safe; the subject's thread only. The list must
// outlive its own notifications (an observer must not destroy the subject while it is told).
template <class Observer>
class ObserverList
{
public:
    ObserverList() = default;
    ObserverList(const ObserverList&) {}
    ObserverList& operator=(const ObserverList&) { return *this; }

    // False when the observer was already there.
    bool add(Observer* observer)
    {
        if (!observer || contains(observer))
            return false;
        m_observers.push_back(observer);
        return true;
    }

    // False when the observer was not there.
    bool remove(Observer* observer)
    {
        const auto found = std::find(m_observers.begin(), m_observers.end(), observer);
        if (!observer || found == m_observers.end())
            return false;
        // A pass in progress holds positions into the list: leave a gap that it skips.
        if (m_passes > 0)
        {
            *found = nullptr;
            m_hasGaps = true;
        }
        else
        {
            m_observers.erase(found);
        }
        return true;
    }

    bool contains(const Observer* observer) const
    {
        return observer && std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end();
    }

    bool isEmpty() const
    {
        return std::none_of(m_observers.begin(), m_observers.end(), [](const Observer* o) { return o != nullptr; });
    }

    // Calls call(observer) for every observer present when the pass starts and still present
    // when its turn comes.
    template <class Call>
    void forEach(Call call) const
    {
        Pass pass(*this);
        const std::size_t end = m_observers.size();
        for (std::size_t i = 0; i < end; ++i)
            if (Observer* observer = m_observers[i])
                call(observer);
    }

    // The first observer for which predicate(observer) holds, or null.
    template <class Predicate>
    Observer* findFirst(Predicate predicate) const
    {
        for (Observer* observer : m_observers)
            if (observer && predicate(observer))
                return observer;
        return nullptr;
    }

    // Tells every observer through one of its operations, as forEach does.
    template <class... Params, class... Args>
    void notify(void (Observer::*operation)(Params...), const Args&... args) const
    {
        forEach([&](Observer* observer) { (observer->*operation)(args...); });
    }

private:
    // Counts the passes in progress; the last one to end closes the gaps left by removals.
    class Pass
    {
    public:
        explicit Pass(const ObserverList& list) : m_list(list) { ++m_list.m_passes; }
        ~Pass()
        {
            if (--m_list.m_passes == 0 && m_list.m_hasGaps)
            {
                auto& observers = m_list.m_observers;
                observers.erase(std::remove(observers.begin(), observers.end(), nullptr), observers.end());
                m_list.m_hasGaps = false;
            }
        }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

    private:
        const ObserverList& m_list;
    };

    mutable std::vector<Observer*> m_observers;
    mutable int m_passes = 0;
    mutable bool m_hasGaps = false;
};
