// Numeric value edit: accepts only the characters of its input mode, reports Enter to its
// parent, keeps showing the live value while the operator is not typing, and is read-only
// while the operator's level is below the level the value requires.
#pragma once

#include "ControlMessages.h"
#include "ControlSupport.h"
#include "Handle.h"
#include "Text.h"
#include "Window.h"

#include <string>

class CTnEdit : public kfw::CWnd, public kctl::IOperable {
public:
    CTnEdit() = default;

    // Attributes
    // The background the field is painted with now.
    COLORREF GetCurrentBackground() const;
    const std::wstring& GetSavedText() const { return m_strSaved; }
    bool GetKeepSaved() const { return m_bKeepSaved; }
    bool IsFocused() const { return m_bFocused; }
    bool IsReadOnly() const { return !m_lock.Operable(); }
    bool IsLocked() const override { return m_lock.Locked(); }
    WORD GetRequiredLevel() const override { return m_lock.RequiredLevel(); }
    bool IsOperableNow() const override { return m_lock.Operable(); }
    bool IsUnavailable() const { return m_bUnavailable; }
    std::wstring GetText() const { return kfw::GetWindowTextW(m_hWnd); }

    // Operations
    void SetMode(int mode) { m_nMode = mode; } // kctl::EditMode; other values accept everything
    void SetMaxChars(int count) { m_nMaxChars = count; }
    void SetNormalBackground(COLORREF colour);
    void SetReadOnlyBackground(COLORREF colour);
    // Shows a value given by the program; while the operator types in the editable field the
    // display keeps the typing and only the saved text follows.
    void SetText(const std::wstring& text);
    void SetText(const char* text); // 8-bit text in the ANSI code page
    void SetSavedText(const std::wstring& text) { m_strSaved = text; }
    void SetKeepSaved(bool keep) { m_bKeepSaved = keep; }
    // Marks the field as showing unavailable data: Enter on the untouched "????" posts nothing.
    void SetUnavailable(bool unavailable) { m_bUnavailable = unavailable; }
    // Shows "????" and marks the field unavailable.
    void ShowUnavailable();
    // Marks the field as holding a write the block has not taken, with a tip that says what
    // was written and what the block holds; an empty tip takes the mark off.
    void SetNotTaken(const std::wstring& tip);
    // Rights
    void SetRequiredLevel(WORD level) override;
    void SetUserLevel(WORD level) override;
    void SetLevels(WORD required, WORD user) override;
    // Shows the live value again, dropping what the operator typed.
    void RevertToLive();
    void SetReadOnlyPreference(bool readOnly);

    // Character rule of the input mode: would the edit take this character now?
    bool AcceptsChar(wchar_t ch) const;
    // The balloon that says why a typed character or a pasted text was refused (null until the
    // first refusal).
    HWND GetBalloon() const { return m_balloon.hwnd(); }
    bool IsBalloonShown() const { return m_balloon.IsBalloonShown(); }
    std::wstring GetBalloonTitle() const { return m_balloon.GetTitle(); }
    std::wstring GetBalloonText() const { return m_balloon.GetText(); }

    // Overridables
    bool PreTranslateMessage(MSG* msg) override;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    // Message handlers
    LRESULT OnChar(WPARAM wp, LPARAM lp);
    bool OnKeyDown(UINT key); // true when the key was consumed
    // Pastes the clipboard's text when every character of it passes the character rules as if
    // typed one after the other; otherwise nothing of it, and the balloon says why.
    void PasteThroughRules();
    // The character rule on a given text and selection (the window's own, or a paste's
    // intermediate state).
    bool CharAllowed(wchar_t ch, const std::wstring& text, int start, int end) const;
    // Why a character is refused: the length limit or the input mode.
    std::wstring RefusalText(wchar_t ch, const std::wstring& text, int start, int end) const;
    // Beep and balloon: a character or a pasted text was refused.
    void Refuse(const char* titleKey, const std::wstring& text);
    void HideBalloon();
    bool IsNumericMode() const {
        return m_nMode == kctl::kModeSigned || m_nMode == kctl::kModeUnsigned ||
               m_nMode == kctl::kModeReal;
    }
    LRESULT OnSetFocus(WPARAM wp, LPARAM lp);
    LRESULT OnKillFocus(WPARAM wp, LPARAM lp);
    // Keyboard focus cue: a coloured frame on the edit's border (or its client edge when it
    // has no border) while it has the focus.
    void DrawFocusFrame();
    void DrawNotTakenMark();
    void ApplyReadOnly();
    void RebuildBrush();

    COLORREF m_crNormalBack = kctl::kEditNormalBackground;
    bool m_bKeepSaved = false;
    int m_nMode = kctl::kModeSigned;
    std::wstring m_strSaved;
    bool m_bFocused = false;
    kctl::CLevelLock m_lock; // preference = editable (read-only preference false)
    int m_nMaxChars = kctl::kEditMaxChars;
    COLORREF m_crReadOnlyBack = kctl::kPanelColour;
    bool m_bUnavailable = false;
    bool m_bNotTaken = false;
    kfw::CBrush m_brush;
    COLORREF m_crBrush = CLR_INVALID;
    kctl::CToolTip m_balloon;
};
