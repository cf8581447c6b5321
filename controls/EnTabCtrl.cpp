#include "EnTabCtrl.h"

#include "ControlSupport.h"
#include "Handle.h"
#include "Trace.h"

#include <algorithm>

using namespace kctl;

namespace kctl {

namespace {
COLORREF Scale(COLORREF colour, double factor) {
    auto part = [factor](BYTE value) {
        return static_cast<BYTE>(std::min(255, static_cast<int>(value * factor)));
    };
    return RGB(part(GetRValue(colour)), part(GetGValue(colour)), part(GetBValue(colour)));
}
} // namespace

COLORREF Darker(COLORREF colour, double factor) {
    if (!(factor >= 0.0 && factor <= 1.0)) {
        kfw::Trace("[CTRL] Darker: factor %f outside 0..1\n", factor);
        factor = factor > 1.0 ? 1.0 : 0.0;
    }
    return Scale(colour, factor);
}

COLORREF Lighter(COLORREF colour, double factor) {
    if (!(factor >= 1.0)) {
        kfw::Trace("[CTRL] Lighter: factor %f below 1\n", factor);
        factor = 1.0;
    }
    return Scale(colour, factor);
}

std::wstring FitWithEllipsis(HDC hdc, const std::wstring& text, int width) {
    auto fits = [hdc, width](const std::wstring& s) {
        SIZE size{};
        ::GetTextExtentPoint32W(hdc, s.c_str(), static_cast<int>(s.size()), &size);
        return size.cx <= width;
    };
    if (fits(text))
        return text;
    for (size_t len = text.size(); len-- > 0;) {
        std::wstring shortened = text.substr(0, len) + kTabEllipsis;
        if (fits(shortened))
            return shortened;
    }
    return kTabEllipsis;
}

} // namespace kctl

DWORD CEnTabCtrl::s_dwCustomLook = 0;

void CEnTabCtrl::EnableCustomLook(bool enable, DWORD flags) {
    s_dwCustomLook = enable ? flags : 0;
}

void CEnTabCtrl::PreSubclassWindow() {
    CBaseTabCtrl::PreSubclassWindow();
    if (s_dwCustomLook != 0)
        SetOwnerDrawStyle(true);
}

int CEnTabCtrl::DisplayBitsPerPixel(HDC hdc) const {
    return ::GetDeviceCaps(hdc, BITSPIXEL) * ::GetDeviceCaps(hdc, PLANES);
}

COLORREF CEnTabCtrl::LookBase() const {
    if ((s_dwCustomLook & kTabLookOwnColour) && GetBackgroundColour() != kSystemColour)
        return GetBackgroundColour();
    return ::GetSysColor(COLOR_BTNFACE);
}

COLORREF CEnTabCtrl::GetTabColor(bool selected) const {
    const DWORD look = s_dwCustomLook;
    if (selected)
        return (look & kTabLookSelectedLighter) ? Lighter(LookBase(), kTabSelectedLighter)
                                                : ::GetSysColor(COLOR_BTNFACE);
    if ((look & kTabLookUnselectedDarker) || !(look & kTabLookBackColour))
        return Darker(LookBase(), kTabUnselectedDarker);
    return GetPaintedBackground();
}

COLORREF CEnTabCtrl::GetTabTextColor(bool selected) const {
    if (selected)
        return ::GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF base = (s_dwCustomLook & (kTabLookBackColour | kTabLookOwnColour))
                              ? GetPaintedBackground()
                              : ::GetSysColor(COLOR_BTNFACE);
    return Darker(base, kTabUnselectedTextDarker);
}

void CEnTabCtrl::FillGradient(HDC hdc, const RECT& rc, COLORREF top, COLORREF bottom) {
    const int height = rc.bottom - rc.top;
    const int bands = (height + kTabGradientBand - 1) / kTabGradientBand;
    const int steps = std::max(1, bands - 1);
    auto mix = [steps](int from, int to, int k) { return from + (to - from) * k / steps; };
    for (int k = 0; k < bands; ++k) {
        const RECT band{rc.left, rc.top + k * kTabGradientBand, rc.right,
                        std::min<LONG>(rc.bottom, rc.top + (k + 1) * kTabGradientBand)};
        const COLORREF colour = RGB(mix(GetRValue(top), GetRValue(bottom), k),
                                    mix(GetGValue(top), GetGValue(bottom), k),
                                    mix(GetBValue(top), GetBValue(bottom), k));
        FillSolid(hdc, band, colour);
    }
}

void CEnTabCtrl::DrawItem(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    const int saved = ::SaveDC(dc); // the caller's context is left as it was
    const bool selected = (dis.itemState & ODS_SELECTED) != 0;
    RECT rc = dis.rcItem;

    const COLORREF tabColour = GetTabColor(selected);
    if ((s_dwCustomLook & kTabLookGradient) && DisplayBitsPerPixel(dc) >= kTabGradientMinBits) {
        const COLORREF end =
            selected ? ::GetSysColor(COLOR_BTNFACE) : Darker(LookBase(), kTabGradientEndDarker);
        FillGradient(dc, rc, tabColour, end);
    } else {
        FillSolid(dc, rc, tabColour);
    }

    rc.left += kTabTextMarginX;
    rc.right -= kTabTextMarginX;
    rc.top += selected ? kTabSelectedTextMarginTop : kTabTextMarginTop;
    ::SetBkMode(dc, TRANSPARENT);

    std::wstring text;
    int image = -1;
    GetItem(static_cast<int>(dis.itemID), &text, &image);
    if (HIMAGELIST images = GetImageList();
        images && image >= 0 && image < ImageList_GetImageCount(images)) {
        ImageList_Draw(images, image, dc, rc.left, rc.top, ILD_TRANSPARENT);
        rc.left += kTabImageAdvance;
    }

    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    ::SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetTextColor(dc, GetTabTextColor(selected));
    const std::wstring shown = FitWithEllipsis(dc, text, rc.right - rc.left);
    ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &rc,
                DT_SINGLELINE | DT_CENTER | DT_NOPREFIX);
    ::RestoreDC(dc, saved);
}

void CEnTabCtrl::DrawItemBorder(const DRAWITEMSTRUCT& dis) {
    // Left and top light, right dark; the bottom is the page border's top line, which the
    // selected tab covers so that it opens into its page.
    const COLORREF light = Lighter(LookBase(), kTabBorderLighter);
    const COLORREF dark = Darker(LookBase(), kTabBorderDarker);
    const RECT& rc = dis.rcItem;
    FillSolid(dis.hDC, RECT{rc.left, rc.top, rc.left + 1, rc.bottom}, light);
    FillSolid(dis.hDC, RECT{rc.left, rc.top, rc.right, rc.top + 1}, light);
    FillSolid(dis.hDC, RECT{rc.right - 1, rc.top, rc.right, rc.bottom}, dark);
}

void CEnTabCtrl::DrawMainBorder(const DRAWITEMSTRUCT& dis) {
    Draw3dRect(dis.hDC, dis.rcItem, Lighter(LookBase(), kTabBorderLighter),
               Darker(LookBase(), kTabBorderDarker));
}
