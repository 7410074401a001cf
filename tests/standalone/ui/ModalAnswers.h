#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

// Answers the modal windows a test's action opens, from the event loop they run: every message
// box is noted ("title: text") and closed with its first button; every other modal window is
// given to the next scripted answer, in order. A dialog without an answer is noted as
// "unanswered" and rejected, so one that should not have opened shows in m_windows.
class ModalAnswers : public QObject
{
public:
    typedef std::function<void(QWidget*)> Answer;

    ModalAnswers()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }

    void add(const Answer& answer) { m_answers << answer; }
    int pending() const { return m_answers.count(); }

    // A file dialog that chooses the path, or is cancelled when the path is empty.
    static Answer chooseFile(const QString& path)
    {
        return [path](QWidget* window) {
            QFileDialog* dialog = qobject_cast<QFileDialog*>(window);
            if (!dialog)
                return;
            if (path.isEmpty())
            {
                dialog->reject();
                return;
            }
            dialog->selectFile(path);
            // Unlike accept(), done() takes the choice as it is and asks nothing.
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        };
    }

    QStringList m_boxes;
    // The class name of every window given to an answer.
    QStringList m_windows;

private:
    void answer()
    {
        QWidget* window = QApplication::activeModalWidget();
        if (!window || window == m_pAnswered)
            return;
        if (QMessageBox* box = qobject_cast<QMessageBox*>(window))
        {
            m_boxes << box->windowTitle() + ": " + box->text();
            box->buttons().value(0)->click();
            return;
        }
        m_pAnswered = window;
        if (m_answers.isEmpty())
        {
            m_windows << QStringLiteral("unanswered ") + window->metaObject()->className();
            if (QDialog* dialog = qobject_cast<QDialog*>(window))
                dialog->reject();
            return;
        }
        m_windows << window->metaObject()->className();
        m_answers.takeFirst()(window);
    }

    QTimer m_timer;
    QList<Answer> m_answers;
    QPointer<QWidget> m_pAnswered;
};
