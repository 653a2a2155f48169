#include "comclients/StoreComponentCheck.h"

#include "comclients/ServerDllRegistration.h"
#include "framework/ComClassCache.h"
#include "framework/Seams.h"
#include "wizard/WizardGlobals.h"

namespace components {

CStoreComponentCheck::CStoreComponentCheck(HWND owner, std::wstring programFolder) {
    m_passed = CheckOutlook(owner) && CheckRedemption(owner, programFolder);
}

CStoreComponentCheck::CStoreComponentCheck(HWND owner) : CStoreComponentCheck(owner, g_programFolder.GetString()) {}

CStoreComponentCheck::~CStoreComponentCheck() { m_outlook.Reset(); }

bool CStoreComponentCheck::CheckOutlook(HWND owner) {
    ::CoInitialize(nullptr);
    if (SUCCEEDED(seam::CreateComObject(L"Outlook.Application", IID_IUnknown, m_outlook.PutVoid()))) return true;
    m_outlook.Reset();
    seam::ShowMessageBox(owner,
                         L"Microsoft Outlook not found installed or corrupted. Please install Microsoft Outlook & "
                         L"re-run Application.",
                         kMessageCaption, MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
    seam::TerminateOwnProcess(0);
    return false;
}

bool CStoreComponentCheck::CheckRedemption(HWND owner, const std::wstring& programFolder) {
    try {
        ::CoInitialize(nullptr);
        ComPtr<IUnknown> session;
        auto create = [&] {
            return SUCCEEDED(seam::CreateComObject(L"Redemption.RDOSession", IID_IUnknown, session.PutVoid()));
        };
        bool created = create();
        if (!created && RegisterServerDllFromProgramFolder(programFolder, L"Redemption.dll")) created = create();
        if (created) {
            session.Reset();
            com::ReleaseThreadComClasses();  // this may be the thread's last uninitialisation
            ::CoUninitialize();
            return true;
        }
        seam::ShowMessageBox(owner, L"Redemption.dll is not properly configured. Re-Install the software.",
                             kMessageCaption, MB_OK | MB_ICONERROR);
        seam::TerminateOwnProcess(0);
        return false;
    } catch (...) {
        // Whatever else goes wrong while Redemption is looked at does not stop the
        // page: the conversion itself does not use it.
        return true;
    }
}

}  // namespace components
