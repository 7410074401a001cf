#pragma once

#include "BootloaderIProgress.h"

#include <QDialog>

class QLabel;
class QProgressBar;

// The modal window a firmware update shows while it runs: "Do not unplug the device!", what the
// update is doing, and, for a package with secondary images, a bar that shows the programming of
// each image in turn, the main image's pages and then each secondary image's, each from 0 to
// 100 %, with the step of the image beside it.
// Lives for one update, made and deleted by PackageFirmwareUpdater in the GUI thread; the user
// cannot close it. Progress reaches it in the GUI thread through the event loop, which keeps
// running while the bootloader works in a thread of its own.
class PackageFirmwareUpdaterDialog : public QDialog, public BootloaderIProgress
{
    Q_OBJECT

public:
    PackageFirmwareUpdaterDialog(QWidget* parent, bool withProgress);

    // Shows the text and centres the dialog on the screen of its parent.
    void setMessage(const QString& text);

    // The first progress after an image was finished starts the bar again from 0.
    void updateProgress(const QString& text, int percent) override;
    // The image is in: the bar shows 100 and the text of its last step goes.
    void finishProgress() override;

public slots:
    // Only the update ends the dialog: Escape and the window's close do nothing.
    void reject() override;

private:
    QLabel* m_pMessageLabel;
    QLabel* m_pProgressLabel = nullptr;
    QProgressBar* m_pProgressBar = nullptr;
    bool m_imageFinished = false;
};
