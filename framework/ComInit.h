#pragma once
// COM and OLE initialisation for one thread, undone when the scope ends, and
// only when it succeeded (a failed initialisation must not be balanced). The
// class objects the thread keeps go first: the uninitialisation may end the
// apartment they belong to.
#include <windows.h>
#include <ole2.h>

#include "ComClassCache.h"

class OleInitScope {
public:
    OleInitScope() : m_hr(::OleInitialize(nullptr)) {}
    OleInitScope(const OleInitScope&) = delete;
    OleInitScope& operator=(const OleInitScope&) = delete;
    ~OleInitScope() {
        if (!SUCCEEDED(m_hr)) return;
        com::ReleaseThreadComClasses();
        ::OleUninitialize();
    }
    bool ok() const { return SUCCEEDED(m_hr); }
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr;
};

// For worker threads that create COM objects (the conversion's component calls).
class ComInitScope {
public:
    explicit ComInitScope(DWORD model = COINIT_APARTMENTTHREADED) : m_hr(::CoInitializeEx(nullptr, model)) {}
    ComInitScope(const ComInitScope&) = delete;
    ComInitScope& operator=(const ComInitScope&) = delete;
    ~ComInitScope() {
        if (!SUCCEEDED(m_hr)) return;
        com::ReleaseThreadComClasses();
        ::CoUninitialize();
    }
    bool ok() const { return SUCCEEDED(m_hr); }
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr;
};
