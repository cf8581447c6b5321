// The BALANCE8 faceplate dialog: main display, loop switches, the edit dispatch and the setup
// tab host with its nine pages.
#pragma once

#include "Balance8Switches.h"
#include "FP_BASEDlg.h"
#include "PageTables.h"

#include "BtnST.h"
#include "EnTabCtrl.h"

#include <array>
#include <map>
#include <memory>

class CTnEdit;
class CSetupPage;
class CSVLimtSetup;

class CFP_BALANCE8Dlg : public CFP_BASEDlg {
public:
    CFP_BALANCE8Dlg();
    ~CFP_BALANCE8Dlg() override;

    // Overridables
    void OnCommuData(BYTE* block) override;
    void ShowData(BYTE* block) override;
    void CreateTrend() override {}
    void UpdateRight() override;
    void RefreshControls() override;
    void InitTabWindow() override;
    void ShowTabPage(int page) override;
    WORD DecimalsItemOf(WORD item) const override;
    void OnWriteChecked(WORD item, bool taken, const std::string& written,
                        const std::string& held) override;

    // Attributes (last values read by the refresh)
    BOOL Mode() const { return m_bMode; }
    BOOL LoopState(int j) const { return m_bLoop[static_cast<size_t>(j)]; }
    DWORD AlarmEnableWord(int i) const { return m_dwAlarmEnable[static_cast<size_t>(i)]; }
    DWORD AlarmEnableWord(b8::Measure m, int branch) const {
        return AlarmEnableWord(static_cast<int>(m) * b8::kBranchCount + branch - 1);
    }
    // The page of a slot, or null while it is not built.
    CSetupPage* PageOf(b8::Page page) const;
    CBaseTabCtrl& TabControl() { return m_tab; }

    // Services of the setup pages
    // Words 1..8 of a measurement kind (0, 2 or 3) composed from the check boxes: HH/H/LL/L
    // from the kind's alarm page, the rate bit from the rate page; only boxes exactly checked.
    void CollectAlarmEnableWords(int kind, std::map<WORD, WORD>& words) const;
    int WriteAlarmEnableWord(WORD item, WORD word, const char* label);
    int WriteLimitEnableWord(WORD item, DWORD word, const char* label);
    int SetOutOfService(int on);
    int SetAlarmInhibit(int on);
    int SetControlMethod(int on);
    // A click on a page's alarm or limit enable box (already toggled by the platform).
    void OnPageCheck(CSetupPage& page, int controlId, HWND control);
    // A page switch asks for on or off.
    void OnPageSwitch(CSetupPage& page, const b8ui::PageSwitch& sw, bool on);
    CLevelBtnST& LoopButton(int j) { return m_btnLoop[static_cast<size_t>(j)]; }
    CLevelBtnST& ModeOnButton() { return m_btnModeOn; }
    CLevelBtnST& ModeOffButton() { return m_btnModeOff; }

    // Button handlers
    void OnLoopSwitch(int controlId, HWND ctl);
    void OnModeOn();
    void OnModeOff();
    // Entry of a numeric edit (message 2024): writes the value of the edit's item.
    void OnEditEnter(int controlId, HWND edit);

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCommand(int id, int code, HWND ctl) override;
    HBRUSH OnCtlColor(HDC dc, HWND ctl, UINT ctlColorMsg) override;

private:
    // Background, frame and lamp, drawn off-screen into the given context.
    void Paint(HDC hdc);
    // The required level of a control that writes an item: its security level times the
    // operate permission; -1 when the item is not in the item map.
    int WriteLevel(WORD item) const;
    // Writes 255 or 0 to the item of a page switch with its prompt.
    int WriteSwitch(const b8ui::PageSwitch& sw, int on);
    // The pages' controls are given rights only while the detail view is shown.
    template <typename F> void ForEachPage(F&& visit) const;

    CLevelBtnST m_btnModeOff;
    CLevelBtnST m_btnModeOn;
    std::array<CLevelBtnST, b8::kLoopCount> m_btnLoop;
    BOOL m_bMode = FALSE;
    BOOL m_bOutOfService = FALSE;
    std::array<BOOL, b8::kLoopCount> m_bLoop{};
    std::array<DWORD, b8ui::kEnableWordCount> m_dwAlarmEnable{};
    DWORD m_dwLimitEnable = 0;
    CEnTabCtrl m_tab;
    // One slot per page, in tab order; empty until the detail view is first built.
    std::array<std::unique_ptr<CSetupPage>, b8::kPageCount> m_pages;
};
