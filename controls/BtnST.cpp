#include "BtnST.h"

#include "MemDC.h"
#include "Resources.h"
#include "Trace.h"
#include "Text.h"

#include <windowsx.h>

using namespace kctl;

namespace {

bool IsCheckType(LONG type) {
    switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return true;
    default:
        return false;
    }
}

// One colour channel of a locked icon: part of its colour kept, then faded toward the face.
BYTE GreyedChannel(int colour, int luma, int face) {
    const int kept = luma + (colour - luma) * kLockedIconColourPct / 100;
    return static_cast<BYTE>(kept + (face - kept) * kLockedIconFadePct / 100);
}

// Draws an icon greyed but readable. DrawState's disabled look flattens a colour icon into a
// grey square; here, wherever the icon covers the face, its colours keep part of their
// saturation and fade toward the face, so the picture stays recognisable.
void DrawIconGreyed(HDC dc, HICON icon, int x, int y, int cx, int cy) {
    if (cx <= 0 || cy <= 0)
        return;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* faceBits = nullptr;
    void* iconBits = nullptr;
    kfw::CBitmap face(::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &faceBits, nullptr, 0));
    kfw::CBitmap drawn(::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &iconBits, nullptr, 0));
    kfw::CMemoryDC mem(::CreateCompatibleDC(dc));
    if (!face || !drawn || !mem)
        return;
    {
        kfw::CSelectObject sel(mem, face);
        ::BitBlt(mem, 0, 0, cx, cy, dc, x, y, SRCCOPY);
    }
    kfw::CSelectObject sel(mem, drawn);
    ::BitBlt(mem, 0, 0, cx, cy, dc, x, y, SRCCOPY);
    ::DrawIconEx(mem, 0, 0, icon, cx, cy, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    const auto* under = static_cast<const RGBQUAD*>(faceBits);
    auto* px = static_cast<RGBQUAD*>(iconBits);
    for (int i = 0; i < cx * cy; ++i) {
        RGBQUAD& p = px[i];
        const RGBQUAD& f = under[i];
        if (p.rgbRed == f.rgbRed && p.rgbGreen == f.rgbGreen && p.rgbBlue == f.rgbBlue)
            continue; // not covered by the icon
        const int luma = (p.rgbRed * 299 + p.rgbGreen * 587 + p.rgbBlue * 114) / 1000;
        p.rgbRed = GreyedChannel(p.rgbRed, luma, f.rgbRed);
        p.rgbGreen = GreyedChannel(p.rgbGreen, luma, f.rgbGreen);
        p.rgbBlue = GreyedChannel(p.rgbBlue, luma, f.rgbBlue);
    }
    ::BitBlt(dc, x, y, cx, cy, mem, 0, 0, SRCCOPY);
}

} // namespace

CBtnST::CBtnST()
    : m_crBkIn(::GetSysColor(COLOR_BTNFACE)), m_crFgIn(::GetSysColor(COLOR_BTNTEXT)),
      m_crBkOut(::GetSysColor(COLOR_BTNFACE)), m_crFgOut(::GetSysColor(COLOR_BTNTEXT)) {}

void CBtnST::PreSubclassWindow() {
    LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    m_bIsDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    m_bIsSwitch = IsCheckType(style & BS_TYPEMASK);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    Invalidate();
}

void CBtnST::Repaint(bool repaint) {
    if (repaint && m_hWnd)
        Invalidate(FALSE);
}

void CBtnST::SetIconOf(Icon& slot, HICON icon) {
    slot.icon.reset(icon);
    slot.size = SIZE{};
    ICONINFO info{};
    if (icon && ::GetIconInfo(icon, &info)) {
        kfw::CBitmap mask(info.hbmMask), colour(info.hbmColor);
        BITMAP bm{};
        if (::GetObjectW(info.hbmMask, sizeof bm, &bm)) {
            slot.size.cx = bm.bmWidth;
            // A monochrome icon keeps its AND and XOR masks one above the other.
            slot.size.cy = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
        }
    }
}

bool CBtnST::SetIcon(HICON icon, HICON pressedIcon) {
    SetIconOf(m_icons[0], icon);
    SetIconOf(m_icons[1], pressedIcon);
    Repaint(true);
    return icon != nullptr;
}

bool CBtnST::SetIcon(UINT iconId, UINT pressedIconId) {
    HICON icon = iconId ? kfw::LoadIconResource(iconId, 0) : nullptr;
    HICON pressed = pressedIconId ? kfw::LoadIconResource(pressedIconId, 0) : nullptr;
    if (iconId && !icon)
        kfw::Trace("[CTRL] icon %u not found\n", iconId);
    return SetIcon(icon, pressed);
}

void CBtnST::SetFlat(bool flat, bool repaint) {
    m_bIsFlat = flat;
    Repaint(repaint);
}

void CBtnST::SetShowText(bool show, bool repaint) {
    m_bShowText = show;
    Repaint(repaint);
}

void CBtnST::SetTooltipText(const std::wstring& text, bool activate) {
    if (!m_hWnd)
        return;
    m_tipText = text;
    m_bTipActive = activate;
    if (m_tip.IsCreated())
        ApplyTooltip();
}

std::wstring CBtnST::GetTooltipText() const {
    return m_tip.IsCreated() ? m_tip.GetText() : m_tipText;
}

void CBtnST::ApplyTooltip() {
    m_tip.SetText(m_tipText);
    m_tip.Activate(m_bTipActive);
}

void CBtnST::CreateTooltipOnFirstHover(UINT msg) {
    // A faceplate's buttons get their texts at call-up, but a tooltip window is only needed
    // once the pointer comes: it is made then, before the message is relayed to it.
    if (msg != WM_MOUSEMOVE || m_tip.IsCreated() || m_tipText.empty())
        return;
    if (m_tip.Create(m_hWnd, kButtonToolId))
        ApplyTooltip();
}

void CBtnST::SetCheck(int state, bool repaint) {
    m_nCheck = state;
    Repaint(repaint);
}

void CBtnST::SetNoData(bool noData) {
    if (noData == m_bNoData)
        return;
    m_bNoData = noData;
    Repaint(true);
}

void CBtnST::SetBackgroundInside(COLORREF colour, bool repaint) {
    m_crBkIn = colour;
    Repaint(repaint);
}

void CBtnST::SetBackgroundOutside(COLORREF colour, bool repaint) {
    m_crBkOut = colour;
    Repaint(repaint);
}

void CBtnST::SetTextColourInside(COLORREF colour, bool repaint) {
    m_crFgIn = colour;
    Repaint(repaint);
}

void CBtnST::SetTextColourOutside(COLORREF colour, bool repaint) {
    m_crFgOut = colour;
    Repaint(repaint);
}

void CBtnST::CancelHover() {
    if (!m_bMouseOnButton)
        return;
    m_bMouseOnButton = false;
    Invalidate(FALSE);
}

void CBtnST::OnMouseMove(WPARAM wp, LPARAM lp) {
    if (!m_bIsFlat)
        return;
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ::ClientToScreen(m_hWnd, &pt);
    const HWND under = ::WindowFromPoint(pt);
    const bool active = ::GetActiveWindow() == ::GetAncestor(m_hWnd, GA_ROOT);
    if (under == m_hWnd && active) {
        if (!m_bMouseOnButton) {
            m_bMouseOnButton = true;
            Invalidate(FALSE);
            if (::GetCapture() != m_hWnd)
                ::SetCapture(m_hWnd);
        }
        return;
    }
    CancelHover();
    if (!(wp & MK_LBUTTON) && ::GetCapture() == m_hWnd)
        ::ReleaseCapture();
}

LRESULT CBtnST::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    CreateTooltipOnFirstHover(msg);
    m_tip.Relay(msg, wp, lp);
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouseMove(wp, lp);
        break;
    case WM_CAPTURECHANGED:
        // Setting the capture again to this button is not a loss.
        if (reinterpret_cast<HWND>(lp) != m_hWnd)
            CancelHover();
        break;
    case WM_KILLFOCUS: {
        LRESULT r = DefWindowProc(msg, wp, lp);
        CancelHover();
        return r;
    }
    case WM_SETCURSOR:
        if (m_hCursor) {
            ::SetCursor(m_hCursor);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1; // DrawItem paints every pixel
    case BM_GETCHECK:
        // Without data the state is unknown, whatever was last set.
        return m_bNoData ? BST_INDETERMINATE : m_nCheck;
    case BM_SETCHECK:
        SetCheck(static_cast<int>(wp));
        return 0;
    case WM_DESTROY:
        m_tip.Destroy();
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

bool CBtnST::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    switch (msg) {
    case WM_CTLCOLORBTN:
        // The parent's background shows through where the button does not paint.
        *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    case WM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        *result = TRUE;
        return true;
    default:
        return false;
    }
}

HFONT CBtnST::BoldFont(HFONT font) {
    if (m_boldFont && m_boldFrom == font)
        return m_boldFont;
    LOGFONTW lf{};
    if (!::GetObjectW(font, sizeof lf, &lf))
        return font;
    lf.lfWeight = FW_BOLD;
    m_boldFont.reset(::CreateFontIndirectW(&lf));
    m_boldFrom = font;
    return m_boldFont ? m_boldFont.get() : font;
}

// The state mark of a switch: a bar down the left of a caption, or along the bottom of an
// icon; filled while on, an empty outline while off.
void CBtnST::DrawStateMark(HDC dc, const RECT& rc, bool on, bool disabled, bool iconOnly) const {
    RECT mark =
        iconOnly ? RECT{rc.left + kStateMarkMargin, rc.bottom - kStateMarkMargin - kStateMarkHeight,
                        rc.right - kStateMarkMargin, rc.bottom - kStateMarkMargin}
                 : RECT{rc.left + kStateMarkMargin, rc.top + kStateMarkMargin,
                        rc.left + kStateMarkMargin + kStateMarkWidth, rc.bottom - kStateMarkMargin};
    if (mark.right <= mark.left || mark.bottom <= mark.top)
        return;
    if (on)
        FillSolid(dc, mark, disabled ? kSwitchOnMarkLocked : kSwitchOnMark);
    else
        FrameSolid(dc, mark, kSwitchOffMark);
}

void CBtnST::DrawItem(const DRAWITEMSTRUCT& dis) {
    CMemDC mem(dis.hDC);
    HDC dc = mem;
    RECT rc = dis.rcItem;
    const bool on = m_nCheck != 0 && !m_bNoData;
    const bool pressed = (dis.itemState & ODS_SELECTED) || on;
    const bool focused = (dis.itemState & ODS_FOCUS) != 0;
    const bool locked = (dis.itemState & ODS_DISABLED) != 0;
    const bool disabled = locked || m_bNoData;
    ::SetBkMode(dc, TRANSPARENT);

    if ((!m_bIsFlat && focused) || m_bIsDefault) {
        FrameSolid(dc, rc, kOutline);
        ::InflateRect(&rc, -1, -1);
    }
    const bool inside = m_bMouseOnButton || pressed;
    FillSolid(dc, rc, inside ? m_crBkIn : m_crBkOut);

    const COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
    const COLORREF highlight = ::GetSysColor(COLOR_3DHILIGHT);
    if (pressed) {
        if (m_bIsFlat)
            Draw3dRect(dc, rc, shadow, highlight);
        else
            FrameSolid(dc, rc, shadow);
    } else if (!m_bIsFlat) {
        Draw3dRect(dc, rc, highlight, ::GetSysColor(COLOR_3DDKSHADOW));
        RECT inner = rc;
        ::InflateRect(&inner, -1, -1);
        Draw3dRect(dc, inner, ::GetSysColor(COLOR_3DLIGHT), shadow);
    } else if (m_bMouseOnButton) {
        Draw3dRect(dc, rc, highlight, shadow);
    }

    if (m_bNoData) {
        RECT face = rc;
        ::InflateRect(&face, -1, -1);
        kfw::CBrush hatch(::CreateHatchBrush(HS_BDIAGONAL, kNoDataHatch));
        ::FillRect(dc, &face, hatch);
    }

    const std::wstring text = m_bShowText ? kfw::GetWindowTextW(m_hWnd) : std::wstring();
    // Without data a switch shows no state at all, not even "off".
    RECT area = rc;
    if (m_bIsSwitch && !m_bNoData) {
        DrawStateMark(dc, rc, on, locked, text.empty());
        if (text.empty())
            area.bottom -= kStateMarkMargin + kStateMarkHeight;
        else
            area.left += kStateMarkMargin + kStateMarkWidth;
    }
    RECT textArea = area;
    const Icon& icon = (pressed && m_icons[1].icon) ? m_icons[1] : m_icons[0];
    if (icon.icon) {
        const int cx = icon.size.cx, cy = icon.size.cy;
        int x = text.empty() ? (area.left + area.right - cx) / 2 : area.left + kIconTextGap;
        int y = (area.top + area.bottom - cy) / 2;
        if (pressed) {
            ++x;
            ++y;
        }
        if (disabled)
            DrawIconGreyed(dc, icon.icon.get(), x, y, cx, cy);
        else
            ::DrawIconEx(dc, x, y, icon.icon.get(), cx, cy, 0, nullptr, DI_NORMAL);
        if (!text.empty())
            textArea.left = x + cx;
    }

    if (!text.empty()) {
        HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        if (!font)
            font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        kfw::CSelectObject selectFont(dc, font);
        auto measure = [&] {
            RECT r{0, 0, 0, 0};
            ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                        DT_SINGLELINE | DT_CALCRECT);
            return r;
        };
        RECT size = measure();
        if (m_bIsSwitch && on) {
            // Bold while on, when the bold caption still fits.
            ::SelectObject(dc, BoldFont(font));
            RECT bold = measure();
            if (bold.right <= textArea.right - textArea.left)
                size = bold;
            else
                ::SelectObject(dc, font);
        }
        const int w = size.right, h = size.bottom;
        int x = (textArea.left + textArea.right - w) / 2;
        int y = (textArea.top + textArea.bottom - h) / 2;
        if (pressed) {
            ++x;
            ++y;
        }
        if (m_bNoData) {
            // The caption stays readable on a plain band across the hatch.
            RECT band{x - 1, y, x + w + 1, y + h};
            FillSolid(dc, band, inside ? m_crBkIn : m_crBkOut);
        }
        if (disabled) {
            ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(text.c_str()),
                         static_cast<WPARAM>(text.size()), x, y, w, h, DST_TEXT | DSS_DISABLED);
        } else {
            ::SetTextColor(dc, inside ? m_crFgIn : m_crFgOut);
            RECT out{x, y, x + w, y + h};
            ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &out, DT_SINGLELINE);
        }
    }

    if (focused && !m_bIsFlat) {
        ::InflateRect(&rc, -kFocusInset, -kFocusInset);
        ::DrawFocusRect(dc, &rc);
    } else if (focused) {
        // A flat button has no frame of its own to carry the focus: a coloured one inside
        // the state frame, so the on/off look stays visible.
        RECT ring = rc;
        ::InflateRect(&ring, -1, -1);
        for (int i = 0; i < kFocusFrameWidth; ++i) {
            FrameSolid(dc, ring, kFocusColour);
            ::InflateRect(&ring, -1, -1);
        }
    }
}

void CLevelBtnST::PreSubclassWindow() {
    SetBackgroundInside(kPanelColour, false);
    SetBackgroundOutside(kPanelColour, false);
    CBtnST::PreSubclassWindow();
}

LRESULT CLevelBtnST::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        PostInteraction(m_hWnd, true);
        break;
    case WM_LBUTTONUP:
        PostButtonReleased(m_hWnd);
        break;
    case WM_KILLFOCUS:
        PostInteraction(m_hWnd, false);
        break;
    case WM_WINDOWPOSCHANGED:
        parent_tips::UpdateRect(m_hWnd);
        break;
    case WM_DESTROY:
        parent_tips::Remove(m_hWnd);
        break;
    default:
        break;
    }
    return CBtnST::WindowProc(msg, wp, lp);
}

void CLevelBtnST::SetCheckIfChanged(int state, bool repaint) {
    if (state != GetCheck())
        SetCheck(state, repaint);
}

std::wstring CLevelBtnST::GetLockTipText() const {
    return m_hWnd ? parent_tips::Get(m_hWnd) : std::wstring();
}

HWND CLevelBtnST::GetLockTip() const {
    HWND parent = m_hWnd ? ::GetParent(m_hWnd) : nullptr;
    return parent ? parent_tips::Window(parent) : nullptr;
}

void CLevelBtnST::OnRightsApplied() {
    if (!m_hWnd)
        return;
    const std::wstring text =
        IsLocked() ? LockedTipText(m_lock.RequiredLevel(), m_lock.UserLevel()) : std::wstring();
    if (GetLockTipText() != text)
        parent_tips::Set(m_hWnd, text);
}
