#pragma once

#include "BootloaderIData.h"

#include <QByteArray>

#include <vector>

// A main firmware image read from Intel HEX text into one flat image addressed from 0, gaps
// filled with 0xFF. Data (00), extended segment address (02) and extended linear address (04)
// records place bytes; end-of-file (01) and start address records (03, 05) are passed over.
// Every record's checksum is checked, two records that give one address different bytes are
// refused, and the last record must be an end-of-file record, or the file was cut short. Parsing
// stops at the first fault with a message naming the row (rows count from 1, text before the
// first ':' included); bytes placed before it stay. Read-only after construction.
class BootloaderHexData : public BootloaderIData
{
public:
    // maxSize: an address at or beyond it is refused (the board's flash cannot hold it).
    explicit BootloaderHexData(const QByteArray& text, int maxSize = defaultMaxSize());

    static int defaultMaxSize();

    bool isValid() const override { return m_valid; }
    QString getErrorString() const override { return m_error; }
    int getPageCount(int pageSize) const override;
    QVector<quint8> getPage(int pageSize, int index) const override;
    bool verify(const QVector<quint8>& readBack) const override;

    const QVector<quint8>& getImage() const { return m_data; }

private:
    // What the rows read so far leave for the next one.
    struct Cursor
    {
        qint64 base = 0;
        int lastType = -1;
        // Which bytes of the image a data record gave, unlike the filler of the gaps.
        std::vector<bool> placed;
    };

    // False (with the error set) when the row is refused.
    bool parseRow(const QByteArray& row, int rowNumber, Cursor& cursor, int maxSize);
    bool placeData(const QVector<quint8>& bytes, qint64 start, int rowNumber, Cursor& cursor);
    // The message's %1 is the row, its %2 the address when one is given.
    void fail(const char* message, int rowNumber, qint64 address = -1);
    void setByte(int address, quint8 value);

    QVector<quint8> m_data;
    bool m_valid = true;
    QString m_error;
};
