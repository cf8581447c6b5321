// Pieces every control shares: the operator-level lock, the notifications posted to the parent
// and the tooltip the edits, statics and icon buttons own.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>

namespace kctl {

// Operator-level lock. A control has a required level (0 = never operable) and is locked while
// the operator's level is below it; the operable state is the control's own preference while
// not locked. The lock is recomputed from the last user level whenever the required level
// changes, so raising the requirement takes effect at once.
class CLevelLock {
public:
    // Returns whether the control is operable now.
    bool SetRequiredLevel(WORD level) {
        m_required = level;
        Update();
        return Operable();
    }
    bool SetUserLevel(WORD level) {
        m_user = level;
        Update();
        return Operable();
    }
    bool SetLevels(WORD required, WORD user) {
        m_required = required;
        m_user = user;
        Update();
        return Operable();
    }
    bool SetPreference(bool operable) {
        m_preference = operable;
        return Operable();
    }
    WORD RequiredLevel() const { return m_required; }
    WORD UserLevel() const { return m_user; }
    bool Locked() const { return m_locked; }
    bool Operable() const { return !m_locked && m_preference; }

private:
    void Update() { m_locked = !(m_required != 0 && m_user >= m_required); }
    WORD m_required = 0;
    WORD m_user = 0;
    bool m_locked = false;
    bool m_preference = true;
};

// Every control an operator operates (numeric edits, switch and check buttons): the faceplate
// gives rights to all of them through this one interface and asks it before a write.
class IOperable {
public:
    virtual ~IOperable() = default;
    virtual void SetRequiredLevel(WORD level) = 0;
    virtual void SetUserLevel(WORD level) = 0;
    // Both at once: the control's look changes once, not twice.
    virtual void SetLevels(WORD required, WORD user) = 0;
    virtual WORD GetRequiredLevel() const = 0;
    virtual bool IsLocked() const = 0;
    // Unlocked at the current user level and wanted operable by its owner.
    virtual bool IsOperableNow() const = 0;
};

// The rights of a button: required level, user level and enable preference decide whether the
// button's window is enabled (locked buttons are disabled).
class CLevelRights : public IOperable {
public:
    void SetRequiredLevel(WORD level) override;
    void SetUserLevel(WORD level) override;
    void SetLevels(WORD required, WORD user) override;
    void SetEnablePreference(bool enable);
    WORD GetRequiredLevel() const override { return m_lock.RequiredLevel(); }
    bool IsLocked() const override { return m_lock.Locked(); }
    bool IsOperableNow() const override { return m_lock.Operable(); }

protected:
    virtual HWND RightsWindow() const = 0;
    // Called after a change of the rights (levels or state), once the window's enabled state
    // is set; not when a call leaves them as they were.
    virtual void OnRightsApplied() {}
    kctl::CLevelLock m_lock;

private:
    void Apply();
    // The rights last applied to the window: a call that leaves them as they were touches no
    // window. Empty until a window was there to apply them to.
    struct Applied {
        WORD required, user;
        bool operable;
        bool operator==(const Applied& o) const {
            return required == o.required && user == o.user && operable == o.operable;
        }
    };
    std::optional<Applied> m_applied;
};

// A text of the station's string database in the station's language; the second form fills a
// text with one "%d".
std::wstring StationText(const char* key);
std::wstring StationText(const char* key, int number);

// Why a control is locked, for its tool tip: the level it needs and the operator's level (a
// required level of 0: operable by nobody here), in the station's language.
std::wstring LockedTipText(WORD requiredLevel, WORD userLevel);

// Tool tips over child controls that are disabled. A disabled window gets no mouse messages,
// so the tooltip watches its parent's; and since a window carries one such watcher per
// tooltip procedure, every child of a parent shares one tooltip (one tool per child, over
// the child's rectangle). The tooltip is owned by the parent and goes with it.
namespace parent_tips {
// Shows `text` over the child (an empty text removes the child's tip).
void Set(HWND child, const std::wstring& text);
std::wstring Get(HWND child);
// The child moved or changed its size.
void UpdateRect(HWND child);
void Remove(HWND child);
// The parent's tooltip window (null when none was made).
HWND Window(HWND parent);
} // namespace parent_tips

// Fills a rectangle with a solid colour.
void FillSolid(HDC hdc, const RECT& rc, COLORREF colour);
// One-pixel frame: top and left in one colour, bottom and right in the other.
void Draw3dRect(HDC hdc, const RECT& rc, COLORREF topLeft, COLORREF bottomRight);
// One-pixel frame in one colour.
void FrameSolid(HDC hdc, const RECT& rc, COLORREF colour);

// Posts one of the private notifications of ControlMessages.h to the control's parent. Every
// notification goes through here, so their order is decided in the callers alone.
void PostToParent(HWND control, UINT msg, WPARAM wp, LPARAM lp);
// 4069: an interaction with the control begins (true) or ends (false).
void PostInteraction(HWND control, bool begins);
// 3010: the left button was released over the button (its id and window).
void PostButtonReleased(HWND button);

// A tooltip window owned by a control, with one tool covering the control's client area.
class CToolTip {
public:
    CToolTip() = default;
    ~CToolTip() { Destroy(); }
    CToolTip(const CToolTip&) = delete;
    CToolTip& operator=(const CToolTip&) = delete;

    // Creates the tooltip (always-tip style) and registers the tool with an empty text.
    bool Create(HWND owner, UINT toolId);
    // A balloon tip instead: one tracking tool that shows only when asked (ShowBalloon), at a
    // point given in screen coordinates, as Windows' own edits point at a refused character.
    bool CreateBalloon(HWND owner, UINT toolId);
    void Destroy();
    HWND hwnd() const { return m_hwnd; }
    bool IsCreated() const { return m_hwnd != nullptr; }

    void SetText(const std::wstring& text); // TTM_UPDATETIPTEXT
    std::wstring GetText() const;           // TTM_GETTEXT
    void Activate(bool active);             // TTM_ACTIVATE
    void UpdateToolRect();                  // TTM_NEWTOOLRECT with the owner's client area
    // Hands a mouse message of the owner to the tooltip (TTM_RELAYEVENT).
    void Relay(UINT msg, WPARAM wp, LPARAM lp);
    // Balloon tips: title with a warning icon, text, and the point the stem points at.
    void ShowBalloon(const std::wstring& title, const std::wstring& text, POINT screenPoint);
    void HideBalloon();                          // TTM_TRACKACTIVATE off
    bool IsBalloonShown() const;                 // the balloon window is visible
    // The balloon's title as last set (Wine's tooltips do not answer TTM_GETTITLE).
    const std::wstring& GetTitle() const { return m_title; }

private:
    // The tooltip window with the given styles and its one tool with the given flags.
    bool CreateWindowAndTool(HWND owner, UINT toolId, DWORD style, UINT toolFlags);
    HWND m_hwnd = nullptr;
    HWND m_owner = nullptr;
    UINT m_toolId = 0;
    std::wstring m_title;
};

} // namespace kctl
