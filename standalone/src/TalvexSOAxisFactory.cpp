#include "TalvexSOAxisFactory.h"

#include "TalvexSONullAxis.h"

TalvexSOAxisFactory& TalvexSOAxisFactory::instance()
{
    static TalvexSOAxisFactory s_instance;
    return s_instance;
}

TalvexSOAxisFactory::TalvexSOAxisFactory()
{
    registerKind<TalvexSONullAxis>();
}

boost::shared_ptr<TalvexSOIAxis> TalvexSOAxisFactory::create(const QString& typeName) const
{
    // value(), not operator[]: an unknown name must not add an entry.
    const boost::shared_ptr<TalvexSOIAxis> prototype = m_prototypes.value(typeName);
    if (!prototype)
        return boost::shared_ptr<TalvexSOIAxis>();
    return boost::shared_ptr<TalvexSOIAxis>(prototype->clone());
}

QStringList TalvexSOAxisFactory::typeNames() const
{
    return m_prototypes.keys();
}
