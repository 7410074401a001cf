#pragma once

#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

// Keeps a picture of a window in the folder TALVEX_GRAB_DIR names, as "<name>.png", for a person
// to look at; does nothing when the variable is not set. Called by widget tests in the GUI thread.
inline void keepWhenAsked(const QPixmap& picture, const QString& name)
{
    const QString folder = qEnvironmentVariable("TALVEX_GRAB_DIR");
    if (!folder.isEmpty())
        picture.save(QDir(folder).filePath(name + ".png"));
}

inline void grabWhenAsked(QWidget* widget, const QString& name)
{
    if (!qEnvironmentVariableIsEmpty("TALVEX_GRAB_DIR"))
        keepWhenAsked(widget->grab(), name);
}
