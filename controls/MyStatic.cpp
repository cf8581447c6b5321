#include "MyStatic.h"

#include "ControlMessages.h"
#include "Text.h"

using namespace kctl;

void CMyStatic::PreSubclassWindow() {
    // The notify style lets the static receive mouse clicks.
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | kNotifyStyle);
    if (m_tip.Create(m_hWnd, kEditToolId))
        m_tip.Activate(false);
}

void CMyStatic::EnableTooltip(bool enable) {
    m_bTooltipEnabled = enable;
    m_tip.Activate(enable);
}

void CMyStatic::SetTooltipText(const std::wstring& text) {
    if (m_bTooltipEnabled)
        m_tip.SetText(text);
}

void CMyStatic::UpdateTooltip() { SetTooltipText(kfw::GetWindowTextW(m_hWnd)); }

LRESULT CMyStatic::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    m_tip.Relay(msg, wp, lp);
    switch (msg) {
    case WM_LBUTTONDOWN:
        PostToParent(m_hWnd, WM_CTRL_INTERACT, 1, 0);
        ::SetFocus(m_hWnd);
        break;
    case WM_KILLFOCUS: {
        LRESULT r = DefWindowProc(msg, wp, lp);
        PostToParent(m_hWnd, WM_CTRL_INTERACT, 0, 0);
        return r;
    }
    case WM_SIZE:
        m_tip.UpdateToolRect();
        break;
    case WM_DESTROY:
        m_tip.Destroy();
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}
