#pragma once

#include <QIODevice>

namespace orvida::test {

// Passes writes on to another device until `limit` bytes have gone through, then fails as a full
// disk would.
class FailDevice : public QIODevice
{
public:
    FailDevice(QIODevice& target, qint64 limit)
        : m_target(target)
        , m_limit(limit)
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override
    {
        if (m_written + len > m_limit) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 n = m_target.write(data, len);
        if (n > 0)
            m_written += n;
        return n;
    }

private:
    QIODevice& m_target;
    qint64 m_limit;
    qint64 m_written = 0;
};

} // namespace orvida::test
