// The generic faceplate: a dialog bound to one tag that reads the block's data from the
// communication server once a second, shows it, writes operator changes after confirmation
// and logs them. The tag itself (record, data, lookup, write path, log) is the CFPTag it owns;
// this class adds the window lifecycle, the refresh timer, the controls and painting, and
// answers the tag's hooks. A concrete faceplate derives from it and overrides the hooks.
#pragma once

#include "FPBinding.h"
#include "FPCommu.h"
#include "FPTag.h"
#include "MsgManager.h"

#include "BtnST.h"
#include "ColorStaticST.h"
#include "Dialog.h"
#include "Handle.h"
#include "Text.h"

#include <memory>
#include <span>
#include <string>

struct IKrControlInfo;
class CSharedMemory;

class CFP_BASEDlg : public kfw::CDialog, private CFPTag::Owner {
public:
    // `rows`: the faceplate's bound controls, on its own dialog (window 0) and its pages.
    explicit CFP_BASEDlg(UINT templateId, std::span<const fp::Binding> rows = {});
    ~CFP_BASEDlg() override;

    // The tag this faceplate shows.
    CFPTag& Tag() { return m_tag; }
    const CFPTag& Tag() const { return m_tag; }
    // The bound controls of the dialog and its pages.
    fp::CBindingEngine& Bindings() { return m_bindings; }
    const fp::CBindingEngine& Bindings() const { return m_bindings; }

    // Operations used by the entry points
    void SetFPPara(const tagFPOpenPara* para, BOOL bMovable, BOOL bShowDetail, BOOL bNewFP,
                   HWND parent);
    // Creates the window from the faceplate's template with the caller's style.
    bool CreateFP(DWORD style, HWND parent);
    void ChangeUserInfo(const char* userName, int userLevel);
    void SetAckPermission(int permission) { m_nAckPermission = permission; }
    void SetPopChild(BOOL popChild) { m_bPopChild = popChild; }
    // The detail toggle of the adjust button, from a click (`ctl`), Shift+Alt+T or the
    // ShowDetail export: only while the adjust button is operable now.
    void OnBtnAdj(HWND ctl = nullptr);
    // Closes the detail view when it is shown: giving the view (and its slot) up needs no right.
    void CloseDetail();
    void OnFPClose();

    // Attributes
    BOOL IsMovable() const { return m_bMovable; }
    BOOL IsDetailShown() const { return m_bShowDetail; }
    // 1 when this station may operate the tag (from the control information).
    int OperatePermission() const { return m_nOperate; }
    // The user level as the controls take it: a negative level locks everything, a level above
    // the controls' range counts as the highest.
    WORD ControlUserLevel() const;
    // The faceplate is closing or closed: nothing may be sent or logged for it any more.
    bool IsClosing() const override;

    // The control a write starts from, when the logged-in operator may operate it now: bound to
    // an operable control object of this faceplate (or one of its pages), enabled, visible and
    // unlocked at the current user level. Switches (stateful) also need good data, since they
    // write the opposite of the state shown. `why` tells the reason of a refusal.
    kctl::IOperable* OperableControl(int controlId, HWND control, bool stateful,
                                     const char** why) const;
    // The same check for a command about to run (a click, a posted message, a key, an export);
    // a refusal is traced with its reason.
    bool MayOperate(int controlId, HWND control, bool stateful) const;

    // Alarm state display
    void ShowAlarmState(WORD flagItem);
    BOOL AlarmPresent() const { return m_bAlarm; }
    COLORREF LampColour() const;
    // Background, frame and (with drawLamp) the state lamp.
    void DrawFaceplate(HDC hdc, BOOL drawLamp);

    // Overridables
    virtual void OnCommuData(BYTE* block);
    // Shows the data block (the block-specific refresh); nothing here.
    void ShowData(BYTE* /*block*/) override {}
    virtual void CreateTrend() {}
    virtual void ShowDetail(BOOL show);
    virtual void UpdateRight();
    virtual void RefreshControls();
    virtual void InitTabWindow() {}
    virtual void ShowTabPage(int /*page*/) {}
    virtual std::string FlagToAlarm(DWORD flag);
    virtual std::string StatusBitText(DWORD flag);
    // Keyboard commands (FPKeys.cpp): Shift+Alt chords of the faceplate that has the focus.
    // The eight commands do nothing here; a faceplate that supports them overrides them and
    // allows them (SetModeKeys, SetSwitchKeys).
    virtual void OnKeyMan() {}
    virtual void OnKeyAuto() {}
    virtual void OnKeyOn() {}
    virtual void OnKeyOff() {}
    virtual void OnKeyFastDecrease() {}
    virtual void OnKeyFastIncrease() {}
    virtual void OnKeyIncrease() {}
    virtual void OnKeyDecrease() {}
    // The tag's hooks, answered from the bound rows: the decimals of a real value's edit,
    // and the mark on the edit of a value the controller did not take.
    WORD DecimalsItemOf(WORD item) const override;
    void OnWriteChecked(WORD item, bool taken, const std::string& written,
                        const std::string& held) override;
    // Entry of a numeric edit (message 2024): writes the value of the edit's item.
    void OnEditEnter(int controlId, HWND edit);

    // The refresh tick (timer 1).
    void OnRefreshTick();
    bool PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnCommand(int id, int code, HWND ctl) override;
    bool OnNotify(int id, NMHDR* hdr, LRESULT* result) override;
    HBRUSH OnCtlColor(HDC dc, HWND ctl, UINT ctlColorMsg) override;
    void OnOK() override {}
    void OnCancel() override {}
    // Tag name and description from the tag to their statics.
    void TransferToControls();
    // AUTO and MAN, on and off chords allowed.
    void SetModeKeys(BOOL allowed) { m_bModeKeys = allowed; }
    void SetSwitchKeys(BOOL allowed) { m_bSwitchKeys = allowed; }

private:
    // What the binding engine asks of the faceplate.
    class BindingHost : public fp::IBindingHost {
    public:
        explicit BindingHost(CFP_BASEDlg& fp) : m_fp(fp) {}
        CFPTag& BoundTag() override { return m_fp.m_tag; }
        bool MayOperate(int controlId, HWND control, bool stateful) const override {
            return m_fp.MayOperate(controlId, control, stateful);
        }
        int RequiredLevel(uint16_t item) const override;
        WORD UserLevel() const override { return m_fp.ControlUserLevel(); }
        void ShowAlarmState(uint16_t flagItem) override { m_fp.ShowAlarmState(flagItem); }
        bool IsClosing() const override { return m_fp.IsClosing(); }

    private:
        CFP_BASEDlg& m_fp;
    };
    // The rights of the bound controls: the dialog's, and the pages' while the detail view is
    // shown.
    void ApplyRights();

    // The tag's hooks only the faceplate answers.
    int SendWrite(const BYTE* request, int length) override;
    HWND ConfirmOwner() const override { return m_hWnd; }
    // A message box owned by the faceplate.
    void TellOperator(const std::string& caption, const std::string& text) override;

    // Runs the command of a Shift+Alt chord when its condition holds; else beeps. True when the
    // key was a command that ran.
    bool OnKeyChord(UINT key);
    void SetStatusText(const char* status, const char* second);
    // The data-good state from the link and the host's status; on a change the lamp repaints,
    // and on the way back to good the status lines clear and the rights are refreshed.
    void UpdateDataGood();
    // Bytes to read: the whole block with the detail view, else the compact part.
    int ReadLength(BOOL detail) const;
    void DrawLamp(HDC hdc, POINT centre);
    // The owner of the faceplate's message boxes: the host's parent window, or the faceplate
    // itself when it has none (a box without an owner may open behind the faceplate).
    HWND BoxOwner() const;
    void InitControlRight();
    void QueryTagStatus();
    bool OpenFaceplateMemory();
    HWND* DetailTable() const;
    bool TakeDetailSlot();
    void ReleaseDetailSlot();
    void Subscribe(int length);
    void SetupButtons();
    // Commands of the framework's buttons; each runs only when its button is operable now.
    void OnAdjClicked(int id, HWND ctl);
    void OnAlarmAck(int id, HWND ctl);
    // The flow, current and alarm buttons hand the tag to another station program.
    void OnHandOverButton(int id, HWND ctl);
    // What the commands do once allowed.
    void ToggleDetail();
    void AcknowledgeAlarms();
    void OnLButtonDown();
    void OnInteract(BOOL active);

    CFPTag m_tag;
    BindingHost m_bindingHost{*this};
    fp::CBindingEngine m_bindings;

    // From the host's record: the operator, the station and the window.
    int m_nUserLevel = 0;
    int m_nAckPermission = 0;
    BYTE m_byStation = 0;
    BYTE m_byStationColumn = 0;
    POINT m_ptPos{};
    SIZE m_szCompact{};
    SIZE m_szDetail{};
    WORD m_wTarget = 0;
    int m_nMsgParam = 0;
    PFN_FPCheckArea m_pfnCheckArea = nullptr;
    PFN_FPAlarmAck m_pfnAlarmAck = nullptr;
    PFN_FPAlarmState m_pFunAlmState = nullptr;
    COLORREF m_crNormal = fp::kNormalColour;
    int m_nOperate = 0;

    BOOL m_bModeKeys = FALSE;   // AUTO and MAN allowed
    BOOL m_bSwitchKeys = FALSE; // on and off allowed
    BOOL m_bMovable = FALSE;
    BOOL m_bShowDetail = FALSE;
    BOOL m_bNewFP = FALSE;
    BOOL m_bPopChild = FALSE;
    HWND m_hParentWnd = nullptr;

    CFPCommu m_Commu;
    CMsgManager m_MsgManager;
    std::shared_ptr<CSharedMemory> m_pMemory;
    IKrControlInfo* m_pControlInfo = nullptr;
    BOOL m_bClosing = FALSE;
    int m_nMissedTicks = 0;
    BOOL m_bFirstData = TRUE;
    UINT_PTR m_nTimer = 0;
    BOOL m_bActive = FALSE;
    int m_nCurPage = 1;
    BOOL m_bAlarm = FALSE;
    BOOL m_bPrevAlarm = FALSE;
    COLORREF m_crAlarm = fp::kAlarmColour;
    COLORREF m_crPrevAlarm = fp::kAlarmColour;
    RECT m_rcLamp{};
    kfw::CFont m_fontTitle;
    kfw::CBrush m_brBackground;
    CColorStaticST m_stTitle;
    // What the tag name, description and the two status lines show.
    kfw::CShownText m_shownTagName, m_shownTagDesc;
    kfw::CShownText m_shownStatus[2];
    // Their rights: the adjust button the block's operation level, the acknowledge button the
    // acknowledge permission, the hand-over buttons none (always operable).
    CRightsBtnST m_btnFlow, m_btnCurrent, m_btnAlarm, m_btnAdj, m_btnAck;
};
