#pragma once

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

// Answers the next modal dialog of that kind once it shows, passing over those that are not
// the one wanted.
template <class Dialog>
void answerNextDialog(const std::function<void(Dialog*)>& answer,
    const std::function<bool(Dialog*)>& wanted = [](Dialog*) { return true; })
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer, wanted] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog || !wanted(dialog))
            return;
        poll->stop();
        poll->deleteLater();
        answer(dialog);
    });
    poll->start(10);
}

inline void chooseFile(const QString& path)
{
    answerNextDialog<QFileDialog>([path](QFileDialog* files) {
        // selectFile leaves a focused name field as it is.
        files->findChild<QLineEdit*>("fileNameEdit")->setText(path);
        static_cast<QDialog*>(files)->accept();
    });
}

// The question or error box that offers the button: its title and text, answered with it.
inline void answerMessageBox(QMessageBox::StandardButton button, QString* text)
{
    answerNextDialog<QMessageBox>(
        [button, text](QMessageBox* box) {
            *text = box->windowTitle() + ": " + box->text();
            box->button(button)->click();
        },
        [button](QMessageBox* box) { return box->button(button) != nullptr; });
}
