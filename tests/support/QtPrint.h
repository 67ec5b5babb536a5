#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable failures for Qt values in GoogleTest messages (found by argument-dependent lookup).
inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

inline void PrintTo(const QSize& s, std::ostream* os)
{
    *os << "QSize(" << s.width() << " x " << s.height() << ")";
}

inline void PrintTo(const QPoint& p, std::ostream* os)
{
    *os << "QPoint(" << p.x() << ", " << p.y() << ")";
}

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << "{ ";
    for (const QString& s : list)
        *os << '"' << s.toStdString() << "\" ";
    *os << "}";
}
