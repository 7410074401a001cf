#pragma once

#include "SimIBoardBootloader.h"
#include "SimIBoardFirmware.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QPair>
#include <QVector>
#include <functional>

// A board firmware whose answers a test scripts: one entry per command received, in order;
// beyond the script it answers status 0 with the payload echoed. Stream packets are produced
// at the simulated times the test asks for.
class ScriptedFirmware : public SimIBoardFirmware
{
public:
    struct Step
    {
        Reply reply;
        // Runs inside the board while it takes the command, e.g. to pull the cable.
        std::function<void()> action;
    };

    void script(const QList<Step>& steps)
    {
        QMutexLocker lock(&m_mutex);
        m_script += steps;
    }
    // The packet leaves the board once the firmware's clock has moved on by afterMs.
    void streamPacket(const QVector<quint8>& data, qint64 afterMs = 1)
    {
        QMutexLocker lock(&m_mutex);
        m_streams.append({m_time + afterMs, data});
    }
    QList<QPair<quint8, QVector<quint8>>> commands() const
    {
        QMutexLocker lock(&m_mutex);
        return m_commands;
    }

    Reply handleCommand(quint8 opcode, const QVector<quint8>& payload) override
    {
        Step step;
        {
            QMutexLocker lock(&m_mutex);
            m_commands.append({opcode, payload});
            if (m_script.isEmpty())
                step.reply.data = payload;
            else
                step = m_script.takeFirst();
        }
        if (step.action)
            step.action();
        return step.reply;
    }
    void advance(qint64 milliseconds) override
    {
        QMutexLocker lock(&m_mutex);
        m_time += milliseconds;
    }
    QVector<QVector<quint8>> takeStreamPackets() override
    {
        QMutexLocker lock(&m_mutex);
        QVector<QVector<quint8>> due;
        while (!m_streams.isEmpty() && m_streams.first().first <= m_time)
            due.append(m_streams.takeFirst().second);
        return due;
    }

private:
    mutable QMutex m_mutex;
    QList<Step> m_script;
    QList<QPair<quint8, QVector<quint8>>> m_commands;
    QList<QPair<qint64, QVector<quint8>>> m_streams;
    qint64 m_time = 0;
};

// A bootloader with one fixed way of answering: commands below 0x10 are raw, 0x7F is refused
// with acknowledge 1, every other command takes payloadLength bytes and answers acknowledge 0
// and its payload reversed, padded to replyLength bytes.
class ScriptedBootloader : public SimIBoardBootloader
{
public:
    ScriptedBootloader(int payloadLength, int replyLength)
        : m_payloadLength(payloadLength)
        , m_replyLength(replyLength)
    {
    }

    Command beginCommand(quint8 command) override
    {
        Command answer;
        answer.raw = command < 0x10;
        answer.accepted = command != 0x7F;
        answer.acknowledge = answer.accepted ? 0 : 1;
        answer.payloadLength = answer.accepted ? m_payloadLength : 0;
        return answer;
    }
    Reply finishCommand(quint8 command, const QVector<quint8>& payload) override
    {
        QMutexLocker lock(&m_mutex);
        m_finished.append({command, payload});
        Reply reply;
        for (int i = payload.count() - 1; i >= 0; --i)
            reply.data.append(payload.at(i));
        reply.data.resize(m_replyLength);
        return reply;
    }
    QList<QPair<quint8, QVector<quint8>>> finished() const
    {
        QMutexLocker lock(&m_mutex);
        return m_finished;
    }

private:
    mutable QMutex m_mutex;
    int m_payloadLength;
    int m_replyLength;
    QList<QPair<quint8, QVector<quint8>>> m_finished;
};
