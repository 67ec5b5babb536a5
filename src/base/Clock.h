#pragma once

#include <QDateTime>

namespace orvida {

// The clock is handed to the code that needs "now", so tests run at a fixed time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime at)
        : m_at(std::move(at))
    { }
    QDateTime now() const override { return m_at; }
    void set(QDateTime at) { m_at = std::move(at); }

private:
    QDateTime m_at;
};

} // namespace orvida
