#pragma once

#include "TalvexPythonRunner.h"

#include <QList>
#include <QWidget>

class QPushButton;
class QTabWidget;
class TalvexPythonConsole;
class TalvexPythonEditor;

// The "Scripting" tab: tool buttons (new, open, save, save all, run/stop), one editor tab per
// open script and the Python console below them. The main window builds it while a board is
// connected; initPythonScripting must have run. A script runs on the runner's thread while the
// tab stays live: the editors, the console and new/save are disabled and Run stops the script.
// Deleting the tab stops a running script and returns once it has ended. GUI thread only.
//
// A script's file is read and written in its own encoding and line breaks
// (TalvexScriptFileFormat): a file that is not text is not opened, text that its encoding cannot
// hold is not saved, and only a modified script is written, so an unchanged file keeps its bytes.
class TalvexScriptTab : public QWidget
{
    Q_OBJECT

public:
    explicit TalvexScriptTab(QWidget* parent);

    bool isScriptRunning() const { return m_runner.isRunning(); }
    // Before the tab goes with its scripts (the window closes, the board disconnects): asks
    // about each modified script, Save / Discard, and Cancel where cancellable. A save that
    // fails asks again. True once every script was saved or discarded; false on Cancel, and
    // then every script stays as it was, modified or not.
    bool askToSaveScripts(bool cancellable);
    // Stops a running script and returns once it has ended.
    void stopScript() { m_runner.stop(); }
    TalvexPythonConsole* console() const { return m_pConsole; }

private slots:
    void onNewScript();
    void onOpenScript();
    void onSaveScript();
    void onSaveAllScript();
    void onRunScript();
    void onCloseTab(int index);
    void onModificationChanged(bool modified);
    bool saveScript(TalvexPythonEditor* pEditor);
    void onConsoleInput(const QString& source);
    void onRunFinished(bool needsMoreInput);

private:
    QPushButton* addButton(const QString& icon, const QString& toolTip, void (TalvexScriptTab::*slot)());
    void addEditor(TalvexPythonEditor* editor, const QString& title);
    TalvexPythonEditor* editorAt(int index) const;
    // The running state: the idle widgets off and Run as the stop button, or back.
    void showRunning(bool running);

    QTabWidget* m_pTabs;
    // Enabled while at least one script is open.
    QList<QWidget*> m_scriptWidgets;
    // Disabled while a script runs.
    QList<QWidget*> m_idleWidgets;
    QPushButton* m_pRunButton;
    TalvexPythonConsole* m_pConsole;
    // Whether the run in progress is a console entry.
    bool m_consoleRun = false;
    TalvexPythonRunner m_runner;
};
