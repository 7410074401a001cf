#pragma once

#include "ObserverList.h"
#include "PlotPoint.h"
#include "PlotSampleBuffer.h"
#include "StreamSample.h"
#include "USBResult.h"

#include <QByteArray>
#include <QObject>
#include <QVector>
#include <boost/shared_ptr.hpp>

// Turns the stream packets that the board sends while it samples into per-channel points for
// the plot series. Packets arrive as USBPacketStreamEvents in the GUI thread; an interpreter
// decodes each, a sample buffer per registered client offsets, unwraps and averages its channel,
// and the client takes the points from it. Starting and stopping go through the dispatcher.
//
// States: 0 stopped, 1 started and waiting for the first packet, 2 receiving, 3 the last
// packet of an acquisition seen and the next one follows.
class PlotUSBDataStream : public QObject
{
    Q_OBJECT

public:
    enum State
    {
        Stopped = 0,
        WaitingForData = 1,
        Receiving = 2,
        FollowOnPending = 3
    };

    class IUSBDispatcher
    {
    public:
        virtual ~IUSBDispatcher() = default;
        // Asks the board to start sampling and returns what is refused at once. A refusal that
        // the board answers later is posted to stream as a failed USBPacketStreamEvent.
        virtual USBResult startStreaming(QObject* stream) = 0;
        // Asks the board to stop; a failure means that no last packet will come.
        virtual USBResult stopStreaming() = 0;
        // After the acquisition has ended.
        virtual void streamingFinished() = 0;
    };

    class IStreamInterpreter
    {
    public:
        virtual ~IStreamInterpreter() = default;
        // Decodes one packet into sample, which may hold the storage of an earlier packet: its
        // channels are replaced and the vectors keep their capacity.
        virtual void interpret(double startTime, const QVector<quint8>& packet, StreamSample& sample) = 0;
    };

    class IStreamClient
    {
    public:
        virtual ~IStreamClient() = default;
        // New samples are in the buffer.
        virtual void appendSamples(PlotSampleBuffer& buffer) = 0;
        virtual void markFinished() = 0;
        // The stream is being destroyed: forget it.
        virtual void detachFromStream() = 0;
        virtual QVector<PlotPoint> processedPoints() = 0;
    };

    class IStateObserver
    {
    public:
        virtual ~IStateObserver() = default;
        virtual void streamStateChanged(int state) = 0;
        virtual void streamDestroyed(PlotUSBDataStream* stream) = 0;
    };

    explicit PlotUSBDataStream(QObject* parent = nullptr);
    ~PlotUSBDataStream() override;

    void setDispatcher(const boost::shared_ptr<IUSBDispatcher>& dispatcher);
    void setInterpreter(const boost::shared_ptr<IStreamInterpreter>& interpreter);

    // Each registration has a buffer of its own.
    void registerClient(IStreamClient* client, int channel, bool unwrap);
    void removeClient(IStreamClient* client);
    // Clears the buffer of the client's first registration.
    void resetClient(IStreamClient* client);
    // After a counter was cleared on the board, its plotted count starts again from there.
    void resetChannelOffset(int channel);
    bool hasChannel(int channel) const;
    // The client of the first buffer of that channel; null when there is none.
    IStreamClient* client(int channel) const;

    int state() const { return m_state; }
    void addStateObserver(IStateObserver* observer);
    void removeStateObserver(IStateObserver* observer);

    // averageCount: the over-sampling factor; every group of that many samples becomes a point.
    // A start that the dispatcher refuses ends the acquisition at once and returns the refusal.
    USBResult start(int averageCount);
    // Asks the board to stop; before the first packet, or when the request cannot be sent, the
    // acquisition ends at once, otherwise with the board's last packet.
    USBResult stop();
    // The board has gone away: ends any acquisition at once without asking the board, so a
    // measurement can start again after a reconnect.
    void reset();

protected:
    void customEvent(QEvent* event) override;

private:
    // One registration of a client, with its own buffer.
    struct Registration
    {
        Registration(IStreamClient* client, int channel, bool unwrap)
            : m_pClient(client)
            , m_buffer(channel, unwrap)
        {
        }
        IStreamClient* m_pClient;
        PlotSampleBuffer m_buffer;
    };

    void handlePacket(QEvent* event);
    void setState(int state);
    void finishClients();
    void endAcquisition();
    Registration* firstRegistration(int channel) const;

    boost::shared_ptr<IUSBDispatcher> m_pDispatcher;
    boost::shared_ptr<IStreamInterpreter> m_pInterpreter;
    qint32 m_state = Stopped;
    // Owned: created by registerClient, deleted by removeClient and the destructor.
    ObserverList<Registration> m_registrations;
    double m_time = 0.0;
    ObserverList<IStateObserver> m_stateObservers;
    // The decoded packet, reused from packet to packet.
    StreamSample m_sample;
};
