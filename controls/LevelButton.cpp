#include "LevelButton.h"

using namespace kctl;

LRESULT CLevelButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONUP:
        PostToParent(m_hWnd, WM_BUTTON_RELEASED, static_cast<WPARAM>(GetDlgCtrlID()),
                     reinterpret_cast<LPARAM>(m_hWnd));
        break;
    case WM_KILLFOCUS:
        PostToParent(m_hWnd, WM_CTRL_INTERACT, 0, 0);
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}
