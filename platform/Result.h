#pragma once

#include <QString>
#include <QtGlobal>
#include <utility>
#include <variant>

namespace platform {

// Why something failed, in words for the user; what a failing function returns.
struct Failure
{
    QString reason;
};

// What a function that can fail returns: its value, or the reason it has none.
template <class T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    const T& value() const&
    {
        Q_ASSERT(ok());
        return std::get<0>(m_state);
    }
    T&& value() &&
    {
        Q_ASSERT(ok());
        return std::get<0>(std::move(m_state));
    }

    // Empty when ok().
    QString error() const { return ok() ? QString() : std::get<1>(m_state).reason; }

private:
    std::variant<T, Failure> m_state;
};

// Success without a value.
template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_error(std::move(failure.reason)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    QString error() const { return m_error; }

private:
    bool m_failed = false;
    QString m_error;
};

} // namespace platform
