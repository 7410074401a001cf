#pragma once

#include "TalvexSOIAxis.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <boost/shared_ptr.hpp>

// Turns the type name stored in a file back into an axis by cloning a prototype registered
// under that name. The built-in kinds are registered when the registry is first used, so
// they are there whatever the order of static initialisation and even when a static library
// drops unreferenced initialisers.
class TalvexSOAxisFactory
{
public:
    // The one registry, made on first use.
    static TalvexSOAxisFactory& instance();

    // Registers a default-constructed prototype under its type name, replacing an earlier one.
    template <class Axis>
    void registerKind()
    {
        const boost::shared_ptr<Axis> prototype(new Axis);
        m_prototypes.insert(prototype->typeName(), prototype);
    }

    // A new axis of the named kind; empty for a name that is not registered.
    boost::shared_ptr<TalvexSOIAxis> create(const QString& typeName) const;
    // The registered type names, in alphabetical order.
    QStringList typeNames() const;

private:
    TalvexSOAxisFactory();
    TalvexSOAxisFactory(const TalvexSOAxisFactory&) = delete;
    TalvexSOAxisFactory& operator=(const TalvexSOAxisFactory&) = delete;

    QMap<QString, boost::shared_ptr<TalvexSOIAxis>> m_prototypes;
};
