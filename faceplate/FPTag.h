// One tag as a faceplate knows it, without any window: the copy of the host's open record, the
// delivered data block, value lookup and formatting, the write path and the operation-log
// record. The faceplate dialog owns one, feeds it the deliveries and answers its hooks (Owner);
// a tag without an owner works on its own (it shows nothing and sends nothing).
#pragma once

#include "FPConstants.h"
#include "FPHostApi.h"
#include "KrLogRecord.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

class CKrString;

class CFPTag final {
public:
    // What the tag asks of the one that shows it.
    class Owner {
    public:
        // Shows the data block (the block-specific refresh).
        virtual void ShowData(BYTE* block) = 0;
        // The faceplate is closing or closed: nothing may be sent or logged for it any more.
        virtual bool IsClosing() const = 0;
        // Hands a write request to the server; 1 when it was taken.
        virtual int SendWrite(const BYTE* request, int length) = 0;
        // The decimals item of a real item (0: the default decimals); the written value counts
        // as taken when the block shows it within these decimals.
        virtual WORD DecimalsItemOf(WORD item) const = 0;
        // A written value was not shown by the block after kWriteCheckDeliveries deliveries
        // (taken = false, with the texts of what was written and what the block holds), or a
        // value reported so is shown by the block at last (taken = true).
        virtual void OnWriteChecked(WORD item, bool taken, const std::string& written,
                                    const std::string& held) = 0;
        // The window that owns the confirmation dialog (its rectangle places it).
        virtual HWND ConfirmOwner() const = 0;
        // Tells the operator something that needs an answer before going on.
        virtual void TellOperator(const std::string& caption, const std::string& text) = 0;

    protected:
        ~Owner() = default;
    };

    explicit CFPTag(Owner* owner = nullptr) : m_pOwner(owner) {}
    CFPTag(const CFPTag&) = delete;
    CFPTag& operator=(const CFPTag&) = delete;

    // The record
    // Copies the host's record (texts cut at their fields) and asks the tag's security.
    void CopyRecord(const tagFPOpenPara* para);
    void SetUserName(const std::string& name) { m_strUserName = name; }
    // Host-callback mode: lookups by name go to the host's tag database when the host gave the
    // four callbacks it needs.
    void DetermineHostMode();

    // Attributes
    const std::string& TagName() const { return m_strTagName; }
    const std::string& TagDesc() const { return m_strTagDesc; }
    const std::string& ModuleFile() const { return m_strModuleFile; }
    const FPBlockInfo* BlockInfo() const { return m_pBlock; }
    int BaseAddress() const { return m_nBaseAddress; }
    BOOL IsHostCallbackMode() const { return m_bHostMode; }
    BOOL IsConnected() const { return m_bconnected; }
    BOOL IsDataGood() const { return m_nDataGood; }
    BOOL IsStatusBad() const { return m_bStatusBad; }
    // Data that may be shown as a plant state: delivered, connected and not reported bad.
    bool HasGoodData() const { return m_pDataBlock && m_bconnected && !m_bStatusBad; }
    // Good data, and the last display pass ran on it with the whole subscribed image: boxes
    // and switches show the block's states, so input composed from them is the block's.
    // False from a loss of data (or a longer subscription) until such a display again.
    bool StatesShown() const { return HasGoodData() && m_bStatesShown; }
    // The item descriptor of an item, or null when the block or the item map lacks it.
    const FPItemInfo* FindItem(WORD item) const;

    // The data
    // Bytes of the block image the subscription asks for.
    void SetReadLength(int length) { m_nReadLength = length; }
    // A delivered data area: connected; a copy of it is kept (header and the subscribed
    // length) and every write still watched is compared with it.
    void TakeDelivery(const BYTE* area);
    // No delivery for too long.
    void LinkLost() { m_bconnected = FALSE; }
    void SetStatusBad(BOOL bad) { m_bStatusBad = bad; }
    // Whether the data is good now (connected, not reported bad); SetDataGood records it,
    // keeping the previous state.
    BOOL LinkGood() const { return m_bconnected && !m_bStatusBad; }
    void SetDataGood(BOOL good) {
        m_nPrevDataGood = m_nDataGood;
        m_nDataGood = good;
    }
    // Shows the kept block through the owner and notes whether it showed good data.
    void ShowBlock();

    // Value lookup (1 = output valid or left unchanged by rule, 0 = no value)
    int LookHMIData(WORD item, BYTE& out, BOOL bByName = TRUE);
    int LookHMIData(WORD item, BOOL& out, BOOL bByName = TRUE);
    int LookHMIData(WORD item, DWORD& out, BOOL bByName = TRUE);
    int LookHMIData(WORD item, float& out, BOOL bByName = TRUE);
    // Text of a real item for display, or "????" when the data is not good or the value has
    // not been delivered yet; false when the display should keep its previous text (lookup
    // unsuccessful, or the item was just written and shows what was entered).
    bool FormatItem(WORD item, float& value, WORD decimalsItem, std::string& text);
    bool GetUnitText(WORD item, std::string& text);
    // Flag word of an item read by its type code.
    DWORD ReadFlagWord(const FPItemInfo& info) const;

    // The host's tag database
    // Resolves a name to a handle (the last positive one is kept); the callback's result.
    int OpenHostItem(const char* name, int64_t& handle);
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
    // Stores the record of a text (the confirmed reason appended) and clears the reason; false
    // when the log library stored it nowhere.
    bool WriteLog(const char* text);
    // The operation-log record of a text with a reason appended (whole).
    tagFPLogRecordW BuildLogRecord(const char* text, const std::wstring& reason) const;
    bool IsWritten(WORD item) const;
    // A write is on its way (confirmation open, request being sent).
    bool IsWriting() const { return m_nWriteDepth > 0; }

private:
    // What the owner answers; without an owner nothing is shown, sent or asked.
    bool IsClosing() const { return m_pOwner && m_pOwner->IsClosing(); }
    // Sends through the owner; a request not taken is traced.
    int SendWrite(const BYTE* request, int length);
    // Traced, and shown by the owner unless it is closing.
    void TellOperator(const std::string& caption, const std::string& text);
    void ReportWriteCheck(WORD item, bool taken, const std::string& written,
                          const std::string& held);

    // The item's value lies within the kept copy.
    bool IsDelivered(const FPItemInfo& info, int width) const;
    const FPItemMapEntry* FindEntry(WORD item) const;
    // Decimal places of real values: the byte item's value, above 5 gives 3; no item gives 3.
    int GetDecimals(WORD decimalsItem);
    // "%.<n>f" of a value.
    static std::string FormatValue(float value, int decimals);
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
    // Watches the next deliveries for the value just written.
    void WatchWrite(WORD item, const void* value, int width, bool real);
    // After a delivery: compares every watched value with the block's.
    void CheckWrites();

    Owner* m_pOwner;

    // The record
    std::string m_strTagName;
    std::string m_strTagDesc;
    std::string m_strModuleFile;
    std::string m_strKeep; // kept from the record, not used
    std::string m_strUserName;
    std::wstring m_strReason; // modification reason as typed, cleared after logging
    const FPBlockInfo* m_pBlock = nullptr;
    int m_nBaseAddress = 0;
    const FPUnitMap* m_pUnitMap = nullptr;
    int m_nConfirmHold = 0; // kept from the record, not used
    PFN_FPOpenItem m_pfnOpenItem = nullptr;
    PFN_FPReadStatus m_pfnReadStatus = nullptr;
    PFN_FPHostCall m_pfnHostCall = nullptr;
    PFN_FPGetVariant m_pfnGetVariant = nullptr;
    BOOL m_bHostMode = FALSE;
    int64_t m_nHandle = 0; // the last positive handle the host gave
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
    int m_nWriteDepth = 0;
};
