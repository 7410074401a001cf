// A Qt generic plugin that the updater tests load into the real updater program (through
// QT_PLUGIN_PATH and QT_QPA_GENERIC_PLUGINS), so the program runs unchanged while a test drives
// its window. It reads commands from stdin, one a line, and answers each with the window's state
// on stdout:
//     press <text>   clicks the visible push button with that text, then answers
//     state          answers
//     grab <file>    saves a picture of the visible window as a PNG file, then answers
// An answer is one line: the texts of the visible labels, then "|" and the texts of the visible
// push buttons in layout order, joined by ","; line breaks in texts are written as "\n".
#include <QApplication>
#include <QGenericPlugin>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace
{
QString escaped(const QString& text)
{
    return QString(text).replace(QLatin1Char('\n'), QLatin1String("\\n"));
}
}

class UpdaterRobot : public QObject
{
    Q_OBJECT

public:
    UpdaterRobot()
        : m_notifier(STDIN_FILENO, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &UpdaterRobot::onInput);
    }

private slots:
    void onInput()
    {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof(buffer));
        if (count <= 0)
        {
            m_notifier.setEnabled(false);
            return;
        }
        m_input.append(buffer, int(count));
        int end;
        while ((end = m_input.indexOf('\n')) >= 0)
        {
            const QString command = QString::fromUtf8(m_input.left(end));
            m_input.remove(0, end + 1);
            run(command);
        }
    }

private:
    void run(const QString& command)
    {
        const QString press = QStringLiteral("press ");
        if (command.startsWith(press))
        {
            QPushButton* button = visibleButton(command.mid(press.size()));
            if (!button)
            {
                answer(QStringLiteral("no button ") + command.mid(press.size()));
                return;
            }
            button->click();
        }
        const QString grab = QStringLiteral("grab ");
        if (command.startsWith(grab))
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->isVisible())
                    window->grab().save(command.mid(grab.size()));
        QStringList labels;
        QStringList buttons;
        for (QWidget* window : QApplication::topLevelWidgets())
        {
            if (!window->isVisible())
                continue;
            for (QLabel* label : window->findChildren<QLabel*>())
                if (label->isVisible())
                    labels << escaped(label->text());
            for (QPushButton* button : orderedButtons(window))
                buttons << button->text();
        }
        answer(labels.join(QLatin1Char(',')) + QLatin1Char('|') + buttons.join(QLatin1Char(',')));
    }

    // Left to right, as the user sees them.
    static QList<QPushButton*> orderedButtons(QWidget* window)
    {
        QList<QPushButton*> buttons;
        for (QPushButton* button : window->findChildren<QPushButton*>())
            if (button->isVisible())
                buttons << button;
        std::sort(buttons.begin(), buttons.end(),
            [](QPushButton* a, QPushButton* b) { return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x(); });
        return buttons;
    }

    static QPushButton* visibleButton(const QString& text)
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            for (QPushButton* button : window->findChildren<QPushButton*>())
                if (window->isVisible() && button->isVisible() && button->text() == text)
                    return button;
        return nullptr;
    }

    static void answer(const QString& line)
    {
        std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
        std::fflush(stdout);
    }

    QSocketNotifier m_notifier;
    QByteArray m_input;
};

class UpdaterRobotPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "UpdaterRobot.json")

public:
    QObject* create(const QString&, const QString&) override { return new UpdaterRobot; }
};

#include "UpdaterRobot.moc"
