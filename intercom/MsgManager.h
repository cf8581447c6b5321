// Tag requests to other operator-station programs: the faceplate's current, adjust and flow
// buttons address the operator centre's task-centre window, its alarm button the alarm view.
#pragma once

#include "CommuWin.h"

#include <string>

class CMsgManager {
public:
    CMsgManager() = default;
    virtual ~CMsgManager() = default;
    CMsgManager(const CMsgManager&) = delete;
    CMsgManager& operator=(const CMsgManager&) = delete;

    // Operations
    // The window that owns the message boxes the manager shows (the faceplate), so that they
    // stay in front of it; null until set.
    void SetOwner(HWND owner) { m_hOwner = owner; }
    // Sends the request `code` about the tag as a 34-byte WM_COPYDATA record: to the alarm
    // view for kRequestAlarm, else to the operator centre's task-centre window `taskCenter`.
    // Result: the target's reply, kResultTimeout, kResultNoWindow (after telling the operator
    // in a message box), or 0 when refused (tag name null or longer than 33 characters).
    int Send(const char* tagName, ULONG_PTR code, int taskCenter);

    // The four requests; each returns true whatever the outcome.
    bool RequestCurrent(const char* tagName, int taskCenter); // 110, operator centre
    bool RequestAdjust(const char* tagName, int taskCenter);  // 111, operator centre
    bool RequestFlow(const char* tagName, int taskCenter);    // 112, operator centre
    bool RequestAlarm(const char* tagName, int taskCenter);   // 113, alarm view; number unused

    // The logical name of task-centre window `taskCenter`: "TaskCenter" or "TaskCenter<n>".
    static std::string TaskCenterName(int taskCenter);

private:
    CCommuWin m_CommuWin;
    HWND m_hOwner = nullptr;
};
