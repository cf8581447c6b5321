#include "FP_BALANCE8Dlg.h"

#include "resource.h"

#include "Handle.h"

namespace {
constexpr WORD kFlagItem = 105;
constexpr WORD kModeItem = 95;
} // namespace

CFP_BALANCE8Dlg::CFP_BALANCE8Dlg() : CFP_BASEDlg(IDD_FP_BALANCE8) {}

void CFP_BALANCE8Dlg::ShowData(BYTE* /*block*/) {
    BOOL mode = FALSE;
    LookHMIData(kModeItem, mode);
    m_bMode = mode;
    ::CheckDlgButton(m_hWnd, IDC_MODE_ON, mode ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_MODE_OFF, mode ? BST_UNCHECKED : BST_CHECKED);
    ShowAlarmState(kFlagItem);
}

void CFP_BALANCE8Dlg::Paint(HDC hdc) { DrawFaceplate(hdc, TRUE); }

LRESULT CFP_BALANCE8Dlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        kfw::CPaintDC dc(m_hWnd);
        Paint(dc);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    default:
        break;
    }
    return CFP_BASEDlg::WindowProc(msg, wp, lp);
}
