#pragma once

#include "USBDefaultCommRequest.h"
#include "USBISocket.h"
#include "USBPacketErrorEvent.h"
#include "USBPacketStreamEvent.h"
#include "USBRequestEvent.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

// A request whose every answer a test chooses. Status bytes other than 0 are refused with
// "Refused <status>".
class ScriptedRequest : public USBDefaultCommRequest
{
public:
    ScriptedRequest(quint8 command, const QVector<quint8>& payload, int expectedCount)
        : m_command(command)
        , m_payload(payload)
        , m_expectedCount(expectedCount)
    {
    }

    bool isRaw() const override { return m_raw; }
    quint8 getCommand() const override { return m_command; }
    QVector<quint8> getPayload() const override { return m_payload; }
    USBResult checkReply(quint8 status) override
    {
        m_statuses.append(status);
        return status == 0 ? USBResult() : USBResult(QString("Refused %1").arg(status), 2);
    }
    int getExpectedReturnDataCount() const override { return m_expectedCount; }
    bool parsesReply() const override { return m_parses; }
    USBResult processReply(const QVector<quint8>& data) override
    {
        m_processed = data;
        return m_parseResult;
    }
    // Reads a count byte, then that many bytes.
    USBResult readReply(const boost::shared_ptr<USBISocket>& socket) override
    {
        const QVector<quint8> count = socket->read(1);
        m_processed = socket->read(count.at(0));
        return m_parseResult;
    }
    int getId() const override { return m_fixedId != 0 ? m_fixedId : USBDefaultCommRequest::getId(); }

    bool m_raw = false;
    bool m_parses = false;
    USBResult m_parseResult;
    int m_fixedId = 0;
    QVector<quint8> m_processed;
    QVector<quint8> m_statuses;

private:
    quint8 m_command;
    QVector<quint8> m_payload;
    int m_expectedCount;
};

// Records the USB events it receives, in order.
class EventRecorder : public QObject
{
    Q_OBJECT

public:
    struct Record
    {
        int type;
        int id;
        QVector<quint8> data;
        USBResult result;
    };

    QList<Record> m_records;

    int count(int type) const
    {
        int n = 0;
        for (const Record& record : m_records)
            n += record.type == type ? 1 : 0;
        return n;
    }
    QList<Record> ofType(int type) const
    {
        QList<Record> records;
        for (const Record& record : m_records)
        {
            if (record.type == type)
                records.append(record);
        }
        return records;
    }

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == USBRequestEvent::s_type)
        {
            const auto* request = static_cast<USBRequestEvent*>(event);
            m_records.append({int(event->type()), request->getRequest()->getId(),
                              request->getRequest()->getReplyData(), request->getResult()});
        }
        else if (event->type() == USBPacketStreamEvent::s_type)
        {
            const auto* stream = static_cast<USBPacketStreamEvent*>(event);
            m_records.append({int(event->type()), stream->getStreamId(), stream->getData(), stream->getResult()});
        }
        else if (event->type() == USBPacketErrorEvent::s_type)
        {
            const auto* error = static_cast<USBPacketErrorEvent*>(event);
            m_records.append({int(event->type()), error->getCode(), {}, error->getResult()});
        }
    }
};
