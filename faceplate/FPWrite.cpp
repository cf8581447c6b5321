// Write path: request, confirmation, sending, local update and the operation log.
#include "FPTag.h"

#include "CommProtocol.h"

#include "FPEntry.h"
#include "FPText.h"
#include "KrConfirm.h"
#include "KrLogLib.h"
#include "KrToolkit.h"

#include "Text.h"
#include "Trace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace fp;
using kfw::Trace;

namespace {
enum ConfirmVariant { kStandard, kAction, kSwitch };
// Room in a record for the longest operation text, the reason's lead-in and the longest reason.
constexpr size_t kReasonLeadInChars = 64;
static_assert(fp::kLogTextSize + kReasonLeadInChars + kKrMaxReasonChars <= kLogRecordTextChars,
              "a record holds the whole reason");
constexpr size_t kDataHeader = commproto::kDataHeaderSize;
} // namespace

bool CFPTag::IsWritten(WORD item) const {
    return std::find(m_listWritten.begin(), m_listWritten.end(), item) != m_listWritten.end();
}

int CFPTag::WriteData(WORD item, float value, const char* label) {
    return WriteFloat(item, value, ExactValueText(value), label);
}

int CFPTag::WriteFloat(WORD item, float value, const std::string& newText, const char* label) {
    if (!m_bconnected)
        return 0;
    m_listWritten.remove(item);
    TraceKey(key::WriteFloat, "sd", m_strTagName.c_str(), static_cast<int>(item));
    return WriteRaw(item, &value, 4, nullptr, OldValueText(item), newText, label, kStandard);
}

std::string CFPTag::OldValueText(WORD item) {
    float old = 0.0f;
    // An old value that cannot be read is shown and logged as unknown, never as 0.
    return LookHMIData(item, old, FALSE) ? ExactValueText(old) : std::string(kTextUnavailable);
}

int CFPTag::WriteData(WORD item, DWORD value, const char* label) {
    if (!m_bconnected)
        return 0;
    m_listWritten.remove(item);
    TraceKey(key::WriteAction32, "sd", m_strTagName.c_str(), static_cast<int>(item));
    return WriteRaw(item, &value, 4, nullptr, "", "", label, kAction);
}

int CFPTag::WriteData(WORD item, WORD value, const char* label) {
    if (!m_bconnected)
        return 0;
    m_listWritten.remove(item);
    TraceKey(key::WriteAction16, "sd", m_strTagName.c_str(), static_cast<int>(item));
    return WriteRaw(item, &value, 2, nullptr, "", "", label, kAction);
}

int CFPTag::WriteData(WORD item, BYTE value, const char* label) {
    if (!m_bconnected)
        return 0;
    m_listWritten.remove(item);
    TraceKey(key::WriteSwitch, "sd", m_strTagName.c_str(), static_cast<int>(item));
    return WriteRaw(item, &value, 1, "[FP_BASE]:WriteData ConfirmWrite\n", "", "", label, kSwitch);
}

int CFPTag::WriteRaw(WORD item, const void* value, int width, const char* traceKey,
                     const std::string& oldText, const std::string& newText, const char* label,
                     int variant) {
    if (IsClosing())
        return 0;
    const FPItemInfo* info = FindItem(item);
    if (!info)
        return 1;
    uint8_t request[commproto::kMaxItemPayload] = {};
    uint32_t address = static_cast<uint32_t>(m_nBaseAddress) + info->wOffset;
    int length = static_cast<int>(
        commproto::BuildItemPayload(request, address, value, static_cast<unsigned>(width)));
    const char* safeLabel = label ? label : "";
    if (traceKey)
        kfw::TraceText(traceKey);
    int confirmed = 0;
    {
        // While the operator is asked, a clicked box keeps its toggled state.
        struct Depth {
            int& n;
            explicit Depth(int& d) : n(d) { ++n; }
            ~Depth() { --n; }
        } depth(m_nWriteDepth);
        confirmed = ConfirmWrite(info, length, request, oldText, newText, safeLabel, variant);
    }
    if (!confirmed) {
        if (variant == kSwitch)
            kfw::TraceText("[FP_BASE]:WriteData ConfirmWrite  return FALSE\n");
        // Cancelled, refused or failed: every box and switch shows the block's state again
        // before the next input is taken.
        if (m_pDataBlock && !IsClosing())
            ShowBlock();
        return 0;
    }
    if (m_pDataBlock && !IsClosing()) {
        // Show the new value at once, before the next refresh; only within what the copy holds.
        if (IsDelivered(*info, width))
            std::memcpy(m_pDataBlock + kDataHeader + info->wOffset, value,
                        static_cast<size_t>(width));
        ShowBlock();
    }
    if (!IsWritten(item))
        m_listWritten.push_back(item);
    WatchWrite(item, value, width, variant == kStandard);
    return 1;
}

void CFPTag::WatchWrite(WORD item, const void* value, int width, bool real) {
    WriteCheck check{item, {}, width, real, 0, false};
    std::memcpy(check.value, value, static_cast<size_t>(std::min(width, 8)));
    // A new write of the item replaces the older one and its report.
    auto old = std::find_if(m_writeChecks.begin(), m_writeChecks.end(),
                            [&](const WriteCheck& c) { return c.item == item; });
    if (old != m_writeChecks.end()) {
        if (old->reported)
            ReportWriteCheck(item, true, "", "");
        m_writeChecks.erase(old);
    }
    m_writeChecks.push_back(check);
}

void CFPTag::CheckWrites() {
    if (!HasGoodData())
        return;
    for (auto it = m_writeChecks.begin(); it != m_writeChecks.end();) {
        const FPItemInfo* info = FindItem(it->item);
        if (!info || !IsDelivered(*info, it->width)) {
            ++it;
            continue;
        }
        const BYTE* held = m_pDataBlock + kDataHeader + info->wOffset;
        bool same = false;
        std::string writtenText, heldText;
        if (it->real) {
            float w = 0, h = 0;
            std::memcpy(&w, it->value, 4);
            std::memcpy(&h, held, 4);
            const int decimals = GetDecimals(m_pOwner ? m_pOwner->DecimalsItemOf(it->item) : 0);
            same = std::fabs(static_cast<double>(w) - h) <= 0.5 * std::pow(10.0, -decimals);
            writtenText = FormatValue(w, decimals);
            heldText = FormatValue(h, decimals);
        } else if (it->width == 1) {
            // A switch is on when non-zero.
            same = (it->value[0] != 0) == (held[0] != 0);
            writtenText = std::to_string(it->value[0]);
            heldText = std::to_string(held[0]);
        } else {
            same = std::memcmp(it->value, held, static_cast<size_t>(it->width)) == 0;
            uint32_t w = 0, h = 0;
            std::memcpy(&w, it->value, static_cast<size_t>(std::min(it->width, 4)));
            std::memcpy(&h, held, static_cast<size_t>(std::min(it->width, 4)));
            char text[16];
            snprintf(text, sizeof text, "0x%X", w);
            writtenText = text;
            snprintf(text, sizeof text, "0x%X", h);
            heldText = text;
        }
        if (same) {
            if (it->reported)
                ReportWriteCheck(it->item, true, writtenText, heldText);
            it = m_writeChecks.erase(it);
            continue;
        }
        if (++it->deliveries == kWriteCheckDeliveries && !it->reported) {
            it->reported = true;
            Trace("[FP_BASE] %s.%s: written %s, the block holds %s after %d deliveries: not "
                  "taken by the controller\n",
                  m_strTagName.c_str(), info->pszName ? info->pszName : "", writtenText.c_str(),
                  heldText.c_str(), kWriteCheckDeliveries);
            ReportWriteCheck(it->item, false, writtenText, heldText);
        }
        ++it;
    }
}

void CFPTag::ReportWriteCheck(WORD item, bool taken, const std::string& written,
                              const std::string& held) {
    if (m_pOwner)
        m_pOwner->OnWriteChecked(item, taken, written, held);
}

int CFPTag::SendWrite(const BYTE* request, int length) {
    if (m_pOwner && m_pOwner->SendWrite(request, length))
        return 1;
    kfw::TraceText("[FB_BASE]:m_Commu.Write FAIL\n");
    return 0;
}

int CFPTag::ConfirmWrite(const FPItemInfo* info, int length, const BYTE* request,
                         const std::string& oldText, const std::string& newText, const char* label,
                         int variant) {
    if (!info)
        return 0;
    bool needed = (info->bNeedConfirm || m_bTagSecurityConfirm) && m_bConfirm;
    bool standard = variant == kStandard;
    if (needed && !(standard && newText.empty())) {
        std::string message =
            standard ? Format(key::ConfirmStandard, "sss", (m_strTagName + "." + label).c_str(),
                              oldText.c_str(), newText.c_str())
                     : Format(key::ConfirmAction, "ss", m_strTagName.c_str(), label);
        kfw::TraceText("[FP_BASE]:ConfirmWrite NeedComfirm\n");
        RECT rc{};
        HWND owner = m_pOwner ? m_pOwner->ConfirmOwner() : nullptr;
        if (owner)
            ::GetWindowRect(owner, &rc);
        CKrString reason;
        int accepted = 0;
        if (!ShowConfirmDlg(&rc, 0, m_strUserName.c_str(), message.c_str(), &reason, &accepted,
                            owner)) {
            kfw::TraceText("[FB_BASE]:ConfirmDlg Create Fail\n");
            return 0;
        }
        // The host may have closed the faceplate while the operator was asked: nothing of this
        // write may reach the server or the log then.
        if (IsClosing()) {
            kfw::TraceText("[FP_BASE]:ConfirmWrite faceplate closed during confirmation\n");
            m_strReason.clear();
            return 0;
        }
        m_strReason = ConfirmedReason(reason);
        if (!accepted) {
            kfw::TraceText("[FP_BASE]:ConfirmWrite cancle\n");
            m_strReason.clear();
            return 0;
        }
    }
    if (standard && newText.empty()) {
        // Nothing to record: sent as it is.
        m_strReason.clear();
        return SendWrite(request, length) ? 1 : 0;
    }

    const char* tag = m_strTagName.c_str();
    const char* desc = m_strTagDesc.c_str();
    std::string text;
    if (standard)
        text = m_strTagDesc.empty() ? FormatN(kLogTextSize, key::LogStandard, "ssss", tag, label,
                                              oldText.c_str(), newText.c_str())
                                    : FormatN(kLogTextSize, key::LogStandardDesc, "sssss", tag,
                                              label, desc, oldText.c_str(), newText.c_str());
    else if (variant == kAction)
        text = m_strTagDesc.empty()
                   ? FormatN(kLogTextSize, key::LogAction, "ss", tag, label)
                   : FormatN(kLogTextSize, key::LogActionDesc, "sss", tag, desc, label);
    else
        text = m_strTagDesc.empty()
                   ? FormatN(kLogTextSize, key::LogSwitch, "ss", tag, label)
                   : FormatN(kLogTextSize, key::LogSwitchDesc, "sss", tag, desc, label);
    // The record is secured before the change is sent: no change reaches the plant without it.
    const std::string point = m_strTagName + "." + label;
    if (!WriteLog(text.c_str())) {
        TellOperator(m_strTagName, Format(key::WriteNotRecorded, "s", point.c_str()));
        return 0;
    }
    if (!SendWrite(request, length)) {
        // The log already holds the change: a second record says that it was not made.
        if (!WriteLog(Format(key::LogNotSent, "s", text.c_str()).c_str()))
            kfw::TraceText("[FP_BASE]:ConfirmWrite the record of the unsent write stands alone\n");
        TellOperator(m_strTagName, Format(key::WriteNotSent, "s", point.c_str()));
        return 0;
    }
    if (int waiting = kr_LogPending())
        TellOperator(m_strTagName, Format(key::LogWaiting, "d", waiting));
    return 1;
}

std::wstring CFPTag::ConfirmedReason(const CKrString& reason) {
    // The reason as typed (any Unicode text); the 8-bit copy only when the dialog has none.
    int length = GetConfirmReasonW(nullptr, 0);
    if (length > 0) {
        std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
        wide.resize(static_cast<size_t>(GetConfirmReasonW(wide.data(), length + 1)));
        return wide;
    }
    const char* typed = reason;
    return kfw::Widen(typed ? typed : "");
}

namespace {
// A UTF-16 text into a fixed field, terminated, never cut between the halves of a pair.
template <size_t N> void CopyWideField(wchar_t (&field)[N], const std::wstring& text) {
    size_t n = std::min(text.size(), N - 1);
    if (n > 0 && n < text.size() && IS_HIGH_SURROGATE(text[n - 1]))
        --n;
    text.copy(field, n);
    field[n] = L'\0';
}
} // namespace

tagFPLogRecordW CFPTag::BuildLogRecord(const char* text, const std::wstring& reason) const {
    tagFPLogRecordW record;
    std::memset(&record, 0, sizeof record);
    record.nKind = 2; // a faceplate operation

    // Source: the module file name between the first '_' and the first '.', then its suffix.
    std::string source = m_strModuleFile;
    size_t underscore = m_strModuleFile.find('_');
    size_t dot = m_strModuleFile.find('.');
    if (underscore != std::string::npos && dot != std::string::npos && dot > underscore + 1)
        source =
            m_strModuleFile.substr(underscore + 1, dot - underscore - 1) + Text(key::LogSource);

    // The reason is appended whole, as typed: the field holds the longest operation text and
    // the longest reason the confirmation accepts.
    std::wstring line = kfw::Widen(text ? text : "");
    if (!reason.empty())
        line += kfw::Widen(Text(key::LogReason)) + reason;

    CopyWideField(record.szCategory, kfw::Widen(Text(key::LogCategory)));
    CopyWideField(record.szSource, kfw::Widen(source));
    CopyWideField(record.szUser, kfw::Widen(m_strUserName));
    CopyWideField(record.szText, line);
    return record;
}

bool CFPTag::WriteLog(const char* text) {
    tagFPLogRecordW record = BuildLogRecord(text, m_strReason);
    TraceKey(key::WriteLog, "s", kfw::Narrow(record.szText).c_str());
    bool stored = kr_WriteLogW(&record) != 0;
    if (!stored)
        kfw::TraceText("[FP_BASE] CFP_PIDDlg::WriteLog () kr_WriteLog() fail\n");
    m_strReason.clear();
    return stored;
}
