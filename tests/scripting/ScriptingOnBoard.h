#pragma once

#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "PlotUSBDataStream.h"
#include "TalvexPythonOutput.h"
#include "TalvexPythonRunner.h"
#include "TalvexPythonScripting.h"
#include "TalvexStreamInterpreter.h"
#include "Waiting.h"

#include <QObject>
#include <algorithm>
#include <boost/make_shared.hpp>

// A connected simulated board with the sample stream wired as the main window wires it, the
// scripting set up on them, a runner, and what the scripts print.
struct ScriptingOnBoard
{
    explicit ScriptingOnBoard(const TalvexDriverDescriptor& model = TalvexDriverDescriptor::s_model1_2,
        const USBVersion& firmwareVersion = USBVersion(4, 0))
        : m_board(model, firmwareVersion)
    {
        m_stream.setDispatcher(m_board.m_pDispatcher);
        m_stream.setInterpreter(m_pInterpreter);
        m_board.m_state.getDriver()->registerStreamReceiver(0, &m_stream, 0);
        m_board.m_pDispatcher->addResultObserver(&m_failures);
        initPythonScripting(&m_board.m_document, m_board.m_pDispatcher, &m_stream, m_pInterpreter, nullptr);
        QObject::connect(TalvexPythonOutput::instance(), &TalvexPythonOutput::textWritten, &m_receiver,
            [this](const QString& text, bool) { m_output += text; });
    }

    ~ScriptingOnBoard()
    {
        m_board.m_pDispatcher->removeResultObserver(&m_failures);
        m_board.m_state.getDriver()->unregisterStreamReceiver(0, 0);
    }

    // Runs the script to its end (false when it does not end in time) and lets its output arrive.
    bool run(const QString& script, int timeoutMs = 10000)
    {
        m_runner.runScript(script);
        return finish(timeoutMs);
    }

    bool finish(int timeoutMs = 10000)
    {
        const bool ended = waitFor([this] { return !m_runner.isRunning(); }, timeoutMs);
        QCoreApplication::processEvents();
        return ended;
    }

    // Until the script has printed text.
    bool printed(const QString& text) { return waitFor([&] { return m_output.contains(text); }); }

    int sent(int action) const
    {
        const QVector<quint8> opcodes = m_board.m_pRecorder->opcodes();
        return int(std::count(opcodes.cbegin(), opcodes.cend(), TalvexDriverCommRequest::commandCode(m_board.m_model, action)));
    }

    // The payload of the last request of the action that reached the board.
    QString lastPayload(int action) const
    {
        const QVector<quint8> opcodes = m_board.m_pRecorder->opcodes();
        return hexText(m_board.m_pRecorder->payload(
            opcodes.lastIndexOf(TalvexDriverCommRequest::commandCode(m_board.m_model, action))));
    }

    ConnectedDriverBoard m_board;
    boost::shared_ptr<TalvexStreamInterpreter> m_pInterpreter = boost::make_shared<TalvexStreamInterpreter>();
    PlotUSBDataStream m_stream;
    FailureLog m_failures;
    QString m_output;
    QObject m_receiver;
    // Before the board and the stream go, a script still running is stopped.
    TalvexPythonRunner m_runner;
};
