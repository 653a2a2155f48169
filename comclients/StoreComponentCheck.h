#pragma once
// Proof, before a conversion starts, that the two outside COM servers the PST
// side needs are there: Outlook.Application, then Redemption.RDOSession. The
// conversion page makes one of these at the start of its initialisation, with
// itself as owner, and lets it go when the initialisation ends: the Outlook
// instance is held that long, as the check requires.
//
// Outlook missing: a system-modal error message and the process ends (exit
// code 0). Redemption missing: Redemption.dll in the program folder is
// registered with regsvr32 and created once more; failing that, an error
// message and the process ends. Any other failure in the Redemption step is
// ignored and the check passes.
#include <windows.h>
#include <unknwn.h>

#include <string>

#include "framework/Handles.h"

namespace components {

class CStoreComponentCheck {
public:
    CStoreComponentCheck(HWND owner, std::wstring programFolder);
    // The program folder of the run: g_programFolder.
    explicit CStoreComponentCheck(HWND owner);
    ~CStoreComponentCheck();
    CStoreComponentCheck(const CStoreComponentCheck&) = delete;
    CStoreComponentCheck& operator=(const CStoreComponentCheck&) = delete;

    // False when the check ended the process (which, under test seams, goes on).
    bool passed() const { return m_passed; }

private:
    bool CheckOutlook(HWND owner);
    bool CheckRedemption(HWND owner, const std::wstring& programFolder);

    ComPtr<IUnknown> m_outlook;
    bool m_passed = false;
};

}  // namespace components
