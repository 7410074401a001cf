#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

// Answers every modal window that opens while it lives: a message box with the given button (or
// its first when it lacks that one), any other dialog, after the inspector had a look at it,
// with its "Close" button. seen holds "title: text" of each box and "dialog: title" of each
// dialog, in order.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok,
        std::function<void(QDialog*)> inspector = nullptr)
        : m_answer(answer)
        , m_inspector(std::move(inspector))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answerModal(); });
        m_timer.start();
    }

    QStringList seen;

private:
    void answerModal()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_pAnswered)
            return;
        m_pAnswered = modal;
        if (QMessageBox* box = qobject_cast<QMessageBox*>(modal))
        {
            seen << box->windowTitle() + ": " + box->text();
            QAbstractButton* button = box->button(m_answer);
            if (!button)
                button = box->buttons().value(0);
            if (button)
                button->click();
            return;
        }
        QDialog* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog)
            return;
        seen << "dialog: " + dialog->windowTitle();
        if (m_inspector)
            m_inspector(dialog);
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QLatin1String("Close"))
                button->click();
    }

    QMessageBox::StandardButton m_answer;
    std::function<void(QDialog*)> m_inspector;
    QPointer<QWidget> m_pAnswered;
    QTimer m_timer;
};
