#pragma once
// The module lock: how many objects and LockServer calls keep this module
// alive. A DLL answers DllCanUnloadNow from it; the program's automation class
// uses it to know when the last client has gone. Changed with interlocked calls
// only, because COM may release objects on any of its threads.
using ComModuleReleasedFn = void (*)();

void ComModuleLock();
void ComModuleUnlock();
long ComModuleLockCount();
// Called (on the releasing thread) each time the count falls to zero.
void SetComModuleReleasedHandler(ComModuleReleasedFn handler);
