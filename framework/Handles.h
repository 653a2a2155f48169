#pragma once
// Owning wrappers, one per kind of handle, each closed the way its kind must be.
// A raw HWND/HANDLE in page code is borrowed unless a type from here holds it.
#include <windows.h>
#include <unknwn.h>
#include <objbase.h>
#include <shtypes.h>
#include <utility>

template <class Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;
    UniqueResource() = default;
    explicit UniqueResource(Handle h) : m_handle(h) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_handle(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    Handle get() const { return m_handle; }
    bool valid() const { return m_handle != Traits::Empty(); }
    explicit operator bool() const { return valid(); }
    Handle release() {
        Handle h = m_handle;
        m_handle = Traits::Empty();
        return h;
    }
    void reset(Handle h = Traits::Empty()) {
        if (valid()) Traits::Close(m_handle);
        m_handle = h;
    }
    Handle* put() {
        reset();
        return &m_handle;
    }

private:
    Handle m_handle = Traits::Empty();
};

struct FileHandleTraits {  // CreateFileW reports failure as INVALID_HANDLE_VALUE, not NULL
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct KernelHandleTraits {  // threads, processes, events: NULL when empty
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
struct IconTraits {
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
// One type per kind of GDI object, so a font cannot be handed where a bitmap is owned.
template <class GdiHandle>
struct TypedGdiObjectTraits {
    using Handle = GdiHandle;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
// Memory the shell or COM hands over for the caller to free (PIDLs, strings).
template <class Pointer>
struct CoTaskMemTraits {
    using Handle = Pointer;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::CoTaskMemFree(const_cast<void*>(static_cast<const void*>(h))); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};

using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueKernelHandle = UniqueResource<KernelHandleTraits>;
using UniqueRegKey = UniqueResource<RegKeyTraits>;
using UniqueIcon = UniqueResource<IconTraits>;
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueBitmap = UniqueResource<TypedGdiObjectTraits<HBITMAP>>;
using UniqueFont = UniqueResource<TypedGdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueResource<TypedGdiObjectTraits<HBRUSH>>;
using UniqueRegion = UniqueResource<TypedGdiObjectTraits<HRGN>>;
template <class T>
using UniqueCoTaskMem = UniqueResource<CoTaskMemTraits<T*>>;
using UniquePidl = UniqueResource<CoTaskMemTraits<PIDLIST_ABSOLUTE>>;

// Holds one reference to a COM object and releases it when it goes.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : m_ptr(other.m_ptr) {
        if (m_ptr) m_ptr->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    void Reset() {
        if (m_ptr) std::exchange(m_ptr, nullptr)->Release();
    }
    T** Put() {
        Reset();
        return &m_ptr;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

private:
    T* m_ptr = nullptr;
};

// Releases a DC obtained with GetDC when the scope ends.
class WindowDcScope {
public:
    explicit WindowDcScope(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    WindowDcScope(const WindowDcScope&) = delete;
    WindowDcScope& operator=(const WindowDcScope&) = delete;
    ~WindowDcScope() {
        if (m_dc) ::ReleaseDC(m_window, m_dc);
    }
    HDC get() const { return m_dc; }

private:
    HWND m_window;  // not owned
    HDC m_dc;
};

// A memory DC compatible with another (or the screen), deleted when the scope ends.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith = nullptr) : m_dc(::CreateCompatibleDC(compatibleWith)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (m_dc) ::DeleteDC(m_dc);
    }
    HDC get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HDC m_dc;
};

// BeginPaint in the constructor, EndPaint in the destructor: a WM_PAINT handler
// that returns early still validates the window, or it would be painted forever.
class PaintScope {
public:
    explicit PaintScope(HWND window) : m_window(window) { m_dc = ::BeginPaint(window, &m_paint); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(m_window, &m_paint); }
    HDC dc() const { return m_dc; }
    const RECT& area() const { return m_paint.rcPaint; }

private:
    HWND m_window;  // not owned
    PAINTSTRUCT m_paint = {};
    HDC m_dc = nullptr;
};

// Puts back the object that was selected into a DC before, when the scope ends.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() {
        if (m_previous) ::SelectObject(m_dc, m_previous);
    }

private:
    HDC m_dc;  // not owned
    HGDIOBJ m_previous;
};
