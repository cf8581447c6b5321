#include "Screenshot.h"

#include "Handle.h"
#include "Text.h"
#include "Trace.h"

#include <commctrl.h>
#include <wincodec.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace kfw {
namespace {

template <typename T> struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p)
            p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

bool EncodePng(const wchar_t* path, UINT width, UINT height, std::vector<BYTE>& bgra) {
    bool comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    bool ok = false;
    {
        ComPtr<IWICImagingFactory> factory;
        ComPtr<IWICStream> stream;
        ComPtr<IWICBitmapEncoder> encoder;
        ComPtr<IWICBitmapFrameEncode> frame;
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
        ok = SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IWICImagingFactory,
                                          reinterpret_cast<void**>(&factory))) &&
             SUCCEEDED(factory->CreateStream(&stream)) &&
             SUCCEEDED(stream->InitializeFromFilename(path, GENERIC_WRITE)) &&
             SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
             SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
             SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
             SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(width, height)) &&
             SUCCEEDED(frame->SetPixelFormat(&format)) &&
             SUCCEEDED(frame->WritePixels(height, width * 4, static_cast<UINT>(bgra.size()),
                                          bgra.data())) &&
             SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    if (comStarted)
        ::CoUninitialize();
    return ok;
}

BOOL CALLBACK CollectOwnVisible(HWND w, LPARAM lp) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(w))
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

BOOL CALLBACK CollectAll(HWND w, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

// The windows a capture of `hwnd` is about: the window itself, or for the desktop window
// every visible top-level window of this process.
std::vector<HWND> Roots(HWND hwnd) {
    if (hwnd != ::GetDesktopWindow())
        return {hwnd};
    std::vector<HWND> roots;
    ::EnumWindows(CollectOwnVisible, reinterpret_cast<LPARAM>(&roots));
    return roots;
}

std::vector<HWND> Descendants(HWND root) {
    std::vector<HWND> all;
    ::EnumChildWindows(root, CollectAll, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    return name;
}

// A control that shows something in any state: a border, a text, a tab strip, a standard
// button or a frame. A blank static or a borderless empty edit may rightly be background.
bool DrawsWhateverItsState(HWND hwnd) {
    const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    const LONG exStyle = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
    if ((style & (WS_BORDER | WS_DLGFRAME)) ||
        (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME)))
        return true;
    const std::wstring cls = ClassOf(hwnd);
    if (_wcsicmp(cls.c_str(), WC_TABCONTROLW) == 0)
        return ::SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0) > 0;
    if (_wcsicmp(cls.c_str(), L"Button") == 0 && (style & BS_TYPEMASK) != BS_OWNERDRAW)
        return true;
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        switch (style & SS_TYPEMASK) {
        case SS_BLACKFRAME:
        case SS_GRAYFRAME:
        case SS_WHITEFRAME:
        case SS_ETCHEDFRAME:
        case SS_ETCHEDHORZ:
        case SS_ETCHEDVERT:
            return true;
        default:
            break;
        }
    }
    const std::wstring text = GetWindowTextW(hwnd);
    return text.find_first_not_of(L" \t\r\n") != std::wstring::npos;
}

// The part of the control a picture can show: its rectangle clipped by the client areas of its
// ancestors and by the picture; empty when a window of another top-level stack lies above it.
RECT ShownRect(HWND control, const Picture& picture) {
    RECT rc{};
    ::GetWindowRect(control, &rc);
    ::IntersectRect(&rc, &rc, &picture.screen);
    const HWND root = ::GetAncestor(control, GA_ROOT);
    for (HWND p = ::GetAncestor(control, GA_PARENT); p && p != ::GetDesktopWindow();
         p = ::GetAncestor(p, GA_PARENT)) {
        RECT client{};
        ::GetClientRect(p, &client);
        ::MapWindowPoints(p, nullptr, reinterpret_cast<POINT*>(&client), 2);
        ::IntersectRect(&rc, &rc, &client);
        if (p == root)
            break;
    }
    for (HWND w = ::GetWindow(root, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV)) {
        RECT above{}, common{};
        if (::IsWindowVisible(w) && ::GetWindowRect(w, &above) &&
            ::IntersectRect(&common, &above, &rc))
            return RECT{};
    }
    return rc;
}

// The windows drawn over parts of the control: its visible children and the visible siblings
// above it that overlap it. A sibling holding the whole control (a group box, a tab control
// with its pages) is its background, not a cover.
std::vector<RECT> Overlaps(HWND control) {
    std::vector<RECT> covers;
    RECT own{}, rc{}, common{};
    ::GetWindowRect(control, &own);
    for (HWND c = ::GetWindow(control, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (::IsWindowVisible(c) && ::GetWindowRect(c, &rc))
            covers.push_back(rc);
    for (HWND s = ::GetWindow(control, GW_HWNDPREV); s; s = ::GetWindow(s, GW_HWNDPREV))
        if (::IsWindowVisible(s) && ::GetWindowRect(s, &rc) &&
            ::IntersectRect(&common, &rc, &own) && !::EqualRect(&common, &own))
            covers.push_back(rc);
    return covers;
}

// True when the picture shows the rectangle, outside `covers`, in one colour that is also the
// colour just around it: nothing drawn there but the background.
bool OnlyBackground(const Picture& picture, const RECT& rc, const std::vector<RECT>& covers) {
    bool any = false;
    DWORD colour = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            const POINT pt{x, y};
            bool covered = false;
            for (const RECT& c : covers)
                if (::PtInRect(&c, pt)) {
                    covered = true;
                    break;
                }
            if (covered)
                continue;
            if (!any) {
                any = true;
                colour = picture.At(x, y);
            } else if (picture.At(x, y) != colour) {
                return false;
            }
        }
    }
    if (!any)
        return false;
    // The ring just outside the rectangle, where the picture holds it.
    bool ringSeen = false;
    auto around = [&](int x, int y) {
        const POINT pt{x, y};
        if (!::PtInRect(&picture.screen, pt))
            return false;
        ringSeen = true;
        return picture.At(x, y) == colour;
    };
    for (int x = rc.left - 1; x <= rc.right; ++x)
        if (around(x, rc.top - 1) || around(x, rc.bottom))
            return true;
    for (int y = rc.top; y < rc.bottom; ++y)
        if (around(rc.left - 1, y) || around(rc.right, y))
            return true;
    return !ringSeen;
}

// How often and how far apart SaveWindowPng takes the picture again while controls are undrawn.
constexpr int kRetakes = 10;
constexpr DWORD kRetakeGapMs = 50;
// Controls thinner than this carry no meaningful area to look at.
constexpr int kMinControlSide = 3;

} // namespace

void PaintNow(HWND hwnd) {
    for (HWND root : Roots(hwnd)) {
        if (!::IsWindow(root))
            continue;
        ::RedrawWindow(root, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        // A control may invalidate itself again while it paints (a value changed meanwhile).
        for (HWND w : Descendants(root))
            if (::IsWindowVisible(w) && ::GetUpdateRect(w, nullptr, FALSE))
                ::UpdateWindow(w);
    }
    // Waiting on the message queue, even for no time, is when Wine passes the windows' painted
    // pictures to the X server (on Windows it changes nothing): without it a BitBlt from the
    // screen reads what the windows showed at the last idle moment.
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
}

bool CaptureWindow(HWND hwnd, Picture& picture) {
    RECT rc{};
    if (!::IsWindow(hwnd) || !::GetWindowRect(hwnd, &rc))
        return false;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if (width <= 0 || height <= 0)
        return false;
    PaintNow(hwnd);

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // top-down rows
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CWindowDC screen(nullptr);
    CBitmap dib(::CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    CMemoryDC mem(::CreateCompatibleDC(screen));
    if (!dib || !mem || !bits)
        return false;
    {
        CSelectObject select(mem, dib);
        if (!::BitBlt(mem, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY))
            return false;
    }
    ::GdiFlush();
    picture.screen = rc;
    picture.pixels.assign(static_cast<const DWORD*>(bits),
                          static_cast<const DWORD*>(bits) + size_t(width) * height);
    picture.controls.clear();
    for (HWND root : Roots(hwnd))
        for (HWND control : Descendants(root))
            if (::IsWindowVisible(control))
                picture.controls.push_back({control, GetWindowTextW(control)});
    return true;
}

std::vector<HWND> UndrawnControls(HWND hwnd, const Picture& picture, const Picture* later) {
    std::vector<HWND> undrawn;
    for (HWND root : Roots(hwnd)) {
        for (HWND control : Descendants(root)) {
            if (!::IsWindowVisible(control))
                continue;
            const RECT rc = ShownRect(control, picture);
            if (rc.right - rc.left < kMinControlSide || rc.bottom - rc.top < kMinControlSide)
                continue;
            const std::vector<RECT> covers = Overlaps(control);
            if (!OnlyBackground(picture, rc, covers))
                continue;
            if (later) {
                // A control shown or changed since is no evidence against the picture.
                const auto then = std::find_if(
                    picture.controls.begin(), picture.controls.end(),
                    [control](const Picture::Shown& shown) { return shown.hwnd == control; });
                if (then == picture.controls.end() || then->text != GetWindowTextW(control))
                    continue;
                RECT both{};
                if (::IntersectRect(&both, &rc, &later->screen) && ::EqualRect(&both, &rc) &&
                    !OnlyBackground(*later, rc, covers))
                    undrawn.push_back(control);
            } else if (DrawsWhateverItsState(control)) {
                undrawn.push_back(control);
            }
        }
    }
    return undrawn;
}

bool SavePng(const Picture& picture, const wchar_t* path) {
    std::vector<BYTE> bgra(reinterpret_cast<const BYTE*>(picture.pixels.data()),
                           reinterpret_cast<const BYTE*>(picture.pixels.data()) +
                               picture.pixels.size() * sizeof(DWORD));
    if (!EncodePng(path, UINT(picture.Width()), UINT(picture.Height()), bgra)) {
        Trace("[FW] SaveWindowPng: PNG encoding failed\n");
        return false;
    }
    return true;
}

bool SaveWindowPng(HWND hwnd, const wchar_t* path, std::vector<HWND>* undrawn, Picture* saved) {
    Picture picture;
    std::vector<HWND> missing;
    for (int attempt = 0;; ++attempt) {
        if (!CaptureWindow(hwnd, picture))
            return false;
        missing = UndrawnControls(hwnd, picture);
        if (missing.empty() || attempt + 1 >= kRetakes)
            break;
        ::Sleep(kRetakeGapMs);
    }
    if (undrawn)
        *undrawn = missing;
    const bool written = SavePng(picture, path);
    if (saved)
        *saved = std::move(picture);
    return written;
}

} // namespace kfw
