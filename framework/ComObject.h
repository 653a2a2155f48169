#pragma once
// Reference-counted COM objects with a QueryInterface table, and a class
// factory for them. An object derives from ComObject<Itself, Interfaces...>
// and lists what it answers between BEGIN_COM_MAP and END_COM_MAP; IUnknown is
// answered with the first row, so every query for it gives the same pointer.
//
//     class CThing final : public ComObject<CThing, IDispatch> {
//         BEGIN_COM_MAP(CThing)
//             COM_INTERFACE(IDispatch)
//             COM_INTERFACE_IID(kThingDispatchId, IDispatch)
//         END_COM_MAP()
//         ...
//     };
//
// While an object lives it holds the module lock (ComModule.h), unless its
// class sets kLocksModule to false (a class object the program registers).
#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <cstddef>
#include <new>
#include <utility>

#include "ComModule.h"
#include "ComResult.h"

namespace com {

// One row of a QueryInterface table: an interface id and how to reach it.
template <class Object>
struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*cast)(Object* object);
};

template <class Object, class Interface>
IUnknown* CastTo(Object* object) {
    return static_cast<Interface*>(object);
}

template <class Object, size_t N>
IUnknown* FindInTable(Object* object, const InterfaceEntry<Object> (&table)[N], REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown)) return table[0].cast(object);
    for (const InterfaceEntry<Object>& entry : table) {
        if (IsEqualIID(iid, *entry.iid)) return entry.cast(object);
    }
    return nullptr;
}

}  // namespace com

#define BEGIN_COM_MAP(ThisClass_)         \
public:                                   \
    IUnknown* FindInterface(REFIID iid) { \
        using ThisClass = ThisClass_;     \
        static const ::com::InterfaceEntry<ThisClass> table[] = {
#define COM_INTERFACE(Interface) {&__uuidof(Interface), &::com::CastTo<ThisClass, Interface>},
#define COM_INTERFACE_IID(iid, Interface) {&(iid), &::com::CastTo<ThisClass, Interface>},
#define END_COM_MAP()                            \
    }                                            \
    ;                                            \
    return ::com::FindInTable(this, table, iid); \
    }

template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
public:
    static constexpr bool kLocksModule = true;

    // Makes a new object and asks it for `iid`; the caller's reference is the only one.
    template <class... Arguments>
    static HRESULT NewInstance(REFIID iid, void** object, Arguments&&... arguments) {
        if (!object) return E_POINTER;
        *object = nullptr;
        Derived* instance = new (std::nothrow) Derived(std::forward<Arguments>(arguments)...);
        if (!instance) return E_OUTOFMEMORY;
        HRESULT hr = instance->QueryInterface(iid, object);
        instance->Release();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        IUnknown* found = static_cast<Derived*>(this)->FindInterface(iid);
        *object = found;
        if (!found) return E_NOINTERFACE;
        found->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --m_references;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    ComObject() {
        if (Derived::kLocksModule) ComModuleLock();
    }
    virtual ~ComObject() {
        if (Derived::kLocksModule) ComModuleUnlock();
    }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

private:
    std::atomic<ULONG> m_references{1};  // the creator's
};

// The class object COM asks for new instances of Object. LockServer holds the
// module lock. A program's registered class object must not hold it by merely
// existing (COM keeps it until the program revokes it), so it passes false.
template <class Object, bool LocksModule = true>
class ComClassFactory final : public ComObject<ComClassFactory<Object, LocksModule>, IClassFactory> {
public:
    static constexpr bool kLocksModule = LocksModule;

    BEGIN_COM_MAP(ComClassFactory)
        COM_INTERFACE(IClassFactory)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return ComBoundary(L"class factory", [&] { return Object::NewInstance(iid, object); });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ComModuleLock();
        else
            ComModuleUnlock();
        return S_OK;
    }
};
