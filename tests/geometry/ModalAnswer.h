#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <functional>

// Answers the next modal dialog (file dialog or message box) once it shows, from a timer, so
// that a slot that opens one can run in a test. `answer` gets the dialog.
inline void answerNextModal(std::function<void(QWidget*)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        answer(modal);
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
        dialog->accept();
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
