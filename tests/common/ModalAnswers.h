#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <functional>

// Answers the modal windows that a test's action opens, from a timer that runs in the nested
// event loop they open; each showing of a window is answered once. Lives on the test's stack
// around the action, on the GUI thread.
//
// Every message box is noted ("title: text" in m_boxes) and answered by the next queued box
// answer, else by the standing rule: the chosen standard button (none: its first button), and
// when the box lacks that button, its first, none, or the box is passed over unnoted; its
// informative text goes to m_details. Every other modal window is given to the next queued
// answer; without one it goes to the fallback, which by default notes it as
// "unanswered <class>" and rejects it, so a window that should not have opened shows in
// m_windows. m_seen holds both in order: boxes as in m_boxes, other windows as "dialog: title".
class ModalAnswers
{
public:
    typedef std::function<void(QWidget*)> Answer;

    // What a box lacking the wanted button gets.
    enum Missing
    {
        PressFirst,
        // The box stays open for the code under test to close, and a queued box answer waits for
        // the next box.
        LeaveOpen,
        // As LeaveOpen, and the box is not noted either: it is not the one the test asks about.
        PassOver
    };

    // How a file dialog is given its path.
    enum FileChoice
    {
        // Selected, and taken as it is without the dialog's own checks.
        SelectAndDone,
        // Selected, then accepted as the user would, with the dialog's checks.
        SelectAndAccept,
        // Typed into the name field (a focused field keeps its text through a selection), then
        // accepted as the user would.
        TypeAndAccept,
        // Typed and accepted; cancelled when the dialog refuses the name.
        TypeAcceptOrCancel
    };

    // The interval of the polling timer: 0 looks at the window on every pass of the event loop.
    explicit ModalAnswers(int interval = 5)
    {
        m_timer.setInterval(interval);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }

    // The standing rule for boxes that no queued box answer takes.
    void pressInBoxes(QMessageBox::StandardButton button, Missing missing = PressFirst)
    {
        m_button = button;
        m_missing = missing;
    }

    // The next box, after those already queued, is answered with the button.
    void press(QMessageBox::StandardButton button, Missing missing = PressFirst)
    {
        m_boxAnswers << BoxAnswer{[button](QWidget* box) { pressIn(box, button); }, button, missing};
    }
    // The next box, after those already queued, is given to the answer.
    void addForBox(const Answer& answer) { m_boxAnswers << BoxAnswer{answer, QMessageBox::NoButton, PressFirst}; }

    // The next window that is not a box, after those already queued, is given to the answer.
    void add(const Answer& answer) { m_answers << answer; }
    int pending() const { return m_answers.count() + m_boxAnswers.count(); }

    // Answers the windows that no queued answer takes, instead of rejecting them.
    void answerOthersWith(const Answer& answer) { m_fallback = answer; }
    // Windows that no queued answer takes are left for the code under test to close.
    void leaveOthers()
    {
        m_fallback = [](QWidget*) {};
    }
    // Looks at the window that is not a box on every pass, whether answered or not.
    void watch(const Answer& watcher) { m_watcher = watcher; }

    // A file dialog that chooses the path, or is cancelled when the path is empty.
    static Answer chooseFile(const QString& path, FileChoice how = SelectAndDone)
    {
        return [path, how](QWidget* window) {
            QFileDialog* dialog = qobject_cast<QFileDialog*>(window);
            if (!dialog)
                return;
            if (path.isEmpty())
            {
                dialog->reject();
                return;
            }
            if (how == SelectAndDone || how == SelectAndAccept)
                dialog->selectFile(path);
            else if (QLineEdit* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                name->setText(path);
            // The file dialog keeps these two to itself.
            if (how == SelectAndDone)
                static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
            else
                static_cast<QDialog*>(dialog)->accept();
            if (how == TypeAcceptOrCancel && dialog->isVisible())
                dialog->reject();
        };
    }

    // A dialog that the inspector looks at and that is then closed with its "Close" button.
    static Answer closeAfter(const Answer& inspector)
    {
        return [inspector](QWidget* window) {
            if (inspector)
                inspector(window);
            for (QPushButton* button : window->findChildren<QPushButton*>())
                if (button->text() == QLatin1String("Close"))
                    button->click();
        };
    }

    // Clicks the box's button, or its first when it has none such.
    static void pressIn(QWidget* window, QMessageBox::StandardButton button)
    {
        QMessageBox* box = qobject_cast<QMessageBox*>(window);
        if (!box)
            return;
        QAbstractButton* pressed = box->button(button);
        if (!pressed)
            pressed = box->buttons().value(0);
        if (pressed)
            pressed->click();
    }

    QStringList m_boxes;
    // The informative text of each box noted, in the same order.
    QStringList m_details;
    // The class name of every other window given to an answer.
    QStringList m_windows;
    QStringList m_seen;

private:
    struct BoxAnswer
    {
        Answer answer;
        QMessageBox::StandardButton button;
        Missing missing;
    };

    void answer()
    {
        QWidget* window = QApplication::activeModalWidget();
        // A window answered earlier counts again once it was hidden.
        for (int i = m_answered.count() - 1; i >= 0; --i)
            if (!m_answered.at(i) || !m_answered.at(i)->isVisible())
                m_answered.removeAt(i);
        if (!window || !window->isVisible())
            return;
        QMessageBox* box = qobject_cast<QMessageBox*>(window);
        if (!box && m_watcher)
            m_watcher(window);
        if (m_answered.contains(window) || (box && passedOver(box)))
            return;
        m_answered << window;
        if (box)
        {
            answerBox(box);
            return;
        }
        m_seen << "dialog: " + window->windowTitle();
        if (m_answers.isEmpty())
        {
            m_fallback(window);
            return;
        }
        m_windows << window->metaObject()->className();
        m_answers.takeFirst()(window);
    }

    bool passedOver(QMessageBox* box) const
    {
        const BoxAnswer rule = m_boxAnswers.isEmpty() ? BoxAnswer{nullptr, m_button, m_missing} : m_boxAnswers.first();
        return rule.missing == PassOver && !box->button(rule.button);
    }

    void answerBox(QMessageBox* box)
    {
        const QString note = box->windowTitle() + ": " + box->text();
        m_boxes << note;
        m_details << box->informativeText();
        m_seen << note;
        if (!m_boxAnswers.isEmpty())
        {
            const BoxAnswer next = m_boxAnswers.first();
            if (next.missing != PressFirst && !box->button(next.button))
                return;
            m_boxAnswers.removeFirst();
            next.answer(box);
            return;
        }
        if (m_missing != PressFirst && !box->button(m_button))
            return;
        pressIn(box, m_button);
    }

    QTimer m_timer;
    QMessageBox::StandardButton m_button = QMessageBox::NoButton;
    Missing m_missing = PressFirst;
    QList<BoxAnswer> m_boxAnswers;
    QList<Answer> m_answers;
    Answer m_fallback = [this](QWidget* window) {
        m_windows << QStringLiteral("unanswered ") + window->metaObject()->className();
        if (QDialog* dialog = qobject_cast<QDialog*>(window))
            dialog->reject();
    };
    Answer m_watcher;
    QList<QPointer<QWidget>> m_answered;
};
