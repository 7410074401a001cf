#include "DxfCountCheck.h"

#include <cstdio>
#include <cstdlib>
#include <dl_dxf.h>
#include <memory>

namespace
{
struct CountedItems
{
    const char* entity;
    int groupCode;
    const char* items;
};

// The counts dxflib allocates by, with what each counts.
const CountedItems s_countedItems[] = {
    {"LWPOLYLINE", 90, QT_TRANSLATE_NOOP("DxfCountCheck", "vertices")},
    {"LEADER", 76, QT_TRANSLATE_NOOP("DxfCountCheck", "vertices")},
    {"SPLINE", 72, QT_TRANSLATE_NOOP("DxfCountCheck", "knots")},
    {"SPLINE", 73, QT_TRANSLATE_NOOP("DxfCountCheck", "control points")},
    {"SPLINE", 74, QT_TRANSLATE_NOOP("DxfCountCheck", "fit points")},
};

const CountedItems* countedItems(const std::string& entity, int groupCode)
{
    for (const CountedItems& counted : s_countedItems)
    {
        if (counted.groupCode == groupCode && entity == counted.entity)
            return &counted;
    }
    return nullptr;
}

// A number as dxflib reads group codes and counts: strtol's value, which dxflib narrows to an
// int (the callers do too; a count's message shows the number as written).
long readLong(const std::string& text)
{
    char* end = nullptr;
    return std::strtol(text.c_str(), &end, 10);
}

// The count of the current entity that reaches farthest: it needs the groups up to `reach`
// (exclusive) to lie within the entity.
struct FarthestCount
{
    const CountedItems* counted = nullptr;
    long count = 0;
    qint64 line = 0;
    qint64 reach = 0;
};
}

QString DxfCountCheck::excessCount(const std::string& path)
{
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rt"), &std::fclose);
    if (!file)
        return QString();

    // The groups as dxflib's own loop reads them, with its own line reader: a line longer than
    // its buffer reads as several, and both strings keep their text across groups as dxflib's
    // do (a line it cannot read leaves the string as it was).
    std::string codeLine;
    std::string value;
    std::string entity;
    qint64 lines = 0;
    qint64 groups = 0;
    FarthestCount farthest;
    const auto entityEnds = [&] {
        if (!farthest.counted || farthest.reach <= groups)
            return QString();
        return tr("its %1 announces %2 %3 in group %4 on line %5, more than the file holds.")
            .arg(QString::fromLatin1(farthest.counted->entity))
            .arg(farthest.count)
            .arg(tr(farthest.counted->items))
            .arg(farthest.counted->groupCode)
            .arg(farthest.line);
    };
    do
    {
        if (!DL_Dxf::getStrippedLine(codeLine, DL_DXF_MAXLINE, file.get()))
            break;
        // A group is named by the line of its code, which is always there; its value may be
        // the one before when the file ends.
        const qint64 line = ++lines;
        if (!DL_Dxf::getStrippedLine(value, DL_DXF_MAXLINE, file.get(), false))
            break;
        ++lines;
        const int groupCode = int(readLong(codeLine));
        if (groupCode == 0 || groupCode == 9)
        {
            // A new entity (or header variable, which dxflib reads the same way) begins.
            const QString excess = entityEnds();
            if (!excess.isEmpty())
                return excess;
            farthest = FarthestCount();
            entity = value;
        }
        else if (const CountedItems* counted = countedItems(entity, groupCode))
        {
            const long count = readLong(value);
            const qint64 reach = groups + 1 + int(count);
            if (int(count) > 0 && reach > farthest.reach)
                farthest = {counted, count, line, reach};
        }
        ++groups;
    } while (!std::feof(file.get()));
    return entityEnds();
}
