#pragma once
// Registration of the automation class and its type library, and the class
// object COM uses while the process runs automated.
#include <windows.h>

// Writes the ProgID and class keys under HKEY_CLASSES_ROOT and registers the
// type library embedded in the program. Failures (no rights) are not reported.
void RegisterAutomationServer();
void UnregisterAutomationServer();

// Offers the class object to COM; revoked when the returned registration goes.
class ClassObjectRegistration {
public:
    ClassObjectRegistration();
    ~ClassObjectRegistration();
    ClassObjectRegistration(const ClassObjectRegistration&) = delete;
    ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;
    bool registered() const { return m_cookie != 0; }

private:
    DWORD m_cookie = 0;
};
