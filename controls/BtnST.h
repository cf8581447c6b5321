// Owner-drawn icon and check buttons: CBtnST (icons, flat look with pointer tracking, check
// state, tooltip) and CLevelBtnST (a CBtnST locked by the operator's level that reports the
// start and end of an interaction to its parent, and says in its tool tip why it is locked).
//
// A button made from a check-box template is a switch: on, off, hovered and no-data each have
// their own look (a filled state mark and a bold caption while on, an empty mark while off, a
// raised frame under the pointer, a hatched face without data). A flat button shows the
// keyboard focus with a coloured frame; a disabled icon stays readable, greyed.
#pragma once

#include "ControlMessages.h"
#include "ControlSupport.h"
#include "Handle.h"
#include "Window.h"

#include <string>

class CBtnST : public kfw::CWnd {
public:
    CBtnST();

    // Attributes
    int GetCheck() const { return m_nCheck; }
    bool IsHovering() const { return m_bMouseOnButton; }
    bool IsDefault() const { return m_bIsDefault; }
    // Made from a check-box or radio-button template: drawn with the switch looks.
    bool IsSwitch() const { return m_bIsSwitch; }
    HICON GetIcon(int index = 0) const {
        return index == 0 ? m_icons[0].icon.get() : m_icons[1].icon.get();
    }
    SIZE GetIconSize(int index = 0) const { return m_icons[index == 0 ? 0 : 1].size; }
    HWND GetTooltip() const { return m_tip.hwnd(); }
    std::wstring GetTooltipText() const;
    COLORREF GetBackgroundInside() const { return m_crBkIn; }
    COLORREF GetBackgroundOutside() const { return m_crBkOut; }

    // Operations
    // Icons from the current resource module at their natural size; the second (0 = none) is
    // shown while the button looks pressed.
    bool SetIcon(UINT iconId, UINT pressedIconId = 0);
    // Icons made elsewhere; the button owns and destroys them.
    bool SetIcon(HICON icon, HICON pressedIcon = nullptr);
    void SetFlat(bool flat, bool repaint = true);
    void SetShowText(bool show, bool repaint = true);
    // Creates the tooltip on first use (tool 1 over the client area), sets its text and
    // activates or deactivates it.
    void SetTooltipText(const std::wstring& text, bool activate = true);
    void SetCheck(int state, bool repaint = true);
    // No data behind the button: it shows no check state, a hatched face and a grey caption,
    // so that it cannot be taken for a plant state. Repaints only on a change.
    void SetNoData(bool noData);
    void SetBackgroundInside(COLORREF colour, bool repaint = true);
    void SetBackgroundOutside(COLORREF colour, bool repaint = true);
    void SetTextColourInside(COLORREF colour, bool repaint = true);
    void SetTextColourOutside(COLORREF colour, bool repaint = true);
    // Cursor shown over the button (null = the class cursor).
    void SetBtnCursor(HCURSOR cursor) { m_hCursor = cursor; }

    // Overridables
    virtual void DrawItem(const DRAWITEMSTRUCT& dis);

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    struct Icon {
        kfw::CIconHandle icon;
        SIZE size{};
    };
    void OnMouseMove(WPARAM wp, LPARAM lp);
    void CancelHover();
    void Repaint(bool repaint);
    void ApplyTooltip();
    void CreateTooltipOnFirstHover(UINT msg);
    static void SetIconOf(Icon& slot, HICON icon);
    // The caption's font while on: the button's font made bold (cached per font).
    HFONT BoldFont(HFONT font);
    void DrawStateMark(HDC dc, const RECT& rc, bool on, bool disabled, bool iconOnly) const;

    Icon m_icons[2];
    bool m_bIsFlat = true;
    bool m_bMouseOnButton = false;
    int m_nCheck = 0;
    bool m_bIsDefault = false;
    bool m_bIsSwitch = false;
    bool m_bShowText = true;
    bool m_bNoData = false;
    COLORREF m_crBkIn;
    COLORREF m_crFgIn;
    COLORREF m_crBkOut;
    COLORREF m_crFgOut;
    HCURSOR m_hCursor = nullptr;
    kctl::CToolTip m_tip; // made when the pointer first comes over the button
    std::wstring m_tipText;
    bool m_bTipActive = true;
    kfw::CFont m_boldFont;
    HFONT m_boldFrom = nullptr; // the font m_boldFont was made from
};

// An icon button whose enabled state follows the rights its owner gives it (required level,
// user level, enable preference), so that a command from it can be checked like any other
// operable control. Its look and tool tip stay those of CBtnST.
class CRightsBtnST : public CBtnST, public kctl::CLevelRights {
protected:
    HWND RightsWindow() const override { return m_hWnd; }
};

class CLevelBtnST : public CRightsBtnST {
public:
    // Calls SetCheck only when the state differs.
    void SetCheckIfChanged(int state, bool repaint = true);
    // The tool tip shown over the button while it is locked (empty while it is not).
    std::wstring GetLockTipText() const;
    // The tooltip window that shows it: its parent's, shared by the parent's children.
    HWND GetLockTip() const;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnRightsApplied() override;
};
