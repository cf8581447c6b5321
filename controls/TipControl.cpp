#include "TipControl.h"

#include "ControlMessages.h"
#include "Text.h"

namespace kctl {

void CTipControl::PreSubclassWindow() {
    // The notify style lets a static receive mouse clicks.
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | kNotifyStyle);
    if (m_tip.Create(m_hWnd, kEditToolId))
        m_tip.Activate(false);
}

void CTipControl::EnableTooltip(bool enable) {
    m_bTooltipEnabled = enable;
    m_tip.Activate(enable);
}

void CTipControl::SetTooltipText(const std::wstring& text) {
    if (m_bTooltipEnabled)
        m_tip.SetText(text);
}

void CTipControl::UpdateTooltip() {
    SetTooltipText(kfw::GetWindowTextW(m_hWnd));
}

LRESULT CTipControl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    m_tip.Relay(msg, wp, lp);
    switch (msg) {
    case WM_LBUTTONDOWN:
        PostInteraction(m_hWnd, true);
        ::SetFocus(m_hWnd);
        break;
    case WM_KILLFOCUS: {
        if (m_bPostEndFirst)
            PostInteraction(m_hWnd, false);
        LRESULT r = DefWindowProc(msg, wp, lp);
        if (!m_bPostEndFirst)
            PostInteraction(m_hWnd, false);
        return r;
    }
    case WM_SIZE:
        m_tip.UpdateToolRect();
        break;
    case WM_DESTROY:
        m_tip.Destroy(); // before the control itself
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

} // namespace kctl
