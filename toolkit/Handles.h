// One owner per resource: move-only wrappers for Win32 handles and COM pointers.
#pragma once
#include <windows.h>
#include <utility>

namespace tk {

template <class Traits> class UniqueHandle {
public:
    using Type = typename Traits::Type;
    UniqueHandle() = default;
    explicit UniqueHandle(Type value) : value_(value) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    Type Get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }
    Type Release() { return std::exchange(value_, Traits::Invalid()); }
    void Reset(Type value = Traits::Invalid()) {
        if (value_ != Traits::Invalid()) Traits::Close(value_);
        value_ = value;
    }

private:
    Type value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
template <class T> struct GdiObjectTraits {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteDC(h); }
};
struct MenuTraits {
    using Type = HMENU;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyMenu(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};
struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) {
        if (IsWindow(h)) DestroyWindow(h);
    }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using IconHandle = UniqueHandle<IconTraits>;
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using PenHandle = UniqueHandle<GdiObjectTraits<HPEN>>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;
using MenuHandle = UniqueHandle<MenuTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using WindowHandle = UniqueHandle<WindowTraits>;

// A DC obtained with GetDC, released with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects a GDI object into a DC for the lifetime of the guard.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectGuard() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// COM interface pointer; releases on every path.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }
    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // Out-parameter for creation calls; releases what was held before.
    T** Put() {
        Reset();
        return &ptr_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (ptr_) std::exchange(ptr_, nullptr)->Release();
    }

private:
    T* ptr_ = nullptr;
};

} // namespace tk
