#include "TalvexDocument.h"

#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "StoredValueReader.h"
#include "TalvexDriverCommands.h"
#include "TalvexDriverModel.h"
#include "TalvexRequestDispatcher.h"

namespace
{
const QString s_fileHeader = QStringLiteral("AF3F0285-592D-453D-8C02-751BBB58A3A5");
const qint32 s_fileVersion = 2;
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
    // A refusal (no board open) meets every request of a sequence alike; the sequence goes on.
    TalvexDriverCommands commands(dispatcher, requester);
    commands.getMotorConfiguration();
    commands.getMotionConfiguration();
    commands.getInputConfiguration();
    commands.getAdvancedMotorMoveConfiguration();
    if (TalvexDriverModel::readsPWMWithDeviceState(dispatcher->deviceDescriptor(), dispatcher->firmwareVersion()))
        commands.getPWMSettings();
}

void TalvexDocument::uploadToDevice(TalvexRequestDispatcher* dispatcher, QObject* requester)
{
    TalvexDriverCommands commands(dispatcher, requester);
    commands.motorOff();
    commands.stopStreaming();
    commands.setMotorConfiguration(m_motorConfiguration);
    commands.setMotionConfiguration(m_motionConfiguration);
    commands.setInputConfiguration(m_inputConfiguration);
    commands.setAdvancedMotorMoveConfiguration(m_advancedMotorMoveConfiguration);
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
