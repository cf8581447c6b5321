#include "TnButton.h"

#include "Handle.h"
#include "MemDC.h"
#include "Text.h"

using namespace kctl;

void CTnButton::PreSubclassWindow() {
    LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    Invalidate();
}

void CTnButton::SetLatched(bool latched) {
    if (latched == m_bLatched)
        return;
    m_bLatched = latched;
    if (m_hWnd)
        Invalidate(FALSE);
}

void CTnButton::SetFaceColour(COLORREF colour) {
    m_crFace = colour;
    if (m_hWnd)
        Invalidate(FALSE);
}

void CTnButton::SetTextColour(COLORREF colour) {
    m_crText = colour;
    if (m_hWnd)
        Invalidate(FALSE);
}

LRESULT CTnButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        PostInteraction(m_hWnd, true);
        if (m_lock.Locked())
            return 0; // no pressed look, no click
        break;
    case WM_LBUTTONUP:
        // Queued before the click notification, which the default handling sends at once.
        PostButtonReleased(m_hWnd);
        break;
    case WM_KILLFOCUS: {
        LRESULT r = DefWindowProc(msg, wp, lp);
        PostInteraction(m_hWnd, false);
        return r;
    }
    case WM_ERASEBKGND:
        return 1; // DrawItem paints every pixel
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

bool CTnButton::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    if (msg != WM_DRAWITEM)
        return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    *result = TRUE;
    return true;
}

void CTnButton::DrawItem(const DRAWITEMSTRUCT& dis) {
    CMemDC mem(dis.hDC);
    HDC dc = mem;
    RECT rc = dis.rcItem;
    const bool pressed = (dis.itemState & ODS_SELECTED) || m_bLatched;
    const bool focused = (dis.itemState & ODS_FOCUS) != 0;
    const bool disabled = (dis.itemState & ODS_DISABLED) != 0;

    FillSolid(dc, rc, disabled ? kPanelColour : m_crFace);
    FrameSolid(dc, rc, kOutline);
    if (!disabled)
        ::InflateRect(&rc, -1, -1);

    const COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
    const COLORREF highlight = ::GetSysColor(COLOR_3DHILIGHT);
    const COLORREF dark = ::GetSysColor(COLOR_3DDKSHADOW);
    const COLORREF light = ::GetSysColor(COLOR_3DLIGHT);
    // Three one-pixel layers from the outside in: sunken when pressed, raised otherwise.
    const COLORREF sunken[kBevelWidth][2] = {
        {shadow, highlight}, {dark, highlight}, {shadow, light}};
    const COLORREF raised[kBevelWidth][2] = {
        {highlight, shadow}, {highlight, dark}, {light, shadow}};
    RECT bevel = rc;
    for (int i = 0; i < kBevelWidth; ++i) {
        const COLORREF* layer = pressed ? sunken[i] : raised[i];
        Draw3dRect(dc, bevel, layer[0], layer[1]);
        ::InflateRect(&bevel, -1, -1);
    }

    const std::wstring text = kfw::GetWindowTextW(m_hWnd);
    if (!text.empty()) {
        HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        kfw::CSelectObject selectFont(dc, font ? static_cast<HGDIOBJ>(font)
                                               : ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, disabled ? m_crDisabledText : m_crText);
        RECT textRect = rc;
        ::OffsetRect(&textRect, 0, 1);
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }

    if (focused) {
        ::InflateRect(&rc, -kFocusInset, -kFocusInset);
        ::DrawFocusRect(dc, &rc);
    }
}
