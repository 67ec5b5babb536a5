#include "base/Value.h"

#include <QLocale>

namespace orvida {

qint64 Value::toInteger() const
{
    switch (type()) {
    case Type::Integer:
        return std::get<qint64>(m_v);
    case Type::Real:
        return static_cast<qint64>(std::get<double>(m_v));
    case Type::Text:
        return static_cast<qint64>(std::get<QString>(m_v).trimmed().toDouble());
    default:
        return 0;
    }
}

double Value::toDouble() const
{
    switch (type()) {
    case Type::Integer:
        return static_cast<double>(std::get<qint64>(m_v));
    case Type::Real:
        return std::get<double>(m_v);
    case Type::Text:
        return std::get<QString>(m_v).trimmed().toDouble();
    default:
        return 0.0;
    }
}

QString Value::toText() const
{
    switch (type()) {
    case Type::Integer:
        return QString::number(std::get<qint64>(m_v));
    case Type::Real:
        return QString::number(std::get<double>(m_v), 'g', QLocale::FloatingPointShortest);
    case Type::Text:
        return std::get<QString>(m_v);
    default:
        return QString();
    }
}

} // namespace orvida
