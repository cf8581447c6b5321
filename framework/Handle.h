// RAII for Windows handles and GDI objects: one template, owned and borrowed flavours.
#pragma once

#include <windows.h>

#include <utility>

namespace kfw {

// Owns (Owned = true) or merely refers to (Owned = false) a handle. Traits gives the handle
// type, its invalid value and how to close it.
template <typename Traits, bool Owned = true> class THandle {
public:
    using T = typename Traits::Type;
    THandle() = default;
    explicit THandle(T h) : m_h(h) {}
    ~THandle() { reset(); }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    THandle(THandle&& other) noexcept : m_h(other.release()) {}
    THandle& operator=(THandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    T get() const { return m_h; }
    operator T() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Invalid(); }
    // Gives up ownership without closing.
    T release() { return std::exchange(m_h, Traits::Invalid()); }
    void reset(T h = Traits::Invalid()) {
        if constexpr (Owned) {
            if (m_h != Traits::Invalid() && m_h != h)
                Traits::Close(m_h);
        }
        m_h = h;
    }

private:
    T m_h = Traits::Invalid();
};

template <typename H, auto CloseFn> struct TNullTraits {
    using Type = H;
    static H Invalid() { return H(); }
    static void Close(H h) { CloseFn(h); }
};
struct KernelTraits : TNullTraits<HANDLE, ::CloseHandle> {};
struct FileTraits : KernelTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
};
template <typename G> struct GdiTraits : TNullTraits<G, ::DeleteObject> {};
struct MappedViewTraits {
    using Type = void*;
    static void* Invalid() { return nullptr; }
    static void Close(void* p) { ::UnmapViewOfFile(p); }
};

using CHandle = THandle<KernelTraits>;                          // CloseHandle
using CFileHandle = THandle<FileTraits>;                        // CloseHandle, INVALID_HANDLE_VALUE
template <typename G> using TGdiObject = THandle<GdiTraits<G>>; // DeleteObject
template <typename G> using TGdiRef = THandle<GdiTraits<G>, false>; // borrowed, never deleted
using CBrush = TGdiObject<HBRUSH>;
using CPen = TGdiObject<HPEN>;
using CFont = TGdiObject<HFONT>;
using CBitmap = TGdiObject<HBITMAP>;
using CRgn = TGdiObject<HRGN>;
using CFontRef = TGdiRef<HFONT>;
using CBrushRef = TGdiRef<HBRUSH>;
using CIconHandle = THandle<TNullTraits<HICON, ::DestroyIcon>>; // DestroyIcon
using CMemoryDC = THandle<TNullTraits<HDC, ::DeleteDC>>;        // DeleteDC
using CMappedView = THandle<MappedViewTraits>;                  // UnmapViewOfFile
using CLibrary = THandle<TNullTraits<HMODULE, ::FreeLibrary>>;  // FreeLibrary

// BeginPaint / EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_hdc = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_hdc; }
    const PAINTSTRUCT& ps() const { return m_ps; }

private:
    HWND m_hwnd;
    HDC m_hdc;
    PAINTSTRUCT m_ps{};
};

// GetDC / GetWindowDC with ReleaseDC.
class CWindowDC {
public:
    explicit CWindowDC(HWND hwnd, bool wholeWindow = false)
        : m_hwnd(hwnd), m_hdc(wholeWindow ? ::GetWindowDC(hwnd) : ::GetDC(hwnd)) {}
    ~CWindowDC() {
        if (m_hdc)
            ::ReleaseDC(m_hwnd, m_hdc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    operator HDC() const { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// SelectObject that puts the previous object back.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(::SelectObject(hdc, obj)) {}
    ~CSelectObject() {
        if (m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_hdc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

} // namespace kfw
