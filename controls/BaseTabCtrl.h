// Owner-drawn tab control skeleton: a system tab control ("SysTabControl32") subclassed and
// drawn by the object. It paints the background and the tab strip and leaves each tab, its
// border and the border of the page area to a derived class. Three draw modes:
//   0  the system draws everything;
//   1  the system draws the frame and asks for each tab (WM_DRAWITEM, reflected by the parent);
//   2  the control paints itself off-screen: background, page border, every tab and its border.
// The selection notifications (TCN_SELCHANGING, TCN_SELCHANGE) go to the parent untouched.
#pragma once

#include "ControlMessages.h"
#include "Window.h"

#include <commctrl.h>

#include <string>

class CBaseTabCtrl : public kfw::CWnd {
public:
    // Attributes
    int GetDrawMode() const { return m_nDrawMode; }
    // The colour as set (kSystemColour for the system button face).
    COLORREF GetBackgroundColour() const { return m_crBack; }
    // The colour painted: the background colour, or the system button face for -1.
    COLORREF GetPaintedBackground() const;

    // Operations
    // Mode 0, 1 or 2; any other value is ignored. Switches the owner-drawn-fixed style on for
    // modes 1 and 2 and off for 0, and repaints, when the window exists.
    void SetDrawMode(int mode);
    // A colour, or kSystemColour (-1) for the system button face; repaints.
    void SetBackgroundColour(COLORREF colour);

    // Thin wrappers, one tab control message each.
    int InsertItem(int index, const wchar_t* text, int image = -1); // TCM_INSERTITEMW
    int GetItemCount() const;                                       // TCM_GETITEMCOUNT
    int GetCurSel() const;                                          // TCM_GETCURSEL
    int SetCurSel(int index);                                       // TCM_SETCURSEL
    bool GetItemRect(int index, RECT* rc) const;                    // TCM_GETITEMRECT
    HIMAGELIST GetImageList() const;                                // TCM_GETIMAGELIST
    HIMAGELIST SetImageList(HIMAGELIST images);                     // TCM_SETIMAGELIST
    void AdjustRect(bool larger, RECT* rc) const;                   // TCM_ADJUSTRECT
    bool DeleteAllItems();                                          // TCM_DELETEALLITEMS
    // Text (at most kTabTextMax characters) and image index of a tab (TCM_GETITEMW).
    bool GetItem(int index, std::wstring* text, int* image, LPARAM* data = nullptr) const;

    // Overridables, in this order
    // Draws the inside of one tab into dis.hDC within dis.rcItem (dis.itemID is the tab,
    // ODS_SELECTED marks the selected one).
    virtual void DrawItem(const DRAWITEMSTRUCT& dis) = 0;
    // Draws the border of one tab around dis.rcItem (mode 2 only).
    virtual void DrawItemBorder(const DRAWITEMSTRUCT& dis) = 0;
    // Draws the border of the page area, dis.rcItem (mode 2 only).
    virtual void DrawMainBorder(const DRAWITEMSTRUCT& dis) = 0;
    virtual COLORREF GetTabColor(bool selected) const;
    virtual COLORREF GetTabTextColor(bool selected) const;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    // Sets or clears the owner-drawn-fixed style of the window.
    void SetOwnerDrawStyle(bool on);

    // Mode 2: paints the whole control into hdc (the background, then the page border, the
    // unselected tabs and last the selected one, which overlaps its neighbours).
    void PaintAll(HDC hdc);
    // Fills the client area with the painted background colour.
    void PaintBackground(HDC hdc, const RECT& client) const;
    // The union of every tab's rectangle (empty without tabs).
    RECT TabStripRect() const;

private:
    COLORREF m_crBack = kctl::kSystemColour;
    int m_nDrawMode = kctl::kTabDrawSystem;
};
