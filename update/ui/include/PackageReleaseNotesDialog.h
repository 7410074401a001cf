#pragma once

#include <QDialog>

// The release notes of an update ready to install, rendered as rich text when they hold HTML.
// The update panel runs it modally; it deletes itself when closed.
class PackageReleaseNotesDialog : public QDialog
{
    Q_OBJECT

public:
    PackageReleaseNotesDialog(QWidget* parent, const QString& releaseNotes);
};
