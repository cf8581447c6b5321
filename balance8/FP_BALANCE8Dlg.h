// The BALANCE8 faceplate dialog: its bound controls (rows of Balance8Bindings), the setup tab
// host with its nine pages, and the services the pages' controls use.
#pragma once

#include "BlockTable.h"
#include "FPBinding.h"
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
    void UpdateRight() override;
    void RefreshControls() override;
    void InitTabWindow() override;
    void ShowTabPage(int page) override;
    WORD DecimalsItemOf(WORD item) const override;
    void OnWriteChecked(WORD item, bool taken, const std::string& written,
                        const std::string& held) override;

    // The bound controls of the dialog and its pages.
    fp::CBindingEngine& Bindings() { return m_bindings; }

    // Services of the setup pages
    // Words 1..8 of a measurement kind (0, 2 or 3) composed from the check boxes: HH/H/LL/L
    // from the kind's alarm page, the rate bit from the rate page; only boxes exactly checked.
    void CollectAlarmEnableWords(int kind, std::map<WORD, WORD>& words) const;
    int WriteAlarmEnableWord(WORD item, WORD word, const char* label);
    int WriteLimitEnableWord(WORD item, DWORD word, const char* label);
    int SetOutOfService(int on);
    int SetAlarmInhibit(int on);
    int SetControlMethod(int on);

    // Entry of a numeric edit (message 2024): writes the value of the edit's item.
    void OnEditEnter(int controlId, HWND edit);

protected:
    void DoDataExchange() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCommand(int id, int code, HWND ctl) override;
    HBRUSH OnCtlColor(HDC dc, HWND ctl, UINT ctlColorMsg) override;

private:
    // What the binding engine asks of the faceplate.
    class BindingHost : public fp::IBindingHost {
    public:
        explicit BindingHost(CFP_BALANCE8Dlg& fp) : m_fp(fp) {}
        CFPTag& BoundTag() override { return m_fp.Tag(); }
        bool MayOperate(int controlId, HWND control, bool stateful) const override {
            return m_fp.MayOperate(controlId, control, stateful);
        }
        int RequiredLevel(uint16_t item) const override;
        WORD UserLevel() const override { return m_fp.ControlUserLevel(); }
        void ShowAlarmState(uint16_t flagItem) override { m_fp.ShowAlarmState(flagItem); }
        bool IsClosing() const override { return m_fp.IsClosing(); }

    private:
        CFP_BALANCE8Dlg& m_fp;
    };

    // Background, frame and lamp, drawn off-screen into the given context.
    void Paint(HDC hdc);
    // The rights of the dialog's controls and, while the detail view is shown, the pages'.
    void ApplyRights();
    // The page of a slot, or null while it is not built.
    CSetupPage* PageOf(b8::Page page) const;

    BindingHost m_bindingHost{*this};
    fp::CBindingEngine m_bindings;
    CEnTabCtrl m_tab;
    // One slot per page, in tab order; empty until the detail view is first built.
    std::array<std::unique_ptr<CSetupPage>, b8::kPageCount> m_pages;
};
