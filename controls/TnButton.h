// Command button of the faceplate and its pages: owner-drawn by itself (face colour, raised or
// sunken bevel, latched look on request), locked by the operator's level, and reporting the
// start (4069) and end (3010) of a click to its parent.
#pragma once

#include "ControlMessages.h"
#include "ControlSupport.h"
#include "Window.h"

class CTnButton : public kfw::CWnd, public kctl::CLevelRights {
public:
    // Attributes
    bool IsLatched() const { return m_bLatched; }

    // Operations
    // Held-down look; repaints only when the value changes.
    void SetLatched(bool latched);
    void SetFaceColour(COLORREF colour);
    void SetTextColour(COLORREF colour);

    // Overridables
    // Draws the button into an off-screen surface and copies it to dis.hDC.
    virtual void DrawItem(const DRAWITEMSTRUCT& dis);

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    HWND RightsWindow() const override { return m_hWnd; }

private:
    bool m_bLatched = false;
    COLORREF m_crFace = kctl::kTnButtonFace;
    COLORREF m_crText = kctl::kTnButtonText;
    COLORREF m_crDisabledText = kctl::kTnButtonDisabledText;
};
