#include "TestRegistry.h"

#include "GrabWhenAsked.h"
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

    // Opens the file with the Open button; the message boxes that showed, each answered with OK
    // after the inspector looked at it.
    QStringList open(const QString& path, const ModalAnswers::Answer& inspector = nullptr)
    {
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(path));
        answers.addForBox([inspector](QWidget* box) {
            if (inspector)
                inspector(box);
            ModalAnswers::pressIn(box, QMessageBox::Ok);
        });
        press("Open script");
        return answers.m_boxes;
    }

    // A file of the bytes in the fixture's folder; its path.
    QString writeScript(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("Cannot write %s", qPrintable(path));
        return path;
    }

    // Adds the text at the end of the script, as typed.
    void append(int index, const QString& text)
    {
        editor(index)->moveCursor(QTextCursor::End);
        editor(index)->insertPlainText(text);
    }

    QTabWidget* tabs() { return m_tab.findChild<QTabWidget*>(); }
    TalvexPythonEditor* editor(int index) { return qobject_cast<TalvexPythonEditor*>(tabs()->widget(index)); }
    QString title(int index) { return tabs()->tabText(index); }

    QTemporaryDir m_folder;
    TalvexScriptTab m_tab{nullptr};
};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}
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
        grabWhenAsked(&scripting.m_tab, "scripting-running");

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

    // A script is saved in the encoding, line breaks and byte-order mark that it was read with,
    // and runs as the text it was read as. Only an edit writes its file.
    void savesScriptsAsTheyWereRead_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("printed");
        QTest::newRow("Latin-1, CRLF, a no-break space")
            << QByteArray("# -*- coding: latin-1 -*-\r\nprint('caf\xe9\xa0!')\r\n")
            << QByteArray("# -*- coding: latin-1 -*-\r\nprint('caf\xe9\xa0!')\r\nprint('\xfc')\r\n")
            << QString::fromUtf8("café\u00a0!\nü\n");
        QTest::newRow("UTF-8 with a byte-order mark")
            << QByteArray("\xef\xbb\xbfprint('caf\xc3\xa9')\n")
            << QByteArray("\xef\xbb\xbfprint('caf\xc3\xa9')\nprint('\xc3\xbc')\n") << QString::fromUtf8("café\nü\n");
        QTest::newRow("mixed line breaks: the first kept")
            << QByteArray("a = 1\r\nb = 2\nc = 3\r\n") << QByteArray("a = 1\r\nb = 2\r\nc = 3\r\nprint('\xc3\xbc')\r\n")
            << QString::fromUtf8("ü\n");
    }

    void savesScriptsAsTheyWereRead()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        QFETCH(QString, printed);
        TabOnBoard scripting;
        const QString path = scripting.writeScript("script.py", file);
        QCOMPARE(scripting.open(path), QStringList());
        scripting.press("Save current script");
        scripting.press("Save all scripts");
        QCOMPARE(fileBytes(path), file);

        scripting.append(0, QString::fromUtf8("print('ü')\n"));
        scripting.press("Save current script");
        QCOMPARE(fileBytes(path), saved);
        QCOMPARE(scripting.title(0), QString("script.py"));

        scripting.press("Run current script");
        QVERIFY(waitFor([&] { return !scripting.m_tab.isScriptRunning(); }));
        QCoreApplication::processEvents();
        QCOMPARE(scripting.m_output, printed);
    }

    // Save all writes the modified scripts only: the file of an unedited one stays as it is on
    // disk, also when it changed there after it was opened.
    void saveAllWritesOnlyModifiedScripts()
    {
        TabOnBoard scripting;
        const QString unedited = scripting.writeScript("unedited.py", "# coding: latin-1\nprint('caf\xe9')\n");
        const QString edited = scripting.writeScript("edited.py", "print(1)\n");
        scripting.open(unedited);
        scripting.open(edited);
        scripting.writeScript("unedited.py", "print('changed elsewhere')\n");
        scripting.append(1, "print(2)\n");
        scripting.press("Save all scripts");
        QCOMPARE(fileBytes(unedited), QByteArray("print('changed elsewhere')\n"));
        QCOMPARE(fileBytes(edited), QByteArray("print(1)\nprint(2)\n"));
        QCOMPARE(scripting.title(1), QString("edited.py"));
    }

    // A file that is not text of its encoding is not opened, so nothing writes over it.
    void doesNotOpenAScriptThatIsNotText()
    {
        TabOnBoard scripting;
        const QByteArray file = "print('caf\xe9')\n";
        const QString path = scripting.writeScript("latin1.py", file);
        QCOMPARE(scripting.open(path, [](QWidget* box) { grabWhenAsked(box, "scripting-open-refused"); }),
            QStringList{"Open script: Unable to open script from " + path
                + "\nIt is not UTF-8 text and declares no other encoding (such as \"# -*- coding: latin-1 -*-\" on "
                  "its first line)."});
        QCOMPARE(scripting.tabs()->count(), 0);
        QCOMPARE(scripting.enabledButtons(), (QStringList{"Add new script", "Open script"}));
        QCOMPARE(fileBytes(path), file);
    }

    // Text that the script's encoding cannot hold is not saved: the file stays as it was and the
    // script stays modified.
    void refusesToSaveWhatTheEncodingCannotHold()
    {
        TabOnBoard scripting;
        const QByteArray file = "# -*- coding: latin-1 -*-\n# Caf\xe9 au lait\nprint('caf\xe9')\n";
        const QString path = scripting.writeScript("latin1.py", file);
        scripting.open(path);
        scripting.append(0, QString::fromUtf8("print('✓')\n"));
        grabWhenAsked(&scripting.m_tab, "scripting-latin1");

        ModalAnswers answers;
        answers.addForBox([](QWidget* box) {
            grabWhenAsked(box, "scripting-save-refused");
            ModalAnswers::pressIn(box, QMessageBox::Ok);
        });
        scripting.press("Save current script");
        QCOMPARE(answers.m_boxes, QStringList{"Save script: Unable to save script to " + path
                                      + QString::fromUtf8("\nThe encoding latin-1 cannot hold the character \"✓\" on line 4.")});
        QCOMPARE(fileBytes(path), file);
        QCOMPARE(scripting.title(0), QString("latin1.py*"));
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
            grabWhenAsked(&scripting.m_tab, "scripting-idle");
        }
    }
};

TALVEX_TEST(tst_TalvexScriptTab)
#include "tst_TalvexScriptTab.moc"
