#include "ComClassCache.h"

#include <objbase.h>

#include <string>
#include <vector>

namespace com {
namespace {

struct KeptClass {
    std::wstring progId;
    IClassFactory* factory;
};

// Reached through a plain pointer, so nothing runs at thread exit: a class
// object must not be released after the apartment that made it has gone.
thread_local std::vector<KeptClass>* t_kept = nullptr;

IClassFactory* FindKept(const wchar_t* progId) {
    if (!t_kept) return nullptr;
    for (const KeptClass& kept : *t_kept)
        if (kept.progId == progId) return kept.factory;
    return nullptr;
}

}  // namespace

HRESULT CreateInstanceOfKeptClass(const wchar_t* progId, REFIID iid, void** object) {
    *object = nullptr;
    if (IClassFactory* factory = FindKept(progId)) return factory->CreateInstance(nullptr, iid, object);
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) return hr;
    IClassFactory* factory = nullptr;
    if (FAILED(::CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory)))) {
        return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, iid, object);
    }
    hr = factory->CreateInstance(nullptr, iid, object);
    if (FAILED(hr)) {
        factory->Release();
        return hr;
    }
    if (!t_kept) t_kept = new std::vector<KeptClass>();
    t_kept->push_back({progId, factory});
    return hr;
}

void ReleaseThreadComClasses() {
    if (!t_kept) return;
    for (KeptClass& kept : *t_kept) kept.factory->Release();
    delete t_kept;
    t_kept = nullptr;
}

}  // namespace com
