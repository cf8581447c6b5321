#include "MsgManager.h"

#include "KrToolkit.h"
#include "Text.h"
#include "Trace.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace icproto;

std::string CMsgManager::TaskCenterName(int taskCenter) {
    if (taskCenter == 0)
        return kTaskCenterName;
    char name[kNameBufferSize];
    snprintf(name, sizeof name, kTaskCenterNameFormat, taskCenter);
    return name;
}

int CMsgManager::Send(const char* tagName, ULONG_PTR code, int taskCenter) {
    if (!tagName)
        return 0;
    if (strlen(tagName) > kMaxRequestTagLength) {
        kfw::TraceText("[MsgManager] Tag name is too long ,Send failed\n");
        return 0;
    }
    char record[kRequestRecordSize] = {};
    memcpy(record, tagName, strlen(tagName));

    COPYDATASTRUCT data{};
    data.dwData = code;
    data.cbData = kRequestRecordSize;
    data.lpData = record;
    const LPARAM lp = reinterpret_cast<LPARAM>(&data);

    int result;
    if (code == kRequestAlarm) {
        result = m_CommuWin.SendMessage(kAlarmViewProgram, WM_COPYDATA, 0, lp, kFlagAppendExe,
                                        kRequestTimeoutMs, nullptr);
    } else {
        const std::string window = TaskCenterName(taskCenter);
        result = m_CommuWin.SendMessage(kOperatorCentreProgram, WM_COPYDATA, 0, lp, kFlagAppendExe,
                                        kRequestTimeoutMs, window.c_str());
    }
    if (result == kResultNoWindow) {
        const std::wstring text = kfw::Widen(CKrStringDBWrapper::GetString(kNotAvailableKey));
        // A box without an owner can open behind a topmost faceplate, out of the operator's
        // sight; an owner that is gone by now leaves it without one.
        HWND owner = m_hOwner && ::IsWindow(m_hOwner) ? m_hOwner : nullptr;
        ::MessageBoxW(owner, text.c_str(), L"", MB_OK | MB_ICONWARNING);
    }
    return result;
}

bool CMsgManager::RequestCurrent(const char* tagName, int taskCenter) {
    Send(tagName, kRequestCurrent, taskCenter);
    return true;
}

bool CMsgManager::RequestAdjust(const char* tagName, int taskCenter) {
    Send(tagName, kRequestAdjust, taskCenter);
    return true;
}

bool CMsgManager::RequestFlow(const char* tagName, int taskCenter) {
    Send(tagName, kRequestFlow, taskCenter);
    return true;
}

bool CMsgManager::RequestAlarm(const char* tagName, int /*taskCenter*/) {
    Send(tagName, kRequestAlarm, 0);
    return true;
}
