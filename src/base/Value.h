#pragma once

#include <QString>
#include <QVariant>

#include <variant>

namespace orvida {

// A value read from the database or handed between the value helpers. It keeps apart the three
// kinds of "nothing" the helpers distinguish: a value never assigned (Empty), a database NULL
// (Null), and the empty text.
class Value
{
public:
    enum class Type { Empty, Null, Integer, Real, Text };

    Value() = default;
    static Value null()
    {
        Value v;
        v.m_v = NullTag {};
        return v;
    }
    Value(qint64 i)
        : m_v(i)
    { }
    Value(int i)
        : m_v(qint64(i))
    { }
    Value(double d)
        : m_v(d)
    { }
    Value(const QString& s)
        : m_v(s)
    { }
    Value(const char* s)
        : m_v(QString::fromUtf8(s))
    { }
    Value(bool b)
        : m_v(qint64(b ? 1 : 0))
    { }

    Type type() const { return static_cast<Type>(m_v.index()); }
    bool isEmpty() const { return type() == Type::Empty; }
    bool isNull() const { return type() == Type::Null; }
    bool isNumber() const { return type() == Type::Integer || type() == Type::Real; }
    bool isText() const { return type() == Type::Text; }
    bool isEmptyText() const { return isText() && std::get<QString>(m_v).isEmpty(); }

    qint64 toInteger() const; // numbers truncated toward zero; text parsed; otherwise 0
    double toDouble() const; // numbers as they are; text parsed; otherwise 0
    QString toText() const; // integers as digits, reals in their shortest form, Null/Empty as ""

    bool operator==(const Value& o) const { return m_v == o.m_v; }

private:
    struct NullTag
    {
        bool operator==(const NullTag&) const { return true; }
    };
    std::variant<std::monostate, NullTag, qint64, double, QString> m_v;
};

} // namespace orvida
