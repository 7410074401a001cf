#include "TestRegistry.h"

#include "ModalAnswers.h"
#include "ScriptingOnBoard.h"
#include "TalvexPythonConsole.h"
#include "TalvexPythonEditor.h"
#include "TalvexScriptTab.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace
{
// The Scripting tab on a connected board.
struct TabOnBoard : ScriptingOnBoard
{
    TabOnBoard() { m_tab.resize(800, 500); }

    QPushButton* button(const QString& toolTip)
    {
        for (QPushButton* candidate : m_tab.findChildren<QPushButton*>())
            if (candidate->toolTip() == toolTip)
                return candidate;
        return nullptr;
    }

    void press(const QString& toolTip) { QTest::mousePress(button(toolTip), Qt::LeftButton); }

    // The tool buttons that can be pressed, in their row.
    QStringList enabledButtons()
    {
        QStringList enabled;
        for (const char* tip : {"Add new script", "Open script", "Save current script", "Save all scripts", "Run current script"})
            if (button(tip)->isEnabled())
                enabled << tip;
        return enabled;
    }

    QTabWidget* tabs() { return m_tab.findChild<QTabWidget*>(); }
    TalvexPythonEditor* editor(int index) { return qobject_cast<TalvexPythonEditor*>(tabs()->widget(index)); }
    QString title(int index) { return tabs()->tabText(index); }

    TalvexScriptTab m_tab{nullptr};
};
}

// The Scripting tab: its buttons in each state, the editors' titles, saving and opening, the
// prompt before a modified script closes, the console.
class tst_TalvexScriptTab : public QObject
{
    Q_OBJECT

private slots:
    void buttonsFollowTheState()
    {
        TabOnBoard scripting;
        QCOMPARE(scripting.enabledButtons(), (QStringList{"Add new script", "Open script"}));

        scripting.press("Add new script");
        QCOMPARE(scripting.title(0), QString("Untitled"));
        QCOMPARE(scripting.enabledButtons(), (QStringList{"Add new script", "Open script", "Save current script",
                                                 "Save all scripts", "Run current script"}));

        scripting.editor(0)->setPlainText("print('started')\nOutput().wait(-1)\n");
        scripting.m_tab.show();
        scripting.press("Run current script");
        QVERIFY(scripting.printed("started"));
        QCOMPARE(scripting.enabledButtons(), (QStringList{"Open script", "Run current script"}));
        QVERIFY(!scripting.tabs()->isEnabled());
        QVERIFY(!scripting.m_tab.console()->isEnabled());
        QCOMPARE(scripting.button("Run current script")->icon().pixmap(32).toImage(),
            QIcon(":/rc/stop.png").pixmap(32).toImage());
        if (!qEnvironmentVariableIsEmpty("TALVEX_GRAB_DIR"))
            scripting.m_tab.grab().save(QDir(qEnvironmentVariable("TALVEX_GRAB_DIR")).filePath("scripting-running.png"));

        // Run is the stop button now.
        scripting.press("Run current script");
        QVERIFY(waitFor([&] { return !scripting.m_tab.isScriptRunning(); }));
        QVERIFY(scripting.printed("User aborted"));
        QCOMPARE(scripting.enabledButtons().size(), 5);
        QVERIFY(scripting.tabs()->isEnabled());
        QCOMPARE(scripting.button("Run current script")->icon().pixmap(32).toImage(),
            QIcon(":/rc/forward.png").pixmap(32).toImage());

        scripting.editor(0)->document()->setModified(false);
        scripting.tabs()->tabCloseRequested(0);
        QCOMPARE(scripting.tabs()->count(), 0);
        QCOMPARE(scripting.enabledButtons(), (QStringList{"Add new script", "Open script"}));
    }

    // Titles follow the modification and the file; saving writes UTF-8 and opening reads it.
    void savesAndOpensScripts()
    {
        TabOnBoard scripting;
        QTemporaryDir folder;
        scripting.press("Add new script");
        TalvexPythonEditor* editor = scripting.editor(0);
        editor->insertPlainText("print('Grüße ✓')");
        QCOMPARE(scripting.title(0), QString("Untitled*"));

        const QString path = folder.filePath("greeting.py");
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(path, ModalAnswers::TypeAndAccept));
        QTest::keySequence(editor, QKeySequence::Save);
        QCOMPARE(scripting.title(0), QString("greeting.py"));
        QCOMPARE(editor->fileName(), path);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QString("print('Grüße ✓')").toUtf8());

        answers.add(ModalAnswers::chooseFile(path, ModalAnswers::TypeAndAccept));
        scripting.press("Open script");
        QCOMPARE(scripting.tabs()->count(), 2);
        QCOMPARE(scripting.title(1), QString("greeting.py"));
        QCOMPARE(scripting.editor(1)->toPlainText(), QString("print('Grüße ✓')"));
        QVERIFY(!scripting.editor(1)->document()->isModified());
        QCOMPARE(scripting.tabs()->currentIndex(), 0);

        scripting.tabs()->setCurrentIndex(1);
        scripting.press("Run current script");
        QVERIFY(scripting.printed("Grüße ✓\n"));

    }

    // Save all goes in tab order and stops at a script whose name the user does not give.
    void saveAllStopsAtACancel()
    {
        TabOnBoard scripting;
        QTemporaryDir folder;
        for (int i = 0; i < 3; ++i)
            scripting.press("Add new script");
        scripting.editor(0)->insertPlainText("first = 1");
        scripting.editor(2)->insertPlainText("third = 3");
        const QString first = folder.filePath("first.py");
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(first, ModalAnswers::TypeAndAccept));
        answers.add(ModalAnswers::chooseFile(QString()));
        scripting.press("Save all scripts");
        QCOMPARE(scripting.title(0), QString("first.py"));
        QCOMPARE(scripting.title(1), QString("Untitled"));
        QCOMPARE(scripting.title(2), QString("Untitled*"));
        QVERIFY(!QFile::exists(folder.filePath("third.py")));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"first.py"});
    }

    // Closing a modified background script asks about that script; No keeps it.
    void closingAModifiedScriptAsks()
    {
        TabOnBoard scripting;
        scripting.press("Add new script");
        scripting.press("Add new script");
        scripting.editor(1)->insertPlainText("changed = True");
        ModalAnswers answers;
        answers.press(QMessageBox::No, ModalAnswers::PassOver);
        scripting.tabs()->tabCloseRequested(1);
        QCOMPARE(answers.m_boxes, QStringList{"Close script: The script contains unsaved changes.\nClose anyway?"});
        QCOMPARE(scripting.tabs()->count(), 2);

        QPointer<TalvexPythonEditor> closed = scripting.editor(1);
        answers.press(QMessageBox::Yes, ModalAnswers::PassOver);
        scripting.tabs()->tabCloseRequested(1);
        QCOMPARE(scripting.tabs()->count(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(closed.isNull());
    }

    // Before the tab goes, each modified script is asked about in turn. A Cancel after a
    // Discard leaves both scripts modified; without Cancel, a save whose name the user does not
    // give asks again.
    void asksAboutEachModifiedScriptBeforeItGoes()
    {
        TabOnBoard scripting;
        for (int i = 0; i < 3; ++i)
            scripting.press("Add new script");
        scripting.editor(0)->insertPlainText("first = 1");
        scripting.editor(2)->insertPlainText("third = 3");

        ModalAnswers answers;
        answers.press(QMessageBox::Discard);
        answers.press(QMessageBox::Cancel);
        QVERIFY(!scripting.m_tab.askToSaveScripts(true));
        const QString question = "Close script: The script Untitled contains unsaved changes.\nSave it?";
        QCOMPARE(answers.m_boxes, (QStringList{question, question}));
        QVERIFY(scripting.editor(0)->document()->isModified());
        QVERIFY(scripting.editor(2)->document()->isModified());

        QStringList offered;
        answers.addForBox([&offered](QWidget* box) {
            for (QAbstractButton* button : qobject_cast<QMessageBox*>(box)->buttons())
                offered << button->text();
            ModalAnswers::pressIn(box, QMessageBox::Save);
        });
        answers.add(ModalAnswers::chooseFile(QString()));
        answers.press(QMessageBox::Discard);
        answers.press(QMessageBox::Discard);
        QVERIFY(scripting.m_tab.askToSaveScripts(false));
        QCOMPARE(offered, (QStringList{"Save", "Discard"}));
        QVERIFY(!scripting.editor(0)->document()->isModified());
        QVERIFY(!scripting.editor(2)->document()->isModified());
        QCOMPARE(scripting.editor(2)->toPlainText(), QString("third = 3"));
    }

    // Print output and statements typed into the console, which keeps its names.
    void consoleRunsStatements()
    {
        TabOnBoard scripting;
        scripting.m_tab.show();
        QLineEdit* input = scripting.m_tab.console()->findChild<QLineEdit*>();
        for (const char* line : {"total = 0", "for i in range(4):", "    total += i", "", "print('total', total)"})
        {
            QTest::keyClicks(input, line);
            QTest::keyClick(input, Qt::Key_Return);
            QVERIFY(waitFor([&] { return !scripting.m_tab.isScriptRunning(); }));
        }
        QVERIFY(scripting.printed("total 6"));
        QVERIFY(scripting.m_tab.console()->text().contains(">>> total = 0\n>>> for i in range(4):\n...     total += i\n... \n"));
        QVERIFY(scripting.m_tab.console()->text().endsWith(">>> print('total', total)\ntotal 6\n"));
        if (!qEnvironmentVariableIsEmpty("TALVEX_GRAB_DIR"))
        {
            scripting.press("Add new script");
            scripting.editor(0)->setPlainText("from PythonQt.Talvex import *\n\n# Turns the motor\nm = Motor()\nm.turnOn()\n"
                                              "m.moveRelative(90, Motor.Degrees)\nm.waitToFinish()\nprint(\"Position:\", m.getPosition(Motor.Degrees))\n");
            scripting.m_tab.grab().save(QDir(qEnvironmentVariable("TALVEX_GRAB_DIR")).filePath("scripting-idle.png"));
        }
    }
};

TALVEX_TEST(tst_TalvexScriptTab)
#include "tst_TalvexScriptTab.moc"
