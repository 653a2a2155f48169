// Quillon.dll's entry points: the class object of quillon.Class1, its
// registration, and the end of the process.
//
// ThreadingModel "Both": the object holds no state and every call goes to the
// registry, which serializes the stores under its own lock, so the object may
// be called from any thread of any apartment. A worker thread in either
// apartment kind then gets the object itself, never a proxy, and no call
// waits on another thread's message loop.
#include <windows.h>
#include <olectl.h>

#include "framework/ComModule.h"
#include "framework/ComObject.h"
#include "quillon/MailParserDispatch.h"
#include "quillon/ServerRegistration.h"
#include "quillon/core/StoreRegistry.h"

namespace {

HMODULE g_module = nullptr;

const com::ServerClass kServer = {&quillon_com::kMailParserClsid, quillon_com::kMailParserProgId,
                                  L"Quillon mail parser component", L"Both"};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
        // The stores of every exchange live in this module for the life of the
        // process; an apartment's end must not unload it and drop them.
        HMODULE pinned = nullptr;
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                             reinterpret_cast<LPCWSTR>(&DllMain), &pinned);
    } else if (reason == DLL_PROCESS_DETACH) {
        quillon::StoreRegistry::Instance().Shutdown();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, quillon_com::kMailParserClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return ComClassFactory<quillon_com::CMailParserObject>::NewInstance(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ComModuleLockCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return com::RegisterServerClass(g_module, kServer); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return com::UnregisterServerClass(kServer); }
