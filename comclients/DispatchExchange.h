#pragma once
// One exchange with an automation component, the way the system talks to
// quillon.Class1: CoInitialize(nullptr) on the calling thread, a new instance
// by ProgID, the opening call, the exchange's calls by DISPID with every
// argument by reference, and the instance released when the exchange ends.
//
// The thread's COM initialisation is not undone: the conversion's worker
// makes thousands of exchanges, and letting the apartment end after each
// would reload the component's class every time. The apartment ends with the
// thread. Within it the thread keeps the class object (framework/ComClassCache.h),
// so each exchange's new instance costs no registry lookup.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "framework/Handles.h"

namespace components {

// One argument of a call, passed by reference: a text (a null one is the null
// BSTR) or a short.
struct DispatchArgument {
    static DispatchArgument Text(std::wstring text) { return {false, std::move(text), false, 0}; }
    static DispatchArgument NullText() { return {true, std::wstring(), false, 0}; }
    static DispatchArgument Short(short value) { return {false, std::wstring(), true, value}; }

    bool isNull;
    std::wstring text;
    bool isShort;
    short shortValue;
};

class CDispatchExchange {
public:
    explicit CDispatchExchange(const wchar_t* progId);
    CDispatchExchange(const CDispatchExchange&) = delete;
    CDispatchExchange& operator=(const CDispatchExchange&) = delete;

    // Creates the instance (again, after a failed try) and makes the opening
    // call; false when it cannot be created.
    bool Create();
    bool created() const { return static_cast<bool>(m_instance); }

    // Calls `id` with `arguments` in the order given; answers the result text,
    // or "" when there is no instance, the call fails or the result is no text.
    std::wstring Call(DISPID id, const std::vector<DispatchArgument>& arguments);

private:
    const wchar_t* m_progId;
    ComPtr<IDispatch> m_instance;
};

}  // namespace components
