#pragma once

#include "USBICommRequest.h"

#include <QVector>

// One command of the board's bootloader (numbers 0 to 20) as a request of the USB layer, in
// either of the two opcode sets (protocol version 0: ASCII letters, 1: small numbers). Made,
// run synchronously through USBDriver::sendRequest and read by one thread, so it has no lock.
// Under protocol 1 the entry, exit and unlock commands are raw: written without handshake or
// frame, with nothing read back.
class BootloaderCommRequest : public USBICommRequest
{
public:
    enum Command
    {
        Exit = 2,               // leave the bootloader and start the firmware
        ExitToSecondary = 3,    // leave it so that secondary firmware can be updated
        Enter = 4,
        Erase = 6,              // before the main image's pages
        PageData = 7,           // one page of bytes into the bootloader's page buffer
        ReadPage = 8,           // the information page, with a two-byte 0xFF trailer
        SelectPage = 9,
        TargetInfo = 10,
        SelectInfoPage = 11,    // precedes ReadPage
        ProgramPage = 13,
        ProgramInfoPage = 14,
        EntryUnlock = 15,
        WriteUnlock = 16,
        SecondaryStart = 17,
        SecondaryPage = 18,
        SecondaryErase = 19,
        SecondaryEnd = 20
    };

    static const int s_commandCount = 21;

    // pageSize is the size of the page read by ReadPage, 0 for every other command.
    BootloaderCommRequest(int protocolVersion, int command, int pageSize = 0);

    // The opcode of a command in a protocol version; 0x00 where the set has none.
    static quint8 opcode(int protocolVersion, int command);
    // The text of a status byte of the bootloader; success for 0, 91 and 92.
    static USBResult resultFromStatus(quint8 status);

    void setRequestData(const QVector<quint8>& data);
    // A page read ends in two bytes 0xFF after the page; without them it is corrupt.
    bool hasPageTrailer() const;

    bool isRaw() const override;
    quint8 getCommand() const override;
    QVector<quint8> getPayload() const override;
    bool acceptsPacket(int id) const override;
    void setReplyData(const QVector<quint8>& data) override;
    // A page read gives the page without its trailer; other commands give the whole reply.
    QVector<quint8> getReplyData() const override;
    USBResult checkReply(quint8 status) override;
    int getExpectedReturnDataCount() const override;
    bool parsesReply() const override;
    USBResult processReply(const QVector<quint8>& data) override;
    // The target info: two bytes, and two more when the first is the marker 0xFF.
    USBResult readReply(const boost::shared_ptr<USBISocket>& socket) override;
    int getId() const override;
    void setResult(const USBResult& result) override;
    bool isDone() const override;
    USBResult getResult() const override;

private:
    QVector<quint8> m_requestData;
    QVector<quint8> m_receivedData;
    quint8 m_opcode;
    int m_command;
    int m_protocolVersion;
    int m_pageSize;
    int m_id;
    bool m_done = false;
    USBResult m_result;
};
