// Cross-process messages to other operator-station programs, addressed by executable name
// and, optionally, by the logical name of their communication window.
#pragma once

#include "IntercomProtocol.h"

#include <list>

class CCommuWin {
public:
    CCommuWin() = default;
    virtual ~CCommuWin();
    CCommuWin(const CCommuWin&) = delete;
    CCommuWin& operator=(const CCommuWin&) = delete;

    // Operations
    // Sends the message, with a time limit, to the first matching communication window of
    // every process of the program. wParam is not passed on: every message carries the own
    // window (null here) instead. A non-zero low byte of flags appends ".exe" to the program
    // name; a non-empty logicalName restricts the windows to the one named "VorAvo:" +
    // logicalName. Result: the last reply, kResultTimeout at the first time-out (no further
    // process is tried), or kResultNoWindow when no window was reached.
    virtual int SendMessage(const char* programName, UINT msg, WPARAM wParam, LPARAM lParam,
                            unsigned flags, UINT timeoutMs, const char* logicalName);
    // The same, with the caller's wParam passed on as it is (for requests whose wParam
    // carries data of their own).
    virtual int SendMessageEx(const char* programName, UINT msg, WPARAM wParam, LPARAM lParam,
                              unsigned flags, UINT timeoutMs, const char* logicalName);
    // The posting form: posts the message (with the own window as wParam, as SendMessage) to
    // the same windows and returns at once. Result: the number of windows it was posted to,
    // or kResultNoWindow when none took it. The platform refuses to post messages whose
    // parameters point into the sender (WM_COPYDATA): those are sent, never posted.
    virtual int PostMessage(const char* programName, UINT msg, WPARAM wParam, LPARAM lParam,
                            unsigned flags, const char* logicalName);

    // Formats a trace line into a 256-byte buffer (at most 255 characters) and writes it to
    // the debugger output.
    static void DebugPrint(const char* format, ...);

private:
    // Sends with this wParam; the result as SendMessage.
    int Send(const char* programName, UINT msg, WPARAM wParam, LPARAM lParam, unsigned flags,
             UINT timeoutMs, const char* logicalName);

    HWND m_hWnd = nullptr;   // own communication window; this system never creates one
    std::list<HWND> m_cache; // targets remembered between sends; unused here
};
