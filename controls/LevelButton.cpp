#include "LevelButton.h"

using namespace kctl;

LRESULT CLevelButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONUP:
        PostButtonReleased(m_hWnd);
        break;
    case WM_KILLFOCUS:
        PostInteraction(m_hWnd, false);
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}
