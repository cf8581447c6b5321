// The BALANCE8 faceplate dialog: its refresh order, the setup tab host with its nine pages, and
// the services of the pages. Its controls are the rows of Balance8Bindings, bound by the
// generic faceplate.
#pragma once

#include "BlockTable.h"
#include "FP_BASEDlg.h"

#include "EnTabCtrl.h"

#include <array>
#include <map>
#include <memory>

class CSetupPage;

class CFP_BALANCE8Dlg : public CFP_BASEDlg {
public:
    CFP_BALANCE8Dlg();
    ~CFP_BALANCE8Dlg() override;

    // Overridables
    void OnCommuData(BYTE* block) override;
    void ShowData(BYTE* block) override;
    void CreateTrend() override {}
    void InitTabWindow() override;
    void ShowTabPage(int page) override;

    // Services of the setup pages
    // Words 1..8 of a measurement kind (0, 2 or 3) composed from the check boxes: HH/H/LL/L
    // from the kind's alarm page, the rate bit from the rate page; only boxes exactly checked.
    void CollectAlarmEnableWords(int kind, std::map<WORD, WORD>& words) const;
    int WriteAlarmEnableWord(WORD item, WORD word, const char* label);
    int WriteLimitEnableWord(WORD item, DWORD word, const char* label);
    int SetOutOfService(int on);
    int SetAlarmInhibit(int on);
    int SetControlMethod(int on);

protected:
    void DoDataExchange() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    HBRUSH OnCtlColor(HDC dc, HWND ctl, UINT ctlColorMsg) override;

private:
    // Background, frame and lamp, drawn off-screen into the given context.
    void Paint(HDC hdc);
    // The page of a slot, or null while it is not built.
    CSetupPage* PageOf(b8::Page page) const;

    CEnTabCtrl m_tab;
    // One slot per page, in tab order; empty until the detail view is first built.
    std::array<std::unique_ptr<CSetupPage>, b8::kPageCount> m_pages;
};
