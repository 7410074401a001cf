#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <deque>
#include <functional>

// Answers modal dialogs (file dialogs, message boxes) once they show, from a timer, so that a
// slot that opens one can run in a test. Answers are given in the order they were queued, one
// per dialog; `answer` gets the dialog.
inline void answerNextModal(std::function<void(QWidget*)> answer)
{
    static std::deque<std::function<void(QWidget*)>> answers;
    static QTimer* timer = nullptr;
    answers.push_back(std::move(answer));
    if (timer)
        return;
    timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [] {
        QWidget* modal = QApplication::activeModalWidget();
        // A dialog that was just answered may still be the modal widget while it closes.
        if (!modal || !modal->isVisible() || modal->property("answered").toBool() || answers.empty())
            return;
        modal->setProperty("answered", true);
        const auto next = answers.front();
        answers.pop_front();
        next(modal);
    });
    timer->start();
}

// Picks the file in the next file dialog, or cancels it for an empty name.
inline void chooseFile(const QString& fileName)
{
    answerNextModal([fileName](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog)
        {
            modal->close();
            return;
        }
        if (fileName.isEmpty())
        {
            dialog->reject();
            return;
        }
        dialog->selectFile(fileName);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

// Presses a button of the next message box and reports its text.
inline void answerMessageBox(QMessageBox::StandardButton button, QString* text = nullptr, QString* title = nullptr)
{
    answerNextModal([button, text, title](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
        {
            modal->close();
            return;
        }
        if (text)
            *text = box->text();
        if (title)
            *title = box->windowTitle();
        box->button(button)->click();
    });
}
