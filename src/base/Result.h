#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace orvida {

// A failure as the error report shows it: the error's number and the description given by the
// layer that failed (the engine's own text is kept). Numbers are listed in ErrorReport.h.
struct Failure
{
    int number = 0;
    QString description;

    bool operator==(const Failure&) const = default;
};

// The value of an operation that can fail. Layers return it instead of throwing.
template<typename T> class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_v(std::move(value))
    { }
    Result(Failure failure)
        : m_v(std::move(failure))
    { }

    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_v); }
    const T& value() const& { return std::get<0>(m_v); }
    T&& value() && { return std::get<0>(std::move(m_v)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Failure& failure() const { return std::get<1>(m_v); }

private:
    std::variant<T, Failure> m_v;
};

// Result of an operation without a value: empty when it succeeded.
class [[nodiscard]] Status
{
public:
    Status() = default;
    Status(Failure failure)
        : m_failed(true)
        , m_failure(std::move(failure))
    { }
    static Status success() { return {}; }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Failure& failure() const { return m_failure; }

private:
    bool m_failed = false;
    Failure m_failure;
};

} // namespace orvida
