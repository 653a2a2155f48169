#pragma once
// HRESULTs inside our own code, and the guard that keeps every C++ exception
// from crossing a COM method: a method body runs inside ComBoundary, which
// turns what it throws into an HRESULT for the caller.
#include <windows.h>

#include <new>
#include <stdexcept>

#include "ErrorReport.h"

// A failed HRESULT carried up to the method boundary, where it is returned as is.
class ComError : public std::runtime_error {
public:
    explicit ComError(HRESULT hr) : std::runtime_error("COM call failed"), m_hr(hr) {}
    HRESULT hr() const { return m_hr; }

private:
    HRESULT m_hr;
};

inline void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw ComError(hr);
}

// Returns early from a function that returns HRESULT.
#define RETURN_IF_FAILED(expression) \
    do {                             \
        HRESULT hr_ = (expression);  \
        if (FAILED(hr_)) return hr_; \
    } while (0)

// Runs `body` (returning HRESULT); whatever it throws becomes an HRESULT:
// ComError its own, out of memory E_OUTOFMEMORY, anything else E_UNEXPECTED
// after it has been reported.
template <class Body>
HRESULT ComBoundary(const wchar_t* where, Body&& body) noexcept {
    try {
        return body();
    } catch (const ComError& error) {
        return error.hr();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        try {
            ReportCurrentException(where);
        } catch (...) {
        }
        return E_UNEXPECTED;
    }
}
