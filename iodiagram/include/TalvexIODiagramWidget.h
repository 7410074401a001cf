#pragma once

#include "TalvexDriverCommands.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexRequestDispatcher.h"
#include "USBResult.h"

#include <QMap>
#include <QSet>
#include <QVector>
#include <QWidget>
#include <boost/shared_ptr.hpp>

class QPushButton;
class QStackedWidget;
class TalvexDocument;
class TalvexIODiagram;
class UIIUserInput;
class UIUserInputRegister;

// The "IO" tab: the board's inputs and outputs as an I/O diagram on the left and the settings
// page of the selected block on the right. It keeps the diagram and the document's input
// configuration in step, uploads the wiring and the input settings when a commit button is
// pressed (and reads them back), and sends the PWM and relay settings as soon as they change.
// Opening it sets no output: the board's outputs stay as they are until the user changes them.
// Where the board's PWM settings can be read, opening reads them into the document and the pages
// show them without sending them back. Until the board's input
// configuration has reached the document no upload is made, so a wiring the board never had
// cannot replace its own. A request refused at once is emitted as statusMessage; failed replies
// reach the status bar through the dispatcher. The main window builds it on a connect, after
// the Motion tab and before the Measurements tab (which reads its "QuadratureCPR"), and deletes
// it on disconnect. GUI thread only.
class TalvexIODiagramWidget
    : public QWidget
    , public TalvexDriverInputConfiguration::IDriverInputChangeObserver
    , public TalvexRequestDispatcher::IResultObserver
{
    Q_OBJECT

public:
    TalvexIODiagramWidget(QWidget* parent, TalvexDocument* document,
        boost::shared_ptr<TalvexRequestDispatcher> dispatcher, UIUserInputRegister* inputs);
    ~TalvexIODiagramWidget() override;

    TalvexIODiagram* ioDiagram() const { return m_pIODiagram; }
    QStackedWidget* pages() const { return m_pPages; }
    const QVector<QPushButton*>& commitButtons() const { return m_commitButtons; }

    void inputConfigurationChanged(TalvexDriverInputConfiguration* configuration) override;
    void inputConfigurationDestroyed(TalvexDriverInputConfiguration* configuration) override;
    void reportFailure(const USBResult& result) override;

signals:
    void statusMessage(const USBResult& result);

private slots:
    void onUploadInterfaceConfig();
    void onInputConfigurationChanged();
    void onConnectionsChanged();
    void onPWMChanged();
    void onRelayOnOff();

private:
    void createWidgets();
    void setCommitButtonsEnabled(bool enabled);
    // False (after telling the user) when the dispatcher refused the command at once.
    bool sent(const USBResult& queued);

    TalvexDocument* m_pDocument;
    boost::shared_ptr<TalvexRequestDispatcher> m_pDispatcher;
    // The input configuration's reads and writes, which this tab waits on.
    TalvexDriverCommands m_commands;
    // The outputs, sent on every change whatever is in flight.
    TalvexDriverCommands m_outputCommands;
    TalvexIODiagram* m_pIODiagram = nullptr;
    UIUserInputRegister* m_pInputRegister;
    QStackedWidget* m_pPages = nullptr;
    QVector<QPushButton*> m_commitButtons;
    // The block kinds (TalvexIODiagramItemType) of the connected model.
    QSet<int> m_blockKinds;
    // The inputs this tab's pages put into the register, taken out again when it goes.
    QMap<QString, UIIUserInput*> m_registeredInputs;
    bool m_uploading = false;
    bool m_initializing = true;
    // Whether the document holds an input configuration that came from the board (or a file)
    // since the tab opened.
    bool m_boardConfigurationKnown = false;
    // The last upload: what the document held before it, and its write and read-back.
    TalvexDriverInputConfiguration m_beforeUpload;
    boost::shared_ptr<TalvexDriverCommRequest> m_pUploadWrite;
    boost::shared_ptr<TalvexDriverCommRequest> m_pUploadRead;
    // The board's PWM settings as read on opening, until their reply has been looked at.
    boost::shared_ptr<TalvexDriverCommRequest> m_pPWMRead;
    // The payload of the PWM settings read from the board, until the first change is sent;
    // settings equal to it are the board's own and are not sent back.
    QByteArray m_boardPWM;
};
