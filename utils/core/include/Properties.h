#pragma once

#include "ObserverList.h"
#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "StoredValueReader.h"

#include <QDataStream>
#include <QMap>
#include <QSet>
#include <QString>
#include <QVariant>

#include <algorithm>

// A set of values addressed by small integer ids, with observers that hear of every change.
// The traits class only makes each kind of set a distinct type with its own observer interface.
template <class Traits>
class Properties
{
public:
    class IChangeObserver
    {
    public:
        virtual ~IChangeObserver() = default;
        virtual void propertyChanged(int id, const QVariant& value) = 0;
        virtual void validationMessage(int id, const QString& text) = 0;
        // The set is going away: forget it, do not unregister.
        virtual void sourceDestroyed(Properties* source) = 0;
    };

    Properties() = default;
    Properties(const Properties& other) : m_values(other.m_values) {}

    virtual ~Properties()
    {
        m_observers.notify(&IChangeObserver::sourceDestroyed, static_cast<Properties*>(this));
    }

    virtual QString description() const { return QString(); }

    virtual void write(QDataStream& out) const
    {
        out << qint32(1);
        out << m_values;
    }

    virtual void read(QDataStream& in)
    {
        StreamableVersionException::readVersion(in, {1}, "..\\..\\utils\\core\\include\\Properties", 127);
        const QMap<int, QVariant> values = readValueMap(in);
        m_values = values;
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            changed(it.key(), it.value());
    }

    // Called after every change of a value.
    virtual void valueChanged(int id) { Q_UNUSED(id); }

    Properties& operator=(const Properties& other)
    {
        if (this == &other)
            return *this;
        QSet<int> ids = QSet<int>(m_values.keyBegin(), m_values.keyEnd());
        ids.unite(QSet<int>(other.m_values.keyBegin(), other.m_values.keyEnd()));
        m_values = other.m_values;
        QList<int> ordered = ids.values();
        std::sort(ordered.begin(), ordered.end());
        for (int id : ordered)
            changed(id, value(id));
        return *this;
    }

    void setValue(int id, const QVariant& value)
    {
        m_values.insert(id, value);
        changed(id, value);
    }

    QVariant value(int id) const { return m_values.value(id); }
    bool contains(int id) const { return m_values.contains(id); }
    const QMap<int, QVariant>& values() const { return m_values; }

    void addObserver(IChangeObserver* observer) { m_observers.add(observer); }
    void removeObserver(IChangeObserver* observer) { m_observers.remove(observer); }

    void notifyValidationMessage(int id, const QString& text)
    {
        m_observers.notify(&IChangeObserver::validationMessage, id, text);
    }

protected:
    // What a stored value of the id may be. A set that knows its ids narrows this; a file
    // holding anything else is refused.
    virtual StoredValueReader::Kind storedKind(int id) const
    {
        Q_UNUSED(id);
        return StoredValueReader::Number;
    }

    // The value map that write() stores after its version; throws on a truncated stream or a
    // value storedKind() does not allow, before anything of the set changes.
    QMap<int, QVariant> readValueMap(QDataStream& in) const
    {
        return StoredValueReader::readValueMap(in, [this](int id) { return storedKind(id); });
    }

private:
    void changed(int id, const QVariant& value)
    {
        m_observers.notify(&IChangeObserver::propertyChanged, id, value);
        valueChanged(id);
    }

    QMap<int, QVariant> m_values;
    // Not copied: a copy or an assigned set keeps observers of its own.
    ObserverList<IChangeObserver> m_observers;
};

template <class Traits>
QDataStream& operator<<(QDataStream& out, const Properties<Traits>& properties)
{
    properties.write(out);
    return out;
}

template <class Traits>
QDataStream& operator>>(QDataStream& in, Properties<Traits>& properties)
{
    properties.read(in);
    return in;
}
