// The C++ allocation operators of a program or DLL that links this file:
// blocks up to 64 KB come from per-size free lists carved out of large slabs,
// bigger ones from the process heap.
//
// Why: the engine makes and frees many small blocks per message. Wine's heap
// finds a free block by walking a list that grows with the live blocks, so on
// a store of tens of thousands of messages most of the engine's time went to
// that walk. Windows' own heap does not have this cost; the pools cost it
// nothing either.
//
// GUARANTEES: every block is 16-byte aligned; any thread may free any block;
// operator new throws std::bad_alloc when the system has no memory left.
// Pooled memory is kept for reuse by the same module, never handed back to the
// system before the process ends: the peak of live small blocks stays taken.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <new>

namespace {

constexpr size_t kHeader = 16;           // the size class, keeping the payload 16-byte aligned
constexpr size_t kStepLimit = 512;       // classes in 16-byte steps up to here
constexpr unsigned kStepClasses = kStepLimit / 16;
constexpr unsigned kClasses = kStepClasses + 7;  // then 1 KB, 2 KB ... 64 KB
constexpr size_t kPooledLimit = size_t(1024) << 6;
constexpr uint32_t kFromProcessHeap = 0xFFFFFFFFu;
constexpr size_t kSlab = size_t(4) << 20;

unsigned ClassOf(size_t size) {
    if (size <= kStepLimit) return size == 0 ? 0 : static_cast<unsigned>((size + 15) / 16 - 1);
    unsigned sizeClass = kStepClasses;
    for (size_t classSize = 1024; classSize < size; classSize <<= 1) ++sizeClass;
    return sizeClass;
}

size_t ClassSize(unsigned sizeClass) {
    return sizeClass < kStepClasses ? (sizeClass + 1) * 16 : size_t(1024) << (sizeClass - kStepClasses);
}

struct FreeBlock {
    FreeBlock* next;
};

// Constant-initialised, so it serves allocations made before any constructor runs.
struct Pools {
    SRWLOCK lock;
    FreeBlock* free[kClasses];
    char* cursor;
    char* end;
} g_pools = {SRWLOCK_INIT, {}, nullptr, nullptr};

void* Allocate(size_t size) noexcept {
    char* raw = nullptr;
    uint32_t sizeClass = kFromProcessHeap;
    if (size > kPooledLimit) {
        if (size > SIZE_MAX - kHeader) return nullptr;
        raw = static_cast<char*>(::HeapAlloc(::GetProcessHeap(), 0, size + kHeader));
        if (!raw) return nullptr;
    } else {
        sizeClass = ClassOf(size);
        const size_t block = ClassSize(sizeClass) + kHeader;
        ::AcquireSRWLockExclusive(&g_pools.lock);
        if (FreeBlock* reused = g_pools.free[sizeClass]) {
            g_pools.free[sizeClass] = reused->next;
            raw = reinterpret_cast<char*>(reused);
        } else {
            if (static_cast<size_t>(g_pools.end - g_pools.cursor) < block) {
                // The old slab's tail (under one block of the largest class) stays unused.
                char* slab = static_cast<char*>(::VirtualAlloc(nullptr, kSlab, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
                if (slab) {
                    g_pools.cursor = slab;
                    g_pools.end = slab + kSlab;
                }
            }
            if (static_cast<size_t>(g_pools.end - g_pools.cursor) >= block) {
                raw = g_pools.cursor;
                g_pools.cursor += block;
            }
        }
        ::ReleaseSRWLockExclusive(&g_pools.lock);
        if (!raw) return nullptr;
    }
    *reinterpret_cast<uint32_t*>(raw) = sizeClass;
    return raw + kHeader;
}

void Free(void* payload) noexcept {
    if (!payload) return;
    char* raw = static_cast<char*>(payload) - kHeader;
    const uint32_t sizeClass = *reinterpret_cast<uint32_t*>(raw);
    if (sizeClass == kFromProcessHeap) {
        ::HeapFree(::GetProcessHeap(), 0, raw);
        return;
    }
    FreeBlock* block = reinterpret_cast<FreeBlock*>(raw);
    ::AcquireSRWLockExclusive(&g_pools.lock);
    block->next = g_pools.free[sizeClass];
    g_pools.free[sizeClass] = block;
    ::ReleaseSRWLockExclusive(&g_pools.lock);
}

void* AllocateOrThrow(size_t size) {
    for (;;) {
        if (void* payload = Allocate(size)) return payload;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

}  // namespace

void* operator new(size_t size) { return AllocateOrThrow(size); }
void* operator new[](size_t size) { return AllocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* payload) noexcept { Free(payload); }
void operator delete[](void* payload) noexcept { Free(payload); }
void operator delete(void* payload, size_t) noexcept { Free(payload); }
void operator delete[](void* payload, size_t) noexcept { Free(payload); }
void operator delete(void* payload, const std::nothrow_t&) noexcept { Free(payload); }
void operator delete[](void* payload, const std::nothrow_t&) noexcept { Free(payload); }
