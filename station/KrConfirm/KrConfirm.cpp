// Exports of KrConfirm.dll. No exception leaves them.
#include "KrConfirm.h"

#include "ConfirmDlg.h"
#include "KrStationConfig.h"
#include "KrToolkit.h"
#include "KrTrace.h"
#include "Text.h"

#include <algorithm>
#include <string>

namespace {
constexpr int kKindWriteConfirmation = 1;
constexpr wchar_t kSecuritySection[] = L"Security";
constexpr wchar_t kClassKeyPrefix[] = L"Class";

// The reason of the last confirmation of each thread, as typed (GetConfirmReasonW).
thread_local std::wstring t_lastReason;
} // namespace

extern "C" int ShowConfirmDlg(const RECT* rect, int /*reserved*/, const char* userName,
                              const char* message, CKrString* reason, int* accepted, HWND owner) {
    if (!message || !reason || !accepted) {
        krtrace::Trace("[KrConfirm] ShowConfirmDlg: null message or result pointer\n");
        return 0;
    }
    t_lastReason.clear();
    try {
        krconfirm::CConfirmDlg dlg(kfw::Widen(userName ? userName : ""), kfw::Widen(message), rect);
        INT_PTR result = dlg.DoModal(owner);
        if (result != IDOK && result != IDCANCEL) {
            krtrace::Trace("[KrConfirm] ShowConfirmDlg: dialog cannot be shown (error %lu)\n",
                           ::GetLastError());
            return 0;
        }
        *accepted = result == IDOK ? 1 : 0;
        // A cancelled change keeps no reason: it must not be logged with a later change.
        *reason = result == IDOK ? kfw::Narrow(dlg.Reason()).c_str() : "";
        if (result == IDOK)
            t_lastReason = dlg.Reason();
        return 1;
    } catch (...) {
        krtrace::Trace("[KrConfirm] ShowConfirmDlg: failed\n");
        return 0;
    }
}

extern "C" int GetConfirmReasonW(wchar_t* reason, int size) {
    const int length = static_cast<int>(t_lastReason.size());
    if (reason && size > 0) {
        int n = std::min(length, size - 1);
        // A cut never keeps the first half of a surrogate pair alone.
        if (n > 0 && n < length && IS_HIGH_SURROGATE(t_lastReason[static_cast<size_t>(n - 1)]))
            --n;
        t_lastReason.copy(reason, static_cast<size_t>(n));
        reason[n] = L'\0';
    }
    return length;
}

extern "C" int CloseDialog(void) {
    try {
        return krconfirm::CConfirmDlg::CloseAll() > 0 ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

extern "C" int GetTagSecurity(int securityClass, int kind, int* answer) {
    if (!answer)
        return 0;
    if (kind != kKindWriteConfirmation) {
        krtrace::Trace("[KrConfirm] GetTagSecurity: unknown question %d\n", kind);
        return 0;
    }
    try {
        std::wstring key = kClassKeyPrefix + std::to_wstring(securityClass);
        std::wstring value = krcfg::ReadIni(kSecuritySection, key.c_str(), L"");
        if (value != L"0" && value != L"1") {
            krtrace::Trace("[KrConfirm] GetTagSecurity: security class %d unknown\n",
                           securityClass);
            return 0;
        }
        *answer = value == L"1" ? 1 : 0;
        return 1;
    } catch (...) {
        return 0;
    }
}
