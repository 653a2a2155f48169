#pragma once
// Error style of the whole engine: every public call returns a Status (or a
// Result<T>) and never throws. A failed Status carries one sentence meant for a
// log line, naming what was being done and why it failed.

#include <string>
#include <utility>

namespace pst {

class Status {
public:
    static Status Ok() { return Status(); }
    static Status Failure(std::string message) { return Status(std::move(message)); }

    bool IsOk() const { return !m_failed; }
    explicit operator bool() const { return IsOk(); }
    const std::string& Message() const { return m_message; }

private:
    Status() = default;
    explicit Status(std::string message) : m_failed(true), m_message(std::move(message)) {}

    bool m_failed = false;
    std::string m_message;
};

template <class T>
class Result {
public:
    Result(T value) : m_status(Status::Ok()), m_value(std::move(value)) {}  // NOLINT: implicit by design
    Result(Status failure) : m_status(std::move(failure)), m_value() {}     // NOLINT: implicit by design

    bool IsOk() const { return m_status.IsOk(); }
    explicit operator bool() const { return IsOk(); }
    const Status& GetStatus() const { return m_status; }
    const std::string& Message() const { return m_status.Message(); }

    // Only meaningful when IsOk().
    T& Value() { return m_value; }
    const T& Value() const { return m_value; }
    T* operator->() { return &m_value; }
    T& operator*() { return m_value; }

private:
    Status m_status;
    T m_value;
};

}  // namespace pst
