#include "ColorStaticST.h"

using namespace kctl;

CColorStaticST::CColorStaticST()
    : m_crTextColor(::GetSysColor(COLOR_BTNTEXT)),
      m_crBlinkTextColors{::GetSysColor(COLOR_BTNTEXT), ::GetSysColor(COLOR_BTNTEXT)},
      m_crBkColor(::GetSysColor(COLOR_BTNFACE)), m_crBlinkBkColors{::GetSysColor(COLOR_BTNFACE),
                                                                   ::GetSysColor(COLOR_BTNFACE)},
      m_brBkgnd(::CreateSolidBrush(m_crBkColor)),
      m_brBlinkBkgnd{kfw::CBrush(::CreateSolidBrush(m_crBlinkBkColors[0])),
                     kfw::CBrush(::CreateSolidBrush(m_crBlinkBkColors[1]))} {}

UINT CColorStaticST::BlinkPeriod(UINT speed) {
    switch (speed) {
    case 0:
        return kBlinkSlowMs;
    case 1:
        return kBlinkMediumMs;
    case 2:
        return kBlinkFastMs;
    default:
        return speed;
    }
}

COLORREF CColorStaticST::GetCurrentTextColour() const {
    return m_bTextBlink ? m_crBlinkTextColors[m_nTextBlinkStep] : m_crTextColor;
}

COLORREF CColorStaticST::GetCurrentBackgroundColour() const {
    return m_bBkBlink ? m_crBlinkBkColors[m_nBkBlinkStep] : m_crBkColor;
}

void CColorStaticST::Repaint() {
    if (m_hWnd)
        Invalidate();
}

void CColorStaticST::SetTextColour(COLORREF colour) {
    m_crTextColor = colour == kSystemColour ? ::GetSysColor(COLOR_BTNTEXT) : colour;
    Repaint();
}

void CColorStaticST::SetBackgroundColour(COLORREF colour) {
    m_crBkColor = colour == kSystemColour ? ::GetSysColor(COLOR_BTNFACE) : colour;
    m_brBkgnd.reset(::CreateSolidBrush(m_crBkColor));
    Repaint();
}

void CColorStaticST::SetBlinkTextColours(COLORREF phase0, COLORREF phase1) {
    m_crBlinkTextColors[0] = phase0;
    m_crBlinkTextColors[1] = phase1;
    Repaint();
}

void CColorStaticST::SetBlinkBackgroundColours(COLORREF phase0, COLORREF phase1) {
    m_crBlinkBkColors[0] = phase0;
    m_crBlinkBkColors[1] = phase1;
    m_brBlinkBkgnd[0].reset(::CreateSolidBrush(phase0));
    m_brBlinkBkgnd[1].reset(::CreateSolidBrush(phase1));
    Repaint();
}

// Both kinds share one timer: starting or stopping either restarts or stops it for both.
void CColorStaticST::RestartTimer(bool on, UINT speed) {
    if (m_nTimerId) {
        if (m_hWnd)
            KillTimer(m_nTimerId);
        m_nTimerId = 0;
    }
    if (on && m_hWnd) {
        m_nPeriod = BlinkPeriod(speed);
        m_nTimerId = SetTimer(kBlinkTimerId, m_nPeriod);
    }
}

void CColorStaticST::StartTextBlink(bool on, UINT speed) {
    m_bTextBlink = on;
    m_nTextBlinkStep = 0;
    RestartTimer(on, speed);
    Repaint();
}

void CColorStaticST::StartBackgroundBlink(bool on, UINT speed) {
    m_bBkBlink = on;
    m_nBkBlinkStep = 0;
    RestartTimer(on, speed);
    Repaint();
}

void CColorStaticST::EnableNotify(HWND window, UINT msg) {
    m_hWndNotify = window;
    m_nMsgNotify = msg;
}

void CColorStaticST::OnBlinkTimer() {
    bool on = false;
    if (m_bTextBlink) {
        m_nTextBlinkStep ^= 1;
        on = on || m_nTextBlinkStep == 1;
    }
    if (m_bBkBlink) {
        m_nBkBlinkStep ^= 1;
        on = on || m_nBkBlinkStep == 1;
    }
    if (!m_bTextBlink && !m_bBkBlink)
        return;
    Invalidate();
    if (m_hWndNotify && on)
        ::PostMessageW(m_hWndNotify, m_nMsgNotify, static_cast<WPARAM>(GetDlgCtrlID()), 0);
}

LRESULT CColorStaticST::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (m_nTimerId && wp == m_nTimerId) {
            OnBlinkTimer();
            return 0;
        }
        break;
    case WM_KILLFOCUS: {
        LRESULT r = DefWindowProc(msg, wp, lp);
        PostInteraction(m_hWnd, false);
        return r;
    }
    case WM_DESTROY:
        if (m_nTimerId) {
            KillTimer(m_nTimerId);
            m_nTimerId = 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

bool CColorStaticST::OnChildNotify(UINT msg, WPARAM wp, LPARAM, LRESULT* result) {
    if (msg != WM_CTLCOLORSTATIC)
        return false;
    HDC hdc = reinterpret_cast<HDC>(wp);
    ::SetTextColor(hdc, GetCurrentTextColour());
    ::SetBkColor(hdc, GetCurrentBackgroundColour());
    HBRUSH brush = m_bBkBlink ? m_brBlinkBkgnd[m_nBkBlinkStep].get() : m_brBkgnd.get();
    *result = reinterpret_cast<LRESULT>(brush);
    return true;
}
