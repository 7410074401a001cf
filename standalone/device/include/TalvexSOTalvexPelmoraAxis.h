#pragma once

#include "TalvexDriverDescriptor.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexSOIAxis.h"
#include "USBDriver.h"
#include "USBProtocolClock.h"
#include "USBSerialNumber.h"
#include "USBVersion.h"

class TalvexDriverCommRequest;
class TalvexDriverCommandBuilder;

// An axis driven by one board of its own, found by its serial number (a unit number "xxxx"
// takes the first board of the model that answers). The axis owns its USBDriver, apart from the
// studio's connection, and sends each command synchronously: every operation runs in the GUI
// thread and waits for the board's reply. A board another connection holds open is reported
// as in use; the axis closes its board when it is disconnected or destroyed. Copies start
// disconnected.
class TalvexSOTalvexPelmoraAxis : public TalvexSOIAxis
{
public:
    // The factory's prototype: an invalid serial number and no protocol; only its clones talk.
    TalvexSOTalvexPelmoraAxis();
    // clock times the pause after the board left its bootloader and the packet protocol's
    // waits; null means real time.
    TalvexSOTalvexPelmoraAxis(const USBSerialNumber& serialNumber, const TalvexDriverMotorConfiguration& motor,
        const TalvexDriverMotionConfiguration& motion, const USBProtocolClockPtr& clock = USBProtocolClockPtr());
    TalvexSOTalvexPelmoraAxis(const TalvexSOTalvexPelmoraAxis& other);
    TalvexSOTalvexPelmoraAxis& operator=(const TalvexSOTalvexPelmoraAxis&) = delete;
    ~TalvexSOTalvexPelmoraAxis() override;

    USBSerialNumber serialNumber() const { return m_serialNumber; }
    TalvexDriverMotorConfiguration motorConfiguration() const { return m_motorConfiguration; }
    TalvexDriverMotionConfiguration motionConfiguration() const { return m_motionConfiguration; }
    // The connected board's model and firmware; (0, 0) and 0.0 until a connect succeeds.
    TalvexDriverDescriptor descriptor() const { return m_descriptor; }
    USBVersion firmwareVersion() const { return m_firmwareVersion; }
    bool isConnected() const { return m_driver.isOpen(); }

    TalvexSOIAxis* clone() const override;
    QString typeName() const override;
    void accept(IVisitor& visitor) override;
    double linearStepSize() const override;
    USBResult connectDevice() override;
    void exitBootloader() override;
    void disconnectDevice() override;
    USBResult uploadConfiguration() override;
    USBResult turnOn() override;
    USBResult turnOff() override;
    USBResult moveHome() override;
    USBResult move(int steps) override;
    USBResult readState(int* motorState, int* limitState) override;
    void write(QDataStream& out) const override;
    void read(QDataStream& in) override;

private:
    // Only boards of these models and firmware majors can be axes.
    static bool isSupported(int deviceId, int deviceVersion, int firmwareMajor);
    static bool isSupportedModel(int deviceId, int deviceVersion);
    // "Driver <serial>: <text>", code 2.
    USBResult failure(const QString& text) const;
    // The connected board's requests.
    TalvexDriverCommandBuilder builder() const;
    // Sends a request and waits for its reply; "Is not connected." without a board.
    USBResult send(const boost::shared_ptr<TalvexDriverCommRequest>& request);
    // Opens one listed board and checks that it is this axis's board with a supported
    // firmware. Leaves the board open only on success; mine tells whether a failure concerns
    // this axis's board (its listed serial number matches), which then ends the search.
    USBResult tryBoard(const USBDevicePtr& device, bool& mine, bool& inUse);

    USBDriver m_driver;
    USBSerialNumber m_serialNumber;
    TalvexDriverDescriptor m_descriptor;
    USBVersion m_firmwareVersion;
    TalvexDriverMotorConfiguration m_motorConfiguration;
    TalvexDriverMotionConfiguration m_motionConfiguration;
    USBProtocolClockPtr m_pClock;
};
