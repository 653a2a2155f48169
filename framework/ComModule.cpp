#include "ComModule.h"

#include <windows.h>

#include <atomic>

namespace {
volatile LONG g_moduleLockCount = 0;
std::atomic<ComModuleReleasedFn> g_releasedHandler{nullptr};
}  // namespace

void ComModuleLock() { ::InterlockedIncrement(&g_moduleLockCount); }

void ComModuleUnlock() {
    if (::InterlockedDecrement(&g_moduleLockCount) != 0) return;
    if (ComModuleReleasedFn handler = g_releasedHandler.load()) handler();
}

long ComModuleLockCount() { return ::InterlockedCompareExchange(&g_moduleLockCount, 0, 0); }

void SetComModuleReleasedHandler(ComModuleReleasedFn handler) { g_releasedHandler = handler; }
