#include "CommuWin.h"

#include "EnumProc.h"
#include "Trace.h"

#include <psapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

using namespace icproto;

CCommuWin::~CCommuWin() {
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    m_cache.clear();
}

void CCommuWin::DebugPrint(const char* format, ...) {
    if (!format)
        return;
    char line[kDebugBufferSize];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0)
        return;
    kfw::TraceText(line);
}

namespace {

// Whether the first module of the process has the base name `exeName` (case ignored).
bool IsProgram(DWORD pid, const std::string& exeName) {
    CModuleList modules(pid);
    HMODULE exe = modules.First();
    if (!exe)
        return false;
    char baseName[MAX_PATH] = {};
    if (!::GetModuleBaseNameA(modules.GetProcess(), exe, baseName, sizeof baseName))
        return false;
    return _stricmp(baseName, exeName.c_str()) == 0;
}

// Calls visit(window) for the first communication window of every process of the program
// (with the logical name, when one is given), until a visit returns false.
template <typename Visit>
void ForEachTarget(const char* programName, unsigned flags, const char* logicalName, Visit visit) {
    if (!programName || !*programName)
        return;
    std::string exeName = programName;
    if (flags & kFlagAppendExeMask)
        exeName += kExeSuffix;
    std::string windowText;
    const bool byName = logicalName && *logicalName;
    if (byName)
        windowText = std::string(kCommuWindowPrefix) + logicalName;

    CProcessList processes;
    for (DWORD pid = processes.First(); pid; pid = processes.Next()) {
        if (!IsProgram(pid, exeName))
            continue;
        CCommuWindowList windows(pid);
        for (HWND target = windows.First(); target; target = windows.Next()) {
            if (!::IsWindow(target))
                continue;
            if (byName) {
                char text[kNameBufferSize] = {};
                ::GetWindowTextA(target, text, static_cast<int>(sizeof text));
                if (windowText != text)
                    continue;
            }
            if (!visit(target))
                return;
            break;
        }
    }
}

} // namespace

int CCommuWin::SendMessage(const char* programName, UINT msg, WPARAM /*wParam*/, LPARAM lParam,
                           unsigned flags, UINT timeoutMs, const char* logicalName) {
    return Send(programName, msg, reinterpret_cast<WPARAM>(m_hWnd), lParam, flags, timeoutMs,
                logicalName);
}

int CCommuWin::SendMessageEx(const char* programName, UINT msg, WPARAM wParam, LPARAM lParam,
                             unsigned flags, UINT timeoutMs, const char* logicalName) {
    return Send(programName, msg, wParam, lParam, flags, timeoutMs, logicalName);
}

int CCommuWin::Send(const char* programName, UINT msg, WPARAM wParam, LPARAM lParam, unsigned flags,
                    UINT timeoutMs, const char* logicalName) {
    int result = kResultNoWindow;
    ForEachTarget(programName, flags, logicalName, [&](HWND target) {
        DWORD_PTR reply = 0;
        ::SetLastError(0);
        LRESULT sent = ::SendMessageTimeoutA(target, msg, wParam, lParam, kSendTimeoutFlags,
                                             timeoutMs, &reply);
        DWORD error = ::GetLastError();
        DebugPrint("[CommuWin]SendMessage %d to %s:hwnd = %x,ret=%d,dwResult=%d,Error=%d\n",
                   static_cast<int>(msg), programName,
                   static_cast<unsigned>(reinterpret_cast<UINT_PTR>(target)),
                   static_cast<int>(sent), static_cast<int>(reply), static_cast<int>(error));
        if (!sent && error == kErrorSendTimeout) {
            DebugPrint("[CommuWin]Send message to %s timeout\n", programName);
            result = kResultTimeout;
            return false;
        }
        // A window that vanished before the send was not reached: its 0 is no reply.
        if (sent)
            result = static_cast<int>(reply);
        return true;
    });
    return result;
}

int CCommuWin::PostMessage(const char* programName, UINT msg, WPARAM /*wParam*/, LPARAM lParam,
                           unsigned flags, const char* logicalName) {
    int posted = 0;
    ForEachTarget(programName, flags, logicalName, [&](HWND target) {
        ::SetLastError(0);
        BOOL ok = ::PostMessageA(target, msg, reinterpret_cast<WPARAM>(m_hWnd), lParam);
        DWORD error = ::GetLastError();
        DebugPrint("[CommuWin]PostMessage %d to %s:hwnd = %x,ret=%d,Error=%d\n",
                   static_cast<int>(msg), programName,
                   static_cast<unsigned>(reinterpret_cast<UINT_PTR>(target)), static_cast<int>(ok),
                   static_cast<int>(ok ? 0 : error));
        posted += ok ? 1 : 0;
        return true;
    });
    return posted > 0 ? posted : kResultNoWindow;
}
