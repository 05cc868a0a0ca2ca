#pragma once
// Owners for the Windows resources the program holds: each closes its
// resource exactly once, on every path.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <uxtheme.h>

#include <utility>

namespace marovan::win {

// Invalid() gives the value that owns nothing (null for most handles,
// INVALID_HANDLE_VALUE for files).
template <typename T> struct NullIsInvalid {
    static T Invalid() noexcept { return T{}; }
};
struct FileHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
};

template <typename T, auto Close, typename Traits = NullIsInvalid<T>> class Unique {
    static T Invalid() noexcept { return Traits::Invalid(); }

public:
    Unique() noexcept = default;
    explicit Unique(T value) noexcept
        : value_(value) {}
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept
        : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Invalid(); }
    T release() noexcept { return std::exchange(value_, Invalid()); }
    void reset() noexcept { reset(Invalid()); }
    void reset(T value) noexcept {
        if (value_ != Invalid())
            Close(value_);
        value_ = value;
    }

private:
    T value_ = Invalid();
};

inline void CloseHandleValue(HANDLE h) noexcept {
    ::CloseHandle(h);
}
inline void DeleteGdiObject(HGDIOBJ h) noexcept {
    ::DeleteObject(h);
}
inline void DestroyIconValue(HICON h) noexcept {
    ::DestroyIcon(h);
}
inline void DestroyWindowValue(HWND h) noexcept {
    ::DestroyWindow(h);
}
inline void CloseKey(HKEY h) noexcept {
    ::RegCloseKey(h);
}
inline void FreePidl(PIDLIST_ABSOLUTE p) noexcept {
    ::CoTaskMemFree(p);
}
inline void DeleteDc(HDC h) noexcept {
    ::DeleteDC(h);
}
inline void UnhookHook(HHOOK h) noexcept {
    ::UnhookWindowsHookEx(h);
}
inline void DestroyImageList(HIMAGELIST h) noexcept {
    ::ImageList_Destroy(h);
}
inline void CloseFind(HANDLE h) noexcept {
    ::FindClose(h);
}
inline void FreeLocal(HLOCAL h) noexcept {
    ::LocalFree(h);
}
inline void CloseTheme(HTHEME h) noexcept {
    ::CloseThemeData(h);
}
inline void FreeCoTaskString(wchar_t* p) noexcept {
    ::CoTaskMemFree(p);
}
inline void FreeGlobal(HGLOBAL h) noexcept {
    ::GlobalFree(h);
}
inline void DestroyMenuValue(HMENU h) noexcept {
    ::DestroyMenu(h);
}
inline void DestroyAccelerators(HACCEL h) noexcept {
    ::DestroyAcceleratorTable(h);
}
inline void FinishDrop(HDROP h) noexcept {
    ::DragFinish(h);
}

using UniqueFile = Unique<HANDLE, CloseHandleValue, FileHandleTraits>;
using UniqueHandle = Unique<HANDLE, CloseHandleValue>;
using UniqueFont = Unique<HFONT, DeleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, DeleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject>;
using UniqueIcon = Unique<HICON, DestroyIconValue>;
using UniqueWindow = Unique<HWND, DestroyWindowValue>;
using UniqueKey = Unique<HKEY, CloseKey>;
using UniquePidl = Unique<PIDLIST_ABSOLUTE, FreePidl>;
using UniqueDc = Unique<HDC, DeleteDc>;
using UniqueHook = Unique<HHOOK, UnhookHook>;
using UniqueImageList = Unique<HIMAGELIST, DestroyImageList>;
// FindFirstFile's search handle (INVALID_HANDLE_VALUE when none), closed by FindClose.
using UniqueFind = Unique<HANDLE, CloseFind, FileHandleTraits>;
// A buffer the system allocated with LocalAlloc, as FormatMessage does.
using UniqueLocal = Unique<HLOCAL, FreeLocal>;
// OpenThemeData's handle.
using UniqueTheme = Unique<HTHEME, CloseTheme>;
// A string the shell allocated with CoTaskMemAlloc, as SHGetKnownFolderPath does.
using UniqueCoTaskString = Unique<wchar_t*, FreeCoTaskString>;
// GlobalAlloc's memory, until the clipboard takes it.
using UniqueGlobal = Unique<HGLOBAL, FreeGlobal>;
// A menu no window holds, such as a shortcut menu.
using UniqueMenu = Unique<HMENU, DestroyMenuValue>;
using UniqueAccelerators = Unique<HACCEL, DestroyAccelerators>;
// The files of a WM_DROPFILES, which the receiver releases with DragFinish.
using UniqueDrop = Unique<HDROP, FinishDrop>;

// A window's device context from GetDC, released to that window.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept
        : window_(window)
        , dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_)
            ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND window) noexcept
        : window_(window) {
        ::BeginPaint(window_, &ps_);
    }
    ~PaintDc() { ::EndPaint(window_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const noexcept { return ps_.hdc; }
    const RECT& area() const noexcept { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
};

// SaveDC/RestoreDC: a handler given another's DC (custom draw) puts back
// whatever it changed in it, text colour, background mode or font.
class SavedDc {
public:
    explicit SavedDc(HDC dc) noexcept
        : dc_(dc)
        , saved_(::SaveDC(dc)) {}
    ~SavedDc() {
        if (saved_)
            ::RestoreDC(dc_, saved_);
    }
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;

private:
    HDC dc_;
    int saved_;
};

// Selects an object into a DC and puts the previous one back. A selection
// that failed (SelectObject gives null) has nothing to put back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc)
        , previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR)
            ::SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A COM interface pointer, released once.
template <typename T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept
        : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    void reset() noexcept {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};

// COM for this thread, apartment-threaded, for as long as the token lives.
class ComApartment {
public:
    ComApartment() noexcept
        : initialized_(SUCCEEDED(
              ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (initialized_)
            ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialized_;
};

} // namespace marovan::win
