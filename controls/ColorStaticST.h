// Static text whose text and background colours can blink on one shared timer, with an
// optional notification to a window on every "on" phase.
#pragma once

#include "ControlMessages.h"
#include "ControlSupport.h"
#include "Handle.h"
#include "Window.h"

class CColorStaticST : public kfw::CWnd {
public:
    CColorStaticST();

    // Attributes
    UINT_PTR GetTimerId() const { return m_nTimerId; }
    // Period of the running blink timer in milliseconds, 0 when none runs.
    UINT GetBlinkPeriod() const { return m_nTimerId ? m_nPeriod : 0; }
    bool IsTextBlinking() const { return m_bTextBlink; }
    int GetBackgroundPhase() const { return m_nBkBlinkStep; }
    // The colours the next paint uses.
    COLORREF GetCurrentTextColour() const;
    COLORREF GetCurrentBackgroundColour() const;
    // Blink period for a speed: 0 slow, 1 medium, 2 fast, anything else milliseconds.
    static UINT BlinkPeriod(UINT speed);

    // Operations
    // kctl::kSystemColour (-1) means the system button-text / button-face colour.
    void SetTextColour(COLORREF colour);
    void SetBackgroundColour(COLORREF colour);
    void SetBlinkTextColours(COLORREF phase0, COLORREF phase1);
    void SetBlinkBackgroundColours(COLORREF phase0, COLORREF phase1);
    void StartTextBlink(bool on, UINT speed);
    void StartBackgroundBlink(bool on, UINT speed);
    // Posts msg (wParam control id, lParam 0) to the window on each "on" phase; null = none.
    void EnableNotify(HWND window, UINT msg = kctl::kDefaultNotifyMessage);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    void RestartTimer(bool on, UINT speed);
    void OnBlinkTimer();
    void Repaint();

    UINT_PTR m_nTimerId = 0;
    UINT m_nPeriod = 0;
    COLORREF m_crTextColor;
    COLORREF m_crBlinkTextColors[2];
    bool m_bTextBlink = false;
    int m_nTextBlinkStep = 0;
    COLORREF m_crBkColor;
    COLORREF m_crBlinkBkColors[2];
    bool m_bBkBlink = false;
    int m_nBkBlinkStep = 0;
    kfw::CBrush m_brBkgnd;
    kfw::CBrush m_brBlinkBkgnd[2];
    HWND m_hWndNotify = nullptr;
    UINT m_nMsgNotify = kctl::kDefaultNotifyMessage;
};
