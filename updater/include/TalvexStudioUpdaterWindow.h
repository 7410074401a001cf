#pragma once

#include <QMainWindow>

class QLabel;
class QPushButton;

// The updater's one window. "Next" makes one attempt at replacing the studio's executable in
// this program's folder with "TalvexStudio.pkg" from the per-user data folder: an earlier
// "TalvexStudio.old" that cannot be deleted means the studio still runs ("Try again"); else the
// executable becomes "TalvexStudio.old" and the package is copied in its place. Whatever fails,
// the studio's folder keeps a working executable under its own name. "Cancel" or "Done" closes
// the window and so ends the program. GUI thread only.
class TalvexStudioUpdaterWindow : public QMainWindow
{
    Q_OBJECT

public:
    TalvexStudioUpdaterWindow();

private slots:
    void onNext();
    void onCancel();

private:
    // Copies the package over the executable's path with the old executable's permissions;
    // false leaves no new file behind.
    static bool copyNewExecutable(const QString& package, const QString& executable, const QString& oldExecutable);
    // A final outcome: only "Done" is left.
    void finish(const QString& text);

    QLabel* m_label;
    QPushButton* m_nextButton;
    QPushButton* m_cancelButton;
};
