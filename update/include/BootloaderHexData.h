#pragma once

#include "BootloaderIData.h"

#include <QByteArray>

// A main firmware image read from Intel HEX text into one flat image addressed from 0, gaps
// filled with 0xFF. Data (00), extended segment address (02) and extended linear address (04)
// records place bytes; end-of-file (01) and start address records (03, 05) are passed over.
// Every record's checksum is checked. Parsing stops at the first fault with a message naming
// the row (rows count from 1, text before the first ':' included); bytes placed before it stay.
// Read-only after construction.
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
    // False (with the error set) when the row is refused.
    bool parseRow(const QByteArray& row, int rowNumber, qint64& base, int maxSize);
    void fail(const char* message, int rowNumber);
    void setByte(int address, quint8 value);

    QVector<quint8> m_data;
    bool m_valid = true;
    QString m_error;
};
