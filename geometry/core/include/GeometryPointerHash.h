#pragma once

#include <QHash>
#include <boost/shared_ptr.hpp>

// Shared pointers in Qt's sets and hashes are keyed by the address of the object they hold.
template <class T>
uint qHash(const boost::shared_ptr<T>& pointer, uint seed = 0)
{
    return ::qHash(pointer.get(), seed);
}
