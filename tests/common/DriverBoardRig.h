#pragma once

#include "DriverTestSupport.h"
#include "SimDriverFirmware.h"
#include "TalvexDriverCommRequest.h"

#include <boost/make_shared.hpp>

// A simulated driver board of one model, talked to the way the studio does: a request built
// for the model, its opcode and payload handed to the firmware, the reply checked as the packet
// protocol checks it.
struct DriverBoardRig
{
    DriverBoardRig(const TalvexDriverDescriptor& model, const USBVersion& firmwareVersion)
        : m_model(model)
        , m_firmwareVersion(firmwareVersion)
        , m_pFirmware(boost::make_shared<SimDriverFirmware>(SimDriverFirmware::serialNumberOf(model, 7), firmwareVersion))
    {
    }

    // The result the issuer would see; the reply data are in m_reply.
    USBResult run(int action, const QByteArray& payload = QByteArray())
    {
        TalvexDriverCommRequest request(m_model, m_firmwareVersion, action);
        request.setData(payload);
        m_reply.clear();
        const SimIBoardFirmware::Reply reply = m_pFirmware->handleCommand(request.getCommand(), request.getPayload());
        if (!reply.answered)
            return USBResult(QStringLiteral("Communication timed out"), 2);
        const USBResult result = request.checkReply(reply.status);
        if (!result.isOk())
            return result;
        if (reply.data.count() != request.getExpectedReturnDataCount())
            return USBResult(QStringLiteral("Unexpected packet length."), 2);
        m_reply = reply.data;
        return result;
    }

    TalvexDriverDescriptor m_model;
    USBVersion m_firmwareVersion;
    boost::shared_ptr<SimDriverFirmware> m_pFirmware;
    QVector<quint8> m_reply;
};
