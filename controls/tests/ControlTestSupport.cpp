#include "ControlTestSupport.h"

#include "Handle.h"

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
