// One tag as a faceplate knows it, without any window: the copy of the host's open record, the
// delivered data block, value lookup and formatting, the write path and the operation-log
// record. It can be built and tested on its own; the faceplate dialog adds the window, the
// timer, the controls and painting, and answers the hooks below.
#pragma once

#include "FPConstants.h"
#include "FPHostApi.h"
#include "KrLogRecord.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

class CKrString;

class CFPTag {
public:
    CFPTag() = default;
    virtual ~CFPTag() = default;
    CFPTag(const CFPTag&) = delete;
    CFPTag& operator=(const CFPTag&) = delete;

    // Copies the host's record (texts cut at their fields) and asks the tag's security.
    void CopyRecord(const tagFPOpenPara* para);

    // Attributes
    const std::string& TagName() const { return m_strTagName; }
    BOOL IsConnected() const { return m_bconnected; }
    BOOL IsDataGood() const { return m_nDataGood; }
    BOOL IsHostCallbackMode() const { return m_bHostMode; }
    int OperatePermission() const { return m_nOperate; }
    int UserLevel() const { return m_nUserLevel; }
    BYTE* DataBlock() const { return m_pDataBlock; }
    const FPBlockInfo* BlockInfo() const { return m_pBlock; }
    // Data that may be shown as a plant state: delivered, connected and not reported bad.
    bool HasGoodData() const { return m_pDataBlock && m_bconnected && !m_bStatusBad; }
    // Good data, and the last display pass ran on it with the whole subscribed image: boxes
    // and switches show the block's states, so input composed from them is the block's.
    // False from a loss of data (or a longer subscription) until such a display again.
    bool StatesShown() const { return HasGoodData() && m_bStatesShown; }
    // Bytes of the block image that the kept copy holds (what the last delivery brought).
    int HeldImageLength() const { return m_nHeldLength; }
    // The item's value lies within the kept copy.
    bool IsDelivered(const FPItemInfo& info, int width) const;
    // The item descriptor of an item, or null when the block or the item map lacks it.
    const FPItemInfo* FindItem(WORD item) const;
    const FPItemMapEntry* FindEntry(WORD item) const;

    // Value lookup (1 = output valid or left unchanged by rule, 0 = no value)
    int LookHMIData(WORD item, BYTE& out, BOOL bByName = TRUE);
    int LookHMIData(WORD item, BOOL& out, BOOL bByName = TRUE);
    int LookHMIData(WORD item, DWORD& out, BOOL bByName = TRUE);
    int LookHMIData(WORD item, float& out, BOOL bByName = TRUE);
    // Decimal places of real values: the byte item's value, above 5 gives 3; no item gives 3.
    int GetDecimals(WORD decimalsItem);
    // "%.<n>f" of a value.
    static std::string FormatValue(float value, int decimals);
    // Text of a real item for display, or "????" when the data is not good or the value has
    // not been delivered yet; false when the display should keep its previous text (lookup
    // unsuccessful, or the item was just written and shows what was entered).
    bool FormatItem(WORD item, float& value, WORD decimalsItem, std::string& text);
    bool GetUnitText(WORD item, std::string& text);
    // Flag word of an item read by its type code.
    DWORD ReadFlagWord(const FPItemInfo& info) const;
    // The host's status word of the tag: 1 read, 0 the tag cannot be resolved, -1 no answer.
    int ReadHostStatus(uint32_t& status);

    // Write path (1 = done, 0 = failed)
    int WriteData(WORD item, float value, const char* label);
    int WriteData(WORD item, DWORD value, const char* label); // 32-bit action
    int WriteData(WORD item, WORD value, const char* label);  // 16-bit action
    int WriteData(WORD item, BYTE value, const char* label);  // 8-bit switch
    // Float entry from an edit control's text. Nothing is written for an empty text, for the
    // text the edit was given last or a number equal to the current value (no confirmation, no
    // log record); a text that is not a number a float holds is refused and the operator told
    // why; the edit shows the live value again.
    int WriteData(WORD item, HWND edit, const char* label);
    // The old value of a float write as the confirmation and the log show it; "????" when it
    // cannot be read.
    std::string OldValueText(WORD item);
    // Stores the record of a text (reason appended) and clears the reason; false when the log
    // library stored it nowhere.
    bool WriteLog(const char* text);
    // The operation-log record of a text (reason appended, whole); clears nothing.
    tagFPLogRecordW BuildLogRecord(const char* text) const;
    bool IsWritten(WORD item) const;
    // A write is on its way (confirmation open, request being sent).
    bool IsWriting() const { return m_nWriteDepth > 0; }

    // Shows the kept block through ShowData and notes whether it showed good data.
    void ShowBlock();

    // Hooks the faceplate answers
    // Shows the data block (the block-specific refresh).
    virtual void ShowData(BYTE* /*block*/) {}
    // The faceplate is closing or closed: nothing may be sent or logged for it any more.
    virtual bool IsClosing() const { return false; }
    // Hands a write request to the server; 1 when it was taken.
    virtual int SendWrite(const BYTE* request, int length);
    // The decimals item of a real item (0: the default decimals); the written value counts as
    // taken when the block shows it within these decimals.
    virtual WORD DecimalsItemOf(WORD /*item*/) const { return 0; }
    // A written value was not shown by the block after kWriteCheckDeliveries deliveries
    // (taken = false, with the texts of what was written and what the block holds), or a
    // value reported so is shown by the block at last (taken = true).
    virtual void OnWriteChecked(WORD /*item*/, bool /*taken*/, const std::string& /*written*/,
                                const std::string& /*held*/) {}
    // The window that owns the confirmation dialog (its rectangle places it).
    virtual HWND ConfirmOwner() const { return nullptr; }
    // Tells the operator something that needs an answer before going on: a message box owned
    // by the confirmation owner.
    virtual void TellOperator(const std::string& caption, const std::string& text);

protected:
    // The record
    std::string m_strTagName;
    std::string m_strTagDesc;
    std::string m_strModuleFile;
    std::string m_strKeep;
    std::string m_strUserName;
    std::wstring m_strReason; // modification reason as typed, cleared after logging
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
    PFN_FPOpenItem m_pfnOpenItem = nullptr;
    PFN_FPReadStatus m_pfnReadStatus = nullptr;
    PFN_FPHostCall m_pfnHostCall = nullptr;
    PFN_FPGetVariant m_pfnGetVariant = nullptr;
    PFN_FPCheckArea m_pfnCheckArea = nullptr;
    PFN_FPAlarmAck m_pfnAlarmAck = nullptr;
    PFN_FPAlarmState m_pFunAlmState = nullptr;
    COLORREF m_crNormal = fp::kNormalColour;
    BOOL m_bHostMode = FALSE;
    int64_t m_nHandle = 0;
    int m_nOperate = 0;
    BYTE m_bySecurityClass = 0;
    BOOL m_bConfirm = FALSE;
    BOOL m_bTagSecurityConfirm = TRUE;

    // The data
    BYTE* m_pDataBlock = nullptr; // the own copy of the last delivered data area
    std::vector<BYTE> m_dataCopy;
    int m_nReadLength = 0;
    int m_nHeldLength = 0; // image bytes in the kept copy (at m_pDataBlock + header)
    bool m_bStatesShown = false;
    BOOL m_bconnected = FALSE;
    BOOL m_bStatusBad = FALSE;
    BOOL m_nDataGood = TRUE;
    BOOL m_nPrevDataGood = TRUE;
    std::list<WORD> m_listWritten;
    // Confirmed writes whose value the block has not shown yet.
    struct WriteCheck {
        WORD item;
        uint8_t value[8];
        int width;
        bool real;
        int deliveries; // deliveries seen since the write
        bool reported;  // reported as not taken
    };
    std::vector<WriteCheck> m_writeChecks;
    // Watches the next deliveries for the value just written.
    void WatchWrite(WORD item, const void* value, int width, bool real);
    // After a delivery: compares every watched value with the block's.
    void CheckWrites();
    int m_nWriteDepth = 0;

    // Takes a copy of a delivered data area (header and the subscribed length).
    void KeepDelivery(const BYTE* area);

private:
    // The steps every LookHMIData overload shares.
    template <typename T, typename FromVariant, typename FromBlock>
    int Look(WORD item, T& out, BOOL bByName, VARTYPE type, FromVariant fromVariant,
             FromBlock fromBlock);
    template <typename T> int LookBlock(const FPItemInfo& info, T& out);
    int LookVariant(VARTYPE type, VARIANT& value, const FPItemInfo& info);
    // The float write with the new value's text as the confirmation and the log show it.
    int WriteFloat(WORD item, float value, const std::string& newText, const char* label);
    int WriteRaw(WORD item, const void* value, int width, const char* traceKey,
                 const std::string& oldText, const std::string& newText, const char* label,
                 int variant);
    int ConfirmWrite(const FPItemInfo* info, int length, const BYTE* request,
                     const std::string& oldText, const std::string& newText, const char* label,
                     int variant);
    // The reason the operator typed into the confirmation.
    static std::wstring ConfirmedReason(const CKrString& reason);
};
