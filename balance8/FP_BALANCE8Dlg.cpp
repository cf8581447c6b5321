#include "FP_BALANCE8Dlg.h"

#include "FPText.h"
#include "resource.h"

#include "MemDC.h"
#include "TnEdit.h"

#include "Handle.h"
#include "Text.h"
#include "Trace.h"

using kfw::Trace;

namespace {
constexpr int kFirstEnableWord = 503; // items 503, 505, ..., 549
constexpr int kEnableWordStep = 2;
} // namespace

CFP_BALANCE8Dlg::CFP_BALANCE8Dlg() : CFP_BASEDlg(IDD_FP_BALANCE8) {}

void CFP_BALANCE8Dlg::DoDataExchange() {
    CFP_BASEDlg::DoDataExchange();
    m_btnModeOff.SubclassDlgItem(IDC_MODE_OFF, m_hWnd);
    m_btnModeOn.SubclassDlgItem(IDC_MODE_ON, m_hWnd);
    for (int j = b8::kLoopCount; j-- > 0;)
        m_btnLoop[static_cast<size_t>(j)].SubclassDlgItem(
            static_cast<UINT>(b8ui::kLoopSwitches[j].controlId), m_hWnd);
}

BOOL CFP_BALANCE8Dlg::OnInitDialog() {
    BOOL result = CFP_BASEDlg::OnInitDialog();
    m_btnModeOn.SetIcon(IDI_MODE_ON);
    m_btnModeOff.SetIcon(IDI_MODE_OFF);
    return result;
}

void CFP_BALANCE8Dlg::OnCommuData(BYTE* block) {
    CFP_BASEDlg::OnCommuData(block);
    TransferToControls();
}

void CFP_BALANCE8Dlg::ShowData(BYTE* /*block*/) {
    // Without good data the switches show no state at all rather than "manual" and "off".
    const bool noData = !HasGoodData();
    // 1. Mode.
    LookHMIData(b8::kItemMode, m_bMode);
    m_btnModeOn.SetNoData(noData);
    m_btnModeOff.SetNoData(noData);
    m_btnModeOn.SetCheckIfChanged(m_bMode ? 1 : 0);
    m_btnModeOff.SetCheckIfChanged(m_bMode ? 0 : 1);
    // 2. Status lines and lamp.
    ShowAlarmState(b8::kItemAlarmFlag);
    // 3. Loop switches.
    for (int j : b8ui::kRefreshOrder) {
        BOOL& on = m_bLoop[static_cast<size_t>(j)];
        LookHMIData(b8::LoopSwitchItem(j), on);
        m_btnLoop[static_cast<size_t>(j)].SetNoData(noData);
        m_btnLoop[static_cast<size_t>(j)].SetCheckIfChanged(on ? 1 : 0);
    }
    // 4. Alarm enable words.
    for (int i = 0; i < b8ui::kEnableWordCount; ++i)
        LookHMIData(static_cast<WORD>(kFirstEnableWord + kEnableWordStep * i),
                    m_dwAlarmEnable[static_cast<size_t>(i)]);
    // 5 and 6. The setup pages refresh here while the detail view is shown.
    // 7. Members to controls.
    TransferToControls();
}

int CFP_BALANCE8Dlg::WriteLevel(WORD item) const {
    const FPItemInfo* info = FindItem(item);
    if (!info)
        return -1;
    return static_cast<int>(info->wSecurityLevel) * m_nOperate;
}

void CFP_BALANCE8Dlg::UpdateRight() {
    CFP_BASEDlg::UpdateRight();
    auto apply = [this](CLevelBtnST& button, WORD item) {
        int level = WriteLevel(item);
        if (level >= 0 && button.m_hWnd)
            button.SetRequiredLevel(static_cast<WORD>(level));
    };
    apply(m_btnModeOn, b8::kItemMode);
    apply(m_btnModeOff, b8::kItemMode);
    for (int j = 0; j < b8::kLoopCount; ++j)
        apply(m_btnLoop[static_cast<size_t>(j)], b8::LoopSwitchItem(j));
}

void CFP_BALANCE8Dlg::RefreshControls() {
    CFP_BASEDlg::RefreshControls();
    WORD level = ControlUserLevel();
    m_btnModeOff.SetUserLevel(level);
    m_btnModeOn.SetUserLevel(level);
    for (CLevelBtnST& button : m_btnLoop)
        button.SetUserLevel(level);
}

bool CFP_BALANCE8Dlg::MayWrite(int controlId, HWND control) const {
    const char* why = "";
    if (OperableControl(controlId, control, true, &why))
        return true;
    Trace("[FP_BALANCE]:control %d not written: %s\n", controlId, why);
    return false;
}

void CFP_BALANCE8Dlg::OnLoopSwitch(int j) {
    const b8ui::LoopSwitch& sw = b8ui::kLoopSwitches[j];
    if (!MayWrite(sw.controlId, m_btnLoop[static_cast<size_t>(j)].m_hWnd))
        return;
    bool shownOn = m_btnLoop[static_cast<size_t>(j)].GetCheck() != 0;
    std::string label = fp::Text(shownOn ? sw.promptOff : sw.promptOn);
    WriteData(b8::LoopSwitchItem(j), shownOn ? b8ui::kSwitchOff : b8ui::kSwitchOn, label.c_str());
}

void CFP_BALANCE8Dlg::OnModeOn() {
    if (!MayWrite(IDC_MODE_ON, m_btnModeOn.m_hWnd) || m_bMode)
        return;
    std::string label = fp::Text(b8ui::kPromptModeOn);
    WriteData(b8::kItemMode, b8ui::kSwitchOn, label.c_str());
}

void CFP_BALANCE8Dlg::OnModeOff() {
    if (!MayWrite(IDC_MODE_OFF, m_btnModeOff.m_hWnd) || !m_bMode)
        return;
    std::string label = fp::Text(b8ui::kPromptModeOff);
    WriteData(b8::kItemMode, b8ui::kSwitchOff, label.c_str());
}

void CFP_BALANCE8Dlg::OnEditEnter(int controlId, HWND edit) {
    const b8::ItemDef* def = b8::FindItemByEditId(static_cast<uint16_t>(controlId));
    if (!def)
        return;
    // Anyone on the desktop can post this message: write only for an edit that exists and
    // that the logged-in operator may edit now.
    const char* why = "";
    auto* tn = dynamic_cast<CTnEdit*>(OperableControl(controlId, edit, false, &why));
    if (!tn) {
        Trace("[FP_BALANCE]:edit %d not written: %s\n", controlId, why);
        return;
    }
    WriteData(def->item, tn->m_hWnd, def->name);
}

void CFP_BALANCE8Dlg::Paint(HDC hdc) {
    CMemDC mem(hdc);
    DrawFaceplate(mem, TRUE);
}

LRESULT CFP_BALANCE8Dlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kctl::WM_TNEDIT_ENTER:
        OnEditEnter(static_cast<int>(wp), reinterpret_cast<HWND>(lp));
        if (!::IsWindow(m_hWnd))
            return 0;
        ::SetFocus(GetDlgItem(IDC_TAGNAME));
        break;
    case WM_PAINT:
        Paint(kfw::CPaintDC(m_hWnd));
        return 0;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
        // Numeric edits colour themselves (reflected before this point).
        ::SetBkColor(reinterpret_cast<HDC>(wp), fp::kBackground);
        return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED) {
            int id = LOWORD(wp);
            if (id == IDC_MODE_ON) {
                OnModeOn();
                return 0;
            }
            if (id == IDC_MODE_OFF) {
                OnModeOff();
                return 0;
            }
            for (int j = 0; j < b8::kLoopCount; ++j) {
                if (b8ui::kLoopSwitches[j].controlId == id) {
                    OnLoopSwitch(j);
                    return 0;
                }
            }
        }
        break;
    default:
        break;
    }
    return CFP_BASEDlg::WindowProc(msg, wp, lp);
}
