#pragma once

#include <QCoreApplication>
#include <QString>
#include <string>

// Looks, before dxflib reads a drawing, at every count by which dxflib sizes its memory: the
// vertices of a LWPOLYLINE (group 90) and of a LEADER (76), the knots, control points and fit
// points of a SPLINE (72, 73, 74). dxflib fills an array of the announced size as soon as it
// reads such a count, so a few bytes could make it take gigabytes. Every announced item needs
// at least one group of its own after the count within its entity, so a true count never
// exceeds the groups that follow it there; a larger one is refused. DxfImporter calls it on the
// GUI thread before handing the same file to dxflib.
class DxfCountCheck
{
    Q_DECLARE_TR_FUNCTIONS(DxfCountCheck)

public:
    // Empty when every count fits or the file cannot be opened (dxflib then says so); else why
    // the drawing is refused, to follow "The file ... cannot be read: ": the entity, the count
    // and the line of its group code, counted as dxflib counts lines (one of 1023 characters or
    // more counts as several).
    static QString excessCount(const std::string& path);
};
