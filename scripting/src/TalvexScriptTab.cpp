#include "TalvexScriptTab.h"

#include "TalvexPythonConsole.h"
#include "TalvexPythonEditor.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{
const char* const s_filter = "Python scripts (*.py);;All files (*.*)";
const char* const s_untitled = "Untitled";
const int s_iconSize = 32;
const int s_runSpacing = 20;
// Editors and console share the height 3 : 1.
const int s_editorStretch = 3;
const int s_consoleStretch = 1;

// The file's name without its folder, or "Untitled".
QString scriptName(const TalvexPythonEditor* editor)
{
    return editor->fileName().isEmpty() ? QString::fromLatin1(s_untitled) : QFileInfo(editor->fileName()).fileName();
}
}

TalvexScriptTab::TalvexScriptTab(QWidget* parent)
    : QWidget(parent)
{
    Q_INIT_RESOURCE(scripting);
    auto* layout = new QVBoxLayout(this);
    auto* tools = new QHBoxLayout;
    layout->addLayout(tools);

    QPushButton* newButton = addButton(QStringLiteral(":/rc/pageadd.png"), QStringLiteral("Add new script"),
        &TalvexScriptTab::onNewScript);
    QPushButton* openButton = addButton(QStringLiteral(":/rc/open.png"), QStringLiteral("Open script"),
        &TalvexScriptTab::onOpenScript);
    QPushButton* saveButton = addButton(QStringLiteral(":/rc/save.png"), QStringLiteral("Save current script"),
        &TalvexScriptTab::onSaveScript);
    QPushButton* saveAllButton = addButton(QStringLiteral(":/rc/saveall.png"), QStringLiteral("Save all scripts"),
        &TalvexScriptTab::onSaveAllScript);
    m_pRunButton = addButton(QStringLiteral(":/rc/forward.png"), QStringLiteral("Run current script"),
        &TalvexScriptTab::onRunScript);
    for (QPushButton* button : {newButton, openButton, saveButton, saveAllButton})
        tools->addWidget(button);
    tools->addSpacing(s_runSpacing);
    tools->addWidget(m_pRunButton);
    tools->addStretch(1);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    m_pTabs = new QTabWidget(splitter);
    m_pTabs->setTabsClosable(true);
    m_pTabs->setDocumentMode(true);
    m_pConsole = new TalvexPythonConsole(splitter);
    splitter->addWidget(m_pTabs);
    splitter->addWidget(m_pConsole);
    splitter->setStretchFactor(0, s_editorStretch);
    splitter->setStretchFactor(1, s_consoleStretch);
    splitter->setSizes({s_editorStretch * s_iconSize * 4, s_consoleStretch * s_iconSize * 4});
    layout->addWidget(splitter, 1);

    connect(m_pTabs, &QTabWidget::tabCloseRequested, this, &TalvexScriptTab::onCloseTab);
    connect(m_pConsole, &TalvexPythonConsole::inputEntered, this, &TalvexScriptTab::onConsoleInput);
    connect(&m_runner, &TalvexPythonRunner::finished, this, &TalvexScriptTab::onRunFinished);

    m_scriptWidgets = {m_pRunButton, saveButton, saveAllButton};
    m_idleWidgets = {m_pTabs, m_pConsole, newButton, saveButton, saveAllButton};
    for (QWidget* widget : qAsConst(m_scriptWidgets))
        widget->setEnabled(false);
}

QPushButton* TalvexScriptTab::addButton(const QString& icon, const QString& toolTip, void (TalvexScriptTab::*slot)())
{
    auto* button = new QPushButton(this);
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(s_iconSize, s_iconSize));
    button->setToolTip(toolTip);
    connect(button, &QPushButton::pressed, this, slot);
    return button;
}

void TalvexScriptTab::onNewScript()
{
    addEditor(new TalvexPythonEditor, QString::fromLatin1(s_untitled));
}

void TalvexScriptTab::onOpenScript()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open script"), QString(),
        QString::fromLatin1(s_filter));
    if (path.isEmpty())
        return;
    const QString unable = QStringLiteral("Unable to open script from %1").arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        QMessageBox::critical(this, QStringLiteral("Open script"), unable, QMessageBox::Ok);
        return;
    }
    // A script that is not text is not opened: shown with replacement characters, a save would
    // write them over what they stand for.
    TalvexScriptFileFormat format;
    QString text;
    QString error;
    if (!format.read(file.readAll(), text, error))
    {
        QMessageBox::critical(this, QStringLiteral("Open script"), unable + '\n' + error, QMessageBox::Ok);
        return;
    }
    auto* editor = new TalvexPythonEditor;
    editor->setPlainText(text);
    editor->setFileName(path);
    editor->setFileFormat(format);
    editor->document()->setModified(false);
    addEditor(editor, QFileInfo(path).fileName());
}

void TalvexScriptTab::onSaveScript()
{
    if (TalvexPythonEditor* editor = editorAt(m_pTabs->currentIndex()))
        saveScript(editor);
}

void TalvexScriptTab::onSaveAllScript()
{
    for (int i = 0; i < m_pTabs->count(); ++i)
        if (!saveScript(editorAt(i)))
            return;
}

bool TalvexScriptTab::saveScript(TalvexPythonEditor* pEditor)
{
    QString name = pEditor->fileName();
    // Its file holds it already, and stays as it is.
    if (!name.isEmpty() && !pEditor->document()->isModified())
        return true;
    if (name.isEmpty())
    {
        m_pTabs->setCurrentWidget(pEditor);
        name = QFileDialog::getSaveFileName(this, QStringLiteral("Save script"), QString(),
            QString::fromLatin1(s_filter));
        if (name.isEmpty())
            return false;
    }
    QByteArray bytes;
    QString error;
    // Written to a temporary file first: a failed save leaves the old script whole.
    QSaveFile file(name);
    if (!pEditor->fileFormat().write(pEditor->scriptText(), bytes, error) || !file.open(QIODevice::WriteOnly)
        || file.write(bytes) != bytes.size() || !file.commit())
    {
        const QString unable = QStringLiteral("Unable to save script to %1").arg(name);
        QMessageBox::critical(this, QStringLiteral("Save script"), error.isEmpty() ? unable : unable + '\n' + error,
            QMessageBox::Ok);
        return false;
    }
    pEditor->setFileName(name);
    pEditor->document()->setModified(false);
    m_pTabs->setTabText(m_pTabs->indexOf(pEditor), QFileInfo(name).fileName());
    return true;
}

void TalvexScriptTab::onRunScript()
{
    if (m_runner.isRunning())
    {
        TalvexPythonRunner::requestScriptAbort();
        return;
    }
    TalvexPythonEditor* editor = editorAt(m_pTabs->currentIndex());
    if (!editor)
        return;
    m_consoleRun = false;
    showRunning(true);
    const QString name = editor->fileName().isEmpty() ? m_pTabs->tabText(m_pTabs->currentIndex()) : editor->fileName();
    m_runner.runScript(editor->scriptText(), name);
}

void TalvexScriptTab::onConsoleInput(const QString& source)
{
    if (m_runner.isRunning())
        return;
    m_consoleRun = true;
    showRunning(true);
    m_runner.runConsoleInput(source);
}

void TalvexScriptTab::onRunFinished(bool needsMoreInput)
{
    showRunning(false);
    if (m_consoleRun)
        m_pConsole->inputDone(needsMoreInput);
}

void TalvexScriptTab::onCloseTab(int index)
{
    TalvexPythonEditor* editor = editorAt(index);
    if (!editor)
        return;
    if (editor->document()->isModified()
        && QMessageBox::question(this, QStringLiteral("Close script"),
               QStringLiteral("The script contains unsaved changes.\nClose anyway?"),
               QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
        return;
    m_pTabs->removeTab(index);
    editor->deleteLater();
    if (m_pTabs->count() == 0)
        for (QWidget* widget : qAsConst(m_scriptWidgets))
            widget->setEnabled(false);
}

bool TalvexScriptTab::askToSaveScripts(bool cancellable)
{
    QMessageBox::StandardButtons answers = QMessageBox::Save | QMessageBox::Discard;
    if (cancellable)
        answers |= QMessageBox::Cancel;
    // Marked only once all are answered: a Cancel after a Discard must not lose that script.
    QList<TalvexPythonEditor*> discarded;
    for (int i = 0; i < m_pTabs->count(); ++i)
    {
        TalvexPythonEditor* editor = editorAt(i);
        if (!editor || !editor->document()->isModified())
            continue;
        m_pTabs->setCurrentIndex(i);
        const QString name = scriptName(editor);
        QMessageBox::StandardButton answer;
        do
            answer = QMessageBox::question(this, QStringLiteral("Close script"),
                QStringLiteral("The script %1 contains unsaved changes.\nSave it?").arg(name), answers,
                QMessageBox::Save);
        while (answer == QMessageBox::Save && !saveScript(editor));
        if (answer == QMessageBox::Discard)
            discarded.append(editor);
        else if (answer != QMessageBox::Save)
            return false;
    }
    for (TalvexPythonEditor* editor : qAsConst(discarded))
        editor->document()->setModified(false);
    return true;
}

void TalvexScriptTab::onModificationChanged(bool modified)
{
    auto* editor = qobject_cast<TalvexPythonEditor*>(sender());
    if (!editor)
        return;
    QString title = scriptName(editor);
    if (modified)
        title += '*';
    m_pTabs->setTabText(m_pTabs->indexOf(editor), title);
}

void TalvexScriptTab::addEditor(TalvexPythonEditor* editor, const QString& title)
{
    m_pTabs->addTab(editor, title);
    connect(editor, &QPlainTextEdit::modificationChanged, this, &TalvexScriptTab::onModificationChanged);
    connect(editor, &TalvexPythonEditor::saveRequest, this, &TalvexScriptTab::saveScript);
    for (QWidget* widget : qAsConst(m_scriptWidgets))
        widget->setEnabled(true);
    // While a script runs only Run stops it; Save and Save all wait for the end.
    if (m_runner.isRunning())
        for (QWidget* widget : qAsConst(m_idleWidgets))
            widget->setEnabled(false);
}

TalvexPythonEditor* TalvexScriptTab::editorAt(int index) const
{
    return qobject_cast<TalvexPythonEditor*>(m_pTabs->widget(index));
}

void TalvexScriptTab::showRunning(bool running)
{
    for (QWidget* widget : qAsConst(m_idleWidgets))
        widget->setEnabled(!running);
    // Run stops a console entry too, also with no script open.
    m_pRunButton->setEnabled(running || m_pTabs->count() > 0);
    m_pRunButton->setIcon(QIcon(running ? QStringLiteral(":/rc/stop.png") : QStringLiteral(":/rc/forward.png")));
}
