#include "TalvexApplicationTraits.h"

#include <QList>
#include <QMap>

namespace
{
typedef QMap<QPair<int, int>, QList<int>> SupportTable;

// Board id -> supported firmware versions, ascending. (23,1) is known although the studio has
// no command map for it.
const SupportTable& supportTable()
{
    static const SupportTable s_table = {
        {qMakePair(1, 1), {2}},
        {qMakePair(1, 2), {2, 3, 4}},
        {qMakePair(10, 1), {1}},
        {qMakePair(23, 1), {1}},
        {qMakePair(27, 1), {1}},
    };
    return s_table;
}
}

int TalvexApplicationTraits::checkDevice(const USBSerialNumber& serialNumber) const
{
    if (!serialNumber.isValid())
        return UnknownDevice;
    return isKnownDevice(serialNumber.getDeviceType());
}

int TalvexApplicationTraits::isKnownDevice(const QPair<int, int>& id) const
{
    return supportTable().contains(id) ? Supported : UnknownDevice;
}

int TalvexApplicationTraits::checkFirmware(const USBSerialNumber& serialNumber, int version) const
{
    if (!serialNumber.isValid())
        return UnknownDevice;
    return checkVersion(serialNumber.getDeviceType(), version);
}

int TalvexApplicationTraits::checkVersion(const QPair<int, int>& id, int version) const
{
    const auto found = supportTable().constFind(id);
    if (found == supportTable().constEnd())
        return UnknownDevice;
    if (version < found->first())
        return FirmwareTooOld;
    if (version > found->last())
        return FirmwareTooNew;
    return Supported;
}
