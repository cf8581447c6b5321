// The generic faceplate: a dialog bound to one tag that reads the block's data from the
// communication server once a second, shows it, writes operator changes after confirmation
// and logs them. A concrete faceplate derives from it and overrides the hooks.
#pragma once

#include "FPCommu.h"
#include "FPConstants.h"
#include "FPHostApi.h"
#include "KrLogRecord.h"

#include "BtnST.h"
#include "ColorStaticST.h"
#include "Dialog.h"
#include "Handle.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>

struct IKrControlInfo;
class CSharedMemory;

class CFP_BASEDlg : public kfw::CDialog {
public:
    explicit CFP_BASEDlg(UINT templateId);
    ~CFP_BASEDlg() override;

    // Operations used by the entry points
    void SetFPPara(const tagFPOpenPara* para, BOOL bMovable, BOOL bShowDetail, BOOL bNewFP,
                   HWND parent);
    // Creates the window from the faceplate's template with the caller's style.
    bool CreateFP(DWORD style, HWND parent);
    void ChangeUserInfo(const char* userName, int userLevel);
    void SetAckPermission(int permission) { m_nAckPermission = permission; }
    void SetPopChild(BOOL popChild) { m_bPopChild = popChild; }
    void OnBtnAdj();
    void OnFPClose();

    // Attributes
    const std::string& TagName() const { return m_strTagName; }
    BOOL IsMovable() const { return m_bMovable; }
    BOOL IsDetailShown() const { return m_bShowDetail; }
    BOOL IsConnected() const { return m_bconnected; }
    BOOL IsDataGood() const { return m_nDataGood; }
    BOOL IsHostCallbackMode() const { return m_bHostMode; }
    int OperatePermission() const { return m_nOperate; }
    int UserLevel() const { return m_nUserLevel; }
    int MissedTicks() const { return m_nMissedTicks; }
    // Data that may be shown as a plant state: delivered, connected and not reported bad.
    bool HasGoodData() const { return m_pDataBlock && m_bconnected && !m_bStatusBad; }
    // The user level as the controls take it: a negative level locks everything, a level above
    // the controls' range counts as the highest.
    WORD ControlUserLevel() const;
    // The faceplate is closing or closed: nothing may be sent or logged for it any more.
    bool IsClosing() const;
    BYTE* DataBlock() const { return m_pDataBlock; }
    const FPBlockInfo* BlockInfo() const { return m_pBlock; }
    // The item descriptor of an item, or null when the block or the item map lacks it.
    const FPItemInfo* FindItem(WORD item) const;
    const FPItemMapEntry* FindEntry(WORD item) const;
    CFPCommu& Commu() { return m_Commu; }

    // Value lookup (1 = output valid or left unchanged by rule, 0 = no value)
    int LookHMIData(WORD item, BYTE& out, BOOL bByName = TRUE);
    int LookHMIData(WORD item, BOOL& out, BOOL bByName = TRUE);
    int LookHMIData(WORD item, DWORD& out, BOOL bByName = TRUE);
    int LookHMIData(WORD item, float& out, BOOL bByName = TRUE);
    // Decimal places of real values: the byte item's value, above 5 gives 3; no item gives 3.
    int GetDecimals(WORD decimalsItem);
    // "%.<n>f" of a value.
    static std::string FormatValue(float value, int decimals);
    // Text of a real item for display, or "????" when the data is not good; false when the
    // display should keep its previous text (lookup unsuccessful).
    bool FormatItem(WORD item, float& value, WORD decimalsItem, std::string& text);
    bool GetUnitText(WORD item, std::string& text);
    // Flag word of an item read by its type code.
    DWORD ReadFlagWord(const FPItemInfo& info) const;

    // Write path (1 = done, 0 = failed)
    int WriteData(WORD item, float value, const char* label);
    // The old value of a float write as the confirmation and the log show it; "????" when it
    // cannot be read.
    std::string OldValueText(WORD item);
    int WriteData(WORD item, DWORD value, const char* label); // 32-bit action
    int WriteData(WORD item, WORD value, const char* label);  // 16-bit action
    int WriteData(WORD item, BYTE value, const char* label);  // 8-bit switch
    // Float entry from an edit control's text. Text that is not a number writes nothing: the
    // edit shows the live value again.
    int WriteData(WORD item, HWND edit, const char* label);
    // The control a write starts from, when the logged-in operator may operate it now: bound to
    // an operable control object of this faceplate (or one of its pages), enabled, visible and
    // unlocked at the current user level. Switches (stateful) also need good data, since they
    // write the opposite of the state shown. `why` tells the reason of a refusal.
    kctl::IOperable* OperableControl(int controlId, HWND control, bool stateful,
                                     const char** why) const;
    void WriteLog(const char* text);
    // The operation-log record of a text (reason appended); clears nothing.
    tagFPLogRecord BuildLogRecord(const char* text) const;
    bool IsWritten(WORD item) const;

    // Alarm state display
    void ShowAlarmState(WORD flagItem);
    virtual std::string FlagToAlarm(DWORD flag);
    virtual std::string StatusBitText(DWORD flag);
    BOOL AlarmPresent() const { return m_bAlarm; }
    COLORREF LampColour() const;
    // Background, frame and (with drawLamp) the state lamp.
    void DrawFaceplate(HDC hdc, BOOL drawLamp);

    // Overridables
    virtual void OnCommuData(BYTE* block);
    virtual void ShowData(BYTE* /*block*/) {}
    virtual void CreateTrend() {}
    virtual void ShowDetail(BOOL show);
    virtual void UpdateRight();
    virtual void RefreshControls();
    virtual void InitTabWindow() {}
    virtual void ShowTabPage(int /*page*/) {}

    // The refresh tick (timer 1).
    void OnRefreshTick();

    // Keyboard commands (FPKeys.cpp): Shift+Alt chords of the faceplate that has the focus.
    // The eight commands do nothing here; a faceplate that supports them overrides them and
    // sets the permission flags.
    bool PreTranslateMessage(MSG* msg) override;
    virtual void OnKeyMan() {}
    virtual void OnKeyAuto() {}
    virtual void OnKeyOn() {}
    virtual void OnKeyOff() {}
    virtual void OnKeyFastDecrease() {}
    virtual void OnKeyFastIncrease() {}
    virtual void OnKeyIncrease() {}
    virtual void OnKeyDecrease() {}

protected:
    // Runs the command of a Shift+Alt chord when its condition holds; else beeps. True when the
    // key was a command that ran.
    bool OnKeyChord(UINT key);
    BOOL m_bModeKeys = FALSE;   // AUTO and MAN allowed
    BOOL m_bSwitchKeys = FALSE; // on and off allowed

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnOK() override {}
    void OnCancel() override {}
    void SetStatusText(const char* status, const char* second);
    // The data-good state from the link and the host's status; on a change the lamp repaints,
    // and on the way back to good the status lines clear and the rights are refreshed.
    void UpdateDataGood();
    // Tag name and description from the members to their statics.
    void TransferToControls();
    // Bytes to read: the whole block with the detail view, else the compact part.
    int ReadLength(BOOL detail) const;
    // The host's status word of the tag: 1 read, 0 the tag cannot be resolved, -1 no answer.
    int ReadHostStatus(uint32_t& status);
    void DrawLamp(HDC hdc, POINT centre);

    std::string m_strTagName;
    std::string m_strTagDesc;
    std::string m_strModuleFile;
    std::string m_strKeep;
    std::string m_strUserName;
    std::string m_strReason; // modification reason, cleared after logging
    int m_nUserLevel = 0;
    int m_nAckPermission = 0;
    const FPBlockInfo* m_pBlock = nullptr;
    BYTE m_byStation = 0;
    BYTE m_byStationColumn = 0;
    POINT m_ptPos{};
    SIZE m_szCompact{};
    SIZE m_szDetail{};
    WORD m_wTarget = 0;
    int m_nBaseAddress = 0;
    const FPUnitMap* m_pUnitMap = nullptr;
    int m_nMsgParam = 0;
    int m_nConfirmHold = 0;
    BOOL m_bMovable = FALSE;
    BOOL m_bShowDetail = FALSE;
    BOOL m_bNewFP = FALSE;
    BOOL m_bPopChild = FALSE;
    HWND m_hParentWnd = nullptr;
    PFN_FPOpenItem m_pfnOpenItem = nullptr;
    PFN_FPReadStatus m_pfnReadStatus = nullptr;
    PFN_FPHostCall m_pfnHostCall = nullptr;
    PFN_FPGetVariant m_pfnGetVariant = nullptr;
    PFN_FPCheckArea m_pfnCheckArea = nullptr;
    PFN_FPAlarmAck m_pfnAlarmAck = nullptr;
    PFN_FPAlarmState m_pFunAlmState = nullptr;
    BOOL m_bHostMode = FALSE;
    int64_t m_nHandle = 0;
    int m_nOperate = 0;
    BYTE m_bySecurityClass = 0;
    BOOL m_bConfirm = FALSE;
    BOOL m_bTagSecurityConfirm = TRUE;

    CFPCommu m_Commu;
    std::unique_ptr<CSharedMemory> m_pMemory;
    IKrControlInfo* m_pControlInfo = nullptr;
    BYTE* m_pDataBlock = nullptr; // the faceplate's own copy of the last delivered data area
    std::vector<BYTE> m_dataCopy;
    BOOL m_bClosing = FALSE;
    int m_nReadLength = 0;
    BOOL m_bconnected = FALSE;
    int m_nMissedTicks = 0;
    BOOL m_bStatusBad = FALSE;
    BOOL m_nDataGood = TRUE;
    BOOL m_nPrevDataGood = TRUE;
    BOOL m_bFirstData = TRUE;
    std::list<WORD> m_listWritten;
    UINT_PTR m_nTimer = 0;
    BOOL m_bActive = FALSE;
    int m_nCurPage = 1;
    BOOL m_bAlarm = FALSE;
    BOOL m_bPrevAlarm = FALSE;
    COLORREF m_crNormal = fp::kNormalColour;
    COLORREF m_crAlarm = fp::kAlarmColour;
    COLORREF m_crPrevAlarm = fp::kAlarmColour;
    RECT m_rcLamp{};
    kfw::CFont m_fontTitle;
    kfw::CBrush m_brBackground;
    CColorStaticST m_stTitle;
    CBtnST m_btnFlow, m_btnCurrent, m_btnAlarm, m_btnAdj, m_btnAck;

private:
    // The steps every LookHMIData overload shares.
    template <typename T, typename FromVariant, typename FromBlock>
    int Look(WORD item, T& out, BOOL bByName, VARTYPE type, FromVariant fromVariant,
             FromBlock fromBlock);
    template <typename T> int LookBlock(WORD item, T& out, const FPItemInfo& info);
    int LookVariant(WORD item, VARTYPE type, VARIANT& value, const FPItemInfo& info);
    void InitControlRight();
    void QueryTagStatus();
    bool OpenFaceplateMemory();
    HWND* DetailTable() const;
    bool TakeDetailSlot();
    void ReleaseDetailSlot();
    void Subscribe(int length);
    void SetupButtons();
    void OnAlarmAck();
    void OnLButtonDown();
    void OnInteract(BOOL active);
    int SendWrite(const BYTE* request, int length);
    int WriteRaw(WORD item, const void* value, int width, const char* traceKey,
                 const std::string& oldText, const std::string& newText, const char* label,
                 int variant);
    int ConfirmWrite(const FPItemInfo* info, int length, const BYTE* request,
                     const std::string& oldText, const std::string& newText, const char* label,
                     int variant);
};
