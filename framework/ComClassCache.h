#pragma once
// The class objects of in-process COM classes, kept per thread, so that a
// thread making thousands of new instances of one class looks its ProgID up
// and loads its class object once instead of on every creation (under wine
// every lookup is a dozen registry reads through the server).
//
// GUARANTEES
//  - Every creation still makes a new instance (IClassFactory::CreateInstance).
//  - Only a success is kept: a class that cannot be found or created is looked
//    up again on the next try (a registration in between takes effect).
//  - Classes served by another process are not kept (a class object held would
//    keep their server running); they are created as before.
//  - A thread's class objects are released by ReleaseThreadComClasses, which the
//    COM scopes of ComInit.h and the worker's end call while the thread's
//    apartment is still alive. A thread that ends otherwise leaves its class
//    objects with its apartment, which also ends without being undone.
#include <windows.h>

namespace com {

// A new instance of the class `progId` names, through this thread's kept class
// object when the class is served in process.
HRESULT CreateInstanceOfKeptClass(const wchar_t* progId, REFIID iid, void** object);

// Releases the class objects the calling thread keeps. Call before the
// thread's last CoUninitialize.
void ReleaseThreadComClasses();

}  // namespace com
