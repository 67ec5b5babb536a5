#pragma once

#include <QByteArray>

namespace orvida::import::le {

// Little-endian integers in the byte layouts of the compound file and of BIFF records. The
// caller has checked that the bytes are there.
inline quint16 u16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | (quint8(b[at + 1]) << 8));
}

inline quint32 u32(const QByteArray& b, qsizetype at)
{
    return quint32(u16(b, at)) | (quint32(u16(b, at + 2)) << 16);
}

inline void put16(QByteArray& b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

inline void put32(QByteArray& b, qsizetype at, quint32 v)
{
    put16(b, at, quint16(v & 0xFFFF));
    put16(b, at + 2, quint16(v >> 16));
}

} // namespace orvida::import::le
