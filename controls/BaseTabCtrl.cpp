#include "BaseTabCtrl.h"

#include "ControlSupport.h"
#include "Handle.h"
#include "MemDC.h"
#include "Trace.h"

using namespace kctl;

COLORREF CBaseTabCtrl::GetPaintedBackground() const {
    return m_crBack == kSystemColour ? ::GetSysColor(COLOR_BTNFACE) : m_crBack;
}

void CBaseTabCtrl::SetDrawMode(int mode) {
    if (mode != kTabDrawSystem && mode != kTabDrawTabs && mode != kTabDrawAll)
        return;
    m_nDrawMode = mode;
    if (m_hWnd) {
        SetOwnerDrawStyle(mode != kTabDrawSystem);
        Invalidate();
    }
}

void CBaseTabCtrl::SetBackgroundColour(COLORREF colour) {
    m_crBack = colour;
    if (m_hWnd)
        Invalidate();
}

void CBaseTabCtrl::SetOwnerDrawStyle(bool on) {
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    const LONG wanted =
        on ? (style | kTabOwnerDrawStyle) : (style & ~static_cast<LONG>(kTabOwnerDrawStyle));
    if (wanted != style)
        ::SetWindowLongW(m_hWnd, GWL_STYLE, wanted);
}

void CBaseTabCtrl::PreSubclassWindow() {
    if (m_nDrawMode != kTabDrawSystem)
        SetOwnerDrawStyle(true);
    Invalidate();
}

int CBaseTabCtrl::InsertItem(int index, const wchar_t* text, int image) {
    TCITEMW item{};
    item.mask = TCIF_TEXT | (image >= 0 ? TCIF_IMAGE : 0);
    item.pszText = const_cast<wchar_t*>(text);
    item.iImage = image;
    return static_cast<int>(
        SendMessage(TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

int CBaseTabCtrl::GetItemCount() const {
    return static_cast<int>(SendMessage(TCM_GETITEMCOUNT));
}

int CBaseTabCtrl::GetCurSel() const {
    return static_cast<int>(SendMessage(TCM_GETCURSEL));
}

int CBaseTabCtrl::SetCurSel(int index) {
    return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index)));
}

bool CBaseTabCtrl::GetItemRect(int index, RECT* rc) const {
    return SendMessage(TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rc)) !=
           0;
}

HIMAGELIST CBaseTabCtrl::GetImageList() const {
    return reinterpret_cast<HIMAGELIST>(SendMessage(TCM_GETIMAGELIST));
}

HIMAGELIST CBaseTabCtrl::SetImageList(HIMAGELIST images) {
    return reinterpret_cast<HIMAGELIST>(
        SendMessage(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)));
}

void CBaseTabCtrl::AdjustRect(bool larger, RECT* rc) const {
    SendMessage(TCM_ADJUSTRECT, larger ? TRUE : FALSE, reinterpret_cast<LPARAM>(rc));
}

bool CBaseTabCtrl::DeleteAllItems() {
    return SendMessage(TCM_DELETEALLITEMS) != 0;
}

bool CBaseTabCtrl::GetItem(int index, std::wstring* text, int* image, LPARAM* data) const {
    wchar_t buffer[kTabTextMax + 1] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = buffer;
    item.cchTextMax = kTabTextMax + 1;
    item.iImage = -1;
    if (!SendMessage(TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)))
        return false;
    if (text)
        *text = item.pszText ? item.pszText : L"";
    if (image)
        *image = item.iImage;
    if (data)
        *data = item.lParam;
    return true;
}

COLORREF CBaseTabCtrl::GetTabColor(bool) const {
    return ::GetSysColor(COLOR_BTNFACE);
}

COLORREF CBaseTabCtrl::GetTabTextColor(bool) const {
    return ::GetSysColor(COLOR_WINDOWTEXT);
}

LRESULT CBaseTabCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        if (m_nDrawMode == kTabDrawAll) {
            if (wp) { // a caller's context (WM_PAINT with a DC, as WM_PRINTCLIENT)
                PaintAll(reinterpret_cast<HDC>(wp));
                return 0;
            }
            kfw::CPaintDC dc(m_hWnd);
            CMemDC mem(dc);
            PaintAll(mem);
            return 0;
        }
        break;
    case WM_PRINTCLIENT:
        if (m_nDrawMode == kTabDrawAll) {
            PaintAll(reinterpret_cast<HDC>(wp));
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        if (m_nDrawMode == kTabDrawAll)
            return 1; // WM_PAINT covers every pixel
        if (m_nDrawMode == kTabDrawTabs) {
            RECT client;
            ::GetClientRect(m_hWnd, &client);
            PaintBackground(reinterpret_cast<HDC>(wp), client);
            return 1;
        }
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

bool CBaseTabCtrl::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    if (msg != WM_DRAWITEM)
        return false;
    const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    if (dis.CtlType != ODT_TAB)
        return false;
    DrawItem(dis);
    *result = TRUE;
    return true;
}

void CBaseTabCtrl::PaintBackground(HDC hdc, const RECT& client) const {
    FillSolid(hdc, client, GetPaintedBackground());
}

RECT CBaseTabCtrl::TabStripRect() const {
    RECT strip{};
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        RECT tab;
        if (GetItemRect(i, &tab))
            ::UnionRect(&strip, &strip, &tab);
    }
    return strip;
}

void CBaseTabCtrl::PaintAll(HDC hdc) {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    PaintBackground(hdc, client);

    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    kfw::CSelectObject selectFont(hdc, font ? static_cast<HGDIOBJ>(font)
                                            : ::GetStockObject(DEFAULT_GUI_FONT));

    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_TAB;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID());
    dis.hwndItem = m_hWnd;
    dis.hDC = hdc;
    dis.itemAction = ODA_DRAWENTIRE;

    // The page area starts where the tabs end.
    RECT page = client;
    const RECT strip = TabStripRect();
    if (!::IsRectEmpty(&strip))
        page.top = strip.bottom;
    dis.rcItem = page;
    dis.itemID = static_cast<UINT>(-1);
    DrawMainBorder(dis);

    const int count = GetItemCount();
    const int selected = GetCurSel();
    for (int i = 0; i < count; ++i) {
        if (i == selected || !GetItemRect(i, &dis.rcItem))
            continue;
        dis.itemID = static_cast<UINT>(i);
        dis.itemState = 0;
        DrawItem(dis);
        DrawItemBorder(dis);
    }
    if (selected >= 0 && selected < count && GetItemRect(selected, &dis.rcItem)) {
        // Raised above its neighbours and open towards the page.
        ::InflateRect(&dis.rcItem, kTabSelectedGrow, 0);
        dis.rcItem.top -= kTabSelectedGrow;
        dis.rcItem.bottom += 1;
        dis.itemID = static_cast<UINT>(selected);
        dis.itemState = ODS_SELECTED;
        DrawItem(dis);
        DrawItemBorder(dis);
    }
}
