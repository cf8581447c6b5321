#include "ControlTestSupport.h"

#include "Handle.h"

#include <algorithm>

namespace ct {

namespace {
constexpr wchar_t kParentClass[] = L"ctl.test.ReflectingParent";
}

ReflectingParent::ReflectingParent(int width, int height) {
    kfw::CWnd::RegisterClass(kParentClass, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    CreateEx(0, kParentClass, L"controls", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
             RECT{40, 40, 40 + width, 40 + height}, nullptr, 0);
    m_recorder.Attach(m_hWnd, 0, kt::parent);
    ::SetForegroundWindow(m_hWnd);
    ::UpdateWindow(m_hWnd);
}

ReflectingParent::~ReflectingParent() {
    m_recorder.Detach();
    if (m_hWnd)
        DestroyWindow();
}

HWND CreateChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x,
                 int y, int w, int h) {
    HWND hwnd = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                   FALSE);
    return hwnd;
}

COLORREF ClientPixel(HWND hwnd, int x, int y) {
    ::UpdateWindow(hwnd);
    kfw::CWindowDC dc(hwnd);
    return ::GetPixel(dc, x, y);
}

COLORREF WindowPixel(HWND hwnd, int x, int y) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_FRAME);
    kfw::CWindowDC dc(hwnd, true);
    return ::GetPixel(dc, x, y);
}

Picture ClientPicture(HWND hwnd) {
    ::UpdateWindow(hwnd);
    Picture p;
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    p.width = rc.right;
    p.height = rc.bottom;
    if (p.width <= 0 || p.height <= 0)
        return p;
    kfw::CWindowDC dc(hwnd);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), p.width, -p.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    kfw::CBitmap bmp(::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    kfw::CMemoryDC mem(::CreateCompatibleDC(dc));
    {
        kfw::CSelectObject sel(mem, bmp);
        ::BitBlt(mem, 0, 0, p.width, p.height, dc, 0, 0, SRCCOPY);
    }
    ::GdiFlush();
    const auto* q = static_cast<const RGBQUAD*>(bits);
    p.pixels.reserve(static_cast<size_t>(p.width * p.height));
    for (int i = 0; i < p.width * p.height; ++i)
        p.pixels.push_back(RGB(q[i].rgbRed, q[i].rgbGreen, q[i].rgbBlue));
    return p;
}

namespace {
RECT Clip(const Picture& p, RECT area) {
    if (area.right <= area.left || area.bottom <= area.top)
        return RECT{0, 0, p.width, p.height};
    return RECT{std::max(area.left, 0L), std::max(area.top, 0L),
                std::min(area.right, static_cast<LONG>(p.width)),
                std::min(area.bottom, static_cast<LONG>(p.height))};
}
} // namespace

int Picture::Count(COLORREF colour, RECT area) const {
    const RECT r = Clip(*this, area);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += At(x, y) == colour ? 1 : 0;
    return n;
}

int Picture::Ink(int luma, RECT area) const {
    const RECT r = Clip(*this, area);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF c = At(x, y);
            const int l = (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000;
            n += l < luma ? 1 : 0;
        }
    return n;
}

int Picture::Differences(const Picture& other) const {
    if (other.width != width || other.height != height)
        return width * height;
    int n = 0;
    for (size_t i = 0; i < pixels.size(); ++i)
        n += pixels[i] != other.pixels[i] ? 1 : 0;
    return n;
}

HICON MakeIcon(COLORREF colour, int size) {
    kfw::CWindowDC screen(nullptr);
    kfw::CBitmap colourBmp(::CreateCompatibleBitmap(screen, size, size));
    kfw::CBitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
    {
        kfw::CMemoryDC dc(::CreateCompatibleDC(screen));
        kfw::CSelectObject sel(dc, colourBmp);
        kfw::CBrush brush(::CreateSolidBrush(colour));
        RECT rc{0, 0, size, size};
        ::FillRect(dc, &rc, brush);
    }
    {
        kfw::CMemoryDC dc(::CreateCompatibleDC(screen));
        kfw::CSelectObject sel(dc, mask);
        RECT rc{0, 0, size, size};
        ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))); // opaque
    }
    ICONINFO info{TRUE, 0, 0, mask, colourBmp};
    return ::CreateIconIndirect(&info);
}

void StartLog(std::initializer_list<UINT> messages) {
    kt::MsgLog::Get().RecordOnly(std::set<UINT>(messages));
    kt::MsgLog::Get().Clear();
}

} // namespace ct

namespace ct {
void FillRectColour(HDC hdc, const RECT& rc, COLORREF colour) {
    kfw::CBrush brush(::CreateSolidBrush(colour));
    ::FillRect(hdc, &rc, brush);
}
} // namespace ct
