// Flat, coloured tab control: tab colours derived from one background colour, an optional
// vertical gradient on each tab (displays deeper than 15 bits per pixel), the tab's image from
// the control's image list and its caption centred and shortened with an ellipsis. The look
// flags (kTabLook* in ControlMessages.h) are shared by every instance in the module.
#pragma once

#include "BaseTabCtrl.h"

#include <string>

namespace kctl {

// Each of red, green and blue multiplied by the factor, truncated and limited to 0..255.
// Darker takes a factor in 0..1, Lighter one of at least 1; a factor outside its range is a
// caller's fault: it is traced and brought to the nearest end of the range.
COLORREF Darker(COLORREF colour, double factor);
COLORREF Lighter(COLORREF colour, double factor);

// The text as it fits `width` pixels on one line in the context's font: unchanged when it
// fits, else its longest beginning followed by kTabEllipsis (the ellipsis alone when nothing
// more fits).
std::wstring FitWithEllipsis(HDC hdc, const std::wstring& text, int width);

} // namespace kctl

class CEnTabCtrl : public CBaseTabCtrl {
public:
    // Attributes
    static DWORD GetCustomLook() { return s_dwCustomLook; }

    // Operations
    // Sets the look flags of every CEnTabCtrl of the module; with enable false they become 0.
    // Takes effect at the next paint and, for owner-drawing, at the next attach.
    static void EnableCustomLook(bool enable, DWORD flags);

    // Overridables
    void DrawItem(const DRAWITEMSTRUCT& dis) override;
    void DrawItemBorder(const DRAWITEMSTRUCT& dis) override;
    void DrawMainBorder(const DRAWITEMSTRUCT& dis) override;
    COLORREF GetTabColor(bool selected) const override;
    COLORREF GetTabTextColor(bool selected) const override;

protected:
    void PreSubclassWindow() override;
    // Colour depth of the display a context draws on (bits per pixel times planes).
    virtual int DisplayBitsPerPixel(HDC hdc) const;

private:
    // The colour the look is derived from: the control's own background with
    // kTabLookOwnColour (unless it is -1), else the system button face.
    COLORREF LookBase() const;
    // The tab in horizontal bands fading from `top` to `bottom`.
    static void FillGradient(HDC hdc, const RECT& rc, COLORREF top, COLORREF bottom);

    static DWORD s_dwCustomLook;
};
