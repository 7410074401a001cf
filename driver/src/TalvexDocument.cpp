#include "TalvexDocument.h"

#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "StoredValueReader.h"
#include "TalvexDriverCommRequest.h"
#include "TalvexDriverModel.h"
#include "TalvexRequestDispatcher.h"

#include <boost/make_shared.hpp>

namespace
{
typedef TalvexDriverCommRequest R;

const QString s_fileHeader = QStringLiteral("AF3F0285-592D-453D-8C02-751BBB58A3A5");
const qint32 s_fileVersion = 2;

void send(TalvexRequestDispatcher* dispatcher, QObject* requester, int action, const QByteArray& payload = QByteArray())
{
    const auto request = boost::make_shared<R>(dispatcher->deviceDescriptor(), dispatcher->firmwareVersion(), action);
    if (!payload.isEmpty())
        request->setData(payload);
    // A refusal (no board open) meets every request of a sequence alike; the sequence goes on.
    dispatcher->sendRequest(request, requester, QString());
}
}

TalvexDocument::TalvexDocument() = default;

TalvexDocument::~TalvexDocument() = default;

TalvexDocument& TalvexDocument::operator=(const TalvexDocument& other)
{
    if (this == &other)
        return *this;
    m_motionConfiguration = other.m_motionConfiguration;
    m_motorConfiguration = other.m_motorConfiguration;
    m_samplingConfiguration = other.m_samplingConfiguration;
    m_moveConfiguration = other.m_moveConfiguration;
    m_inputConfiguration = other.m_inputConfiguration;
    m_plotSettings = other.m_plotSettings;
    m_globalSettings = other.m_globalSettings;
    m_soDocument = other.m_soDocument;
    return *this;
}

void TalvexDocument::writeTo(QDataStream& out) const
{
    out << s_fileHeader << s_fileVersion;
    m_motionConfiguration.write(out);
    m_motorConfiguration.write(out);
    m_samplingConfiguration.write(out);
    out << m_moveConfiguration;
    m_inputConfiguration.write(out);
    m_plotSettings.write(out);
    m_pwmSettings.write(out);
    m_advancedMotorMoveConfiguration.write(out);
}

void TalvexDocument::readFrom(QDataStream& in)
{
    StoredValueReader::readHeader(in, s_fileHeader);
    const qint32 version = StreamableVersionException::readVersion(in, {1, 2}, "src\\TalvexDocument", 188);

    // Read into copies and take them over only once all was read, so a damaged file never
    // leaves a half-read document behind.
    TalvexDriverMotionConfiguration motion(m_motionConfiguration);
    TalvexDriverMotorConfiguration motor(m_motorConfiguration);
    TalvexDriverSamplingConfiguration sampling(m_samplingConfiguration);
    TalvexDriverMotorMoveConfiguration move(m_moveConfiguration);
    TalvexDriverInputConfiguration input(m_inputConfiguration);
    TalvexPlotSettings plot(m_plotSettings);
    TalvexDriverPWMSettings pwm(m_pwmSettings);
    // A version-1 file has no advanced move configuration: the current one stays.
    TalvexDriverAdvancedMotorMoveConfiguration advanced(m_advancedMotorMoveConfiguration);
    motion.read(in);
    motor.read(in);
    sampling.read(in);
    in >> move;
    input.read(in);
    plot.read(in);
    pwm.read(in);
    if (version == 2)
        advanced.read(in);
    StreamableUnexpectedContentsException::checkStatus(in);

    m_motionConfiguration = motion;
    m_motorConfiguration = motor;
    m_samplingConfiguration = sampling;
    m_moveConfiguration = move;
    m_inputConfiguration = input;
    m_plotSettings = plot;
    m_pwmSettings = pwm;
    if (version == 2)
        m_advancedMotorMoveConfiguration = advanced;
}

void TalvexDocument::readDeviceState(TalvexRequestDispatcher* dispatcher, QObject* requester)
{
    send(dispatcher, requester, R::GetMotorConfiguration);
    send(dispatcher, requester, R::GetMotionConfiguration);
    send(dispatcher, requester, R::GetInputConfiguration);
    send(dispatcher, requester, R::GetAdvancedMotorMoveConfiguration);
    if (TalvexDriverModel::readsPWMWithDeviceState(dispatcher->deviceDescriptor(), dispatcher->firmwareVersion()))
        send(dispatcher, requester, R::GetPWMSettings);
}

void TalvexDocument::uploadToDevice(TalvexRequestDispatcher* dispatcher, QObject* requester)
{
    const TalvexDriverDescriptor descriptor = dispatcher->deviceDescriptor();
    const USBVersion version = dispatcher->firmwareVersion();
    send(dispatcher, requester, R::MotorOff);
    send(dispatcher, requester, R::StopStreaming);
    send(dispatcher, requester, R::SetMotorConfiguration, m_motorConfiguration.toByteArray(descriptor, version));
    send(dispatcher, requester, R::SetMotionConfiguration, m_motionConfiguration.toByteArray(descriptor));
    send(dispatcher, requester, R::SetInputConfiguration, m_inputConfiguration.toByteArray(descriptor, version));
    send(dispatcher, requester, R::SetAdvancedMotorMoveConfiguration, m_advancedMotorMoveConfiguration.toByteArray());
}

QDataStream& operator<<(QDataStream& out, const TalvexDocument& document)
{
    document.writeTo(out);
    return out;
}

QDataStream& operator>>(QDataStream& in, TalvexDocument& document)
{
    document.readFrom(in);
    return in;
}
