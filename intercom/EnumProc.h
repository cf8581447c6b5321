// Iterators over the processes of the machine, the modules of one process and the top-level
// windows of one process. The communication windows use them to turn a program name into the
// communication windows of that program.
#pragma once

#include "IntercomProtocol.h"

#include <vector>

// The platform's process and module enumerations (EnumProcesses, EnumProcessModules); tests
// pass their own. Sizes are in bytes, as the platform's functions take them.
using EnumProcessesSource = BOOL(WINAPI*)(DWORD* ids, DWORD bytes, DWORD* bytesReturned);
using EnumModulesSource = BOOL(WINAPI*)(HANDLE process, HMODULE* modules, DWORD bytes,
                                        DWORD* bytesNeeded);

class CProcessList {
public:
    explicit CProcessList(EnumProcessesSource source = nullptr);

    // Enumerates the processes and returns the first id; 0 when there is none. The list's
    // first entry (the idle process, id 0) is skipped.
    DWORD First();
    // The next id; 0 when exhausted.
    DWORD Next();
    int GetCount() const { return m_nCount; }

private:
    EnumProcessesSource m_source;
    std::vector<DWORD> m_ids;
    int m_nCount = 0;
    int m_nCurrent = -1; // -1 before enumeration
};

class CModuleList {
public:
    // Opens the process for reading its modules; a process that cannot be opened has none.
    explicit CModuleList(DWORD processId, EnumModulesSource source = nullptr);
    ~CModuleList();
    CModuleList(const CModuleList&) = delete;
    CModuleList& operator=(const CModuleList&) = delete;

    // The first module (the executable); null when there is none.
    HMODULE First();
    HMODULE Next();
    HANDLE GetProcess() const { return m_hProcess; }

private:
    EnumModulesSource m_source;
    HANDLE m_hProcess = nullptr;
    std::vector<HMODULE> m_modules;
    int m_nCount = 0;
    int m_nCurrent = -1;
};

// The top-level windows of one process that a filter accepts, at most `capacity` of them.
class CTopWindowList {
public:
    CTopWindowList(DWORD processId, int capacity);
    virtual ~CTopWindowList() = default;

    // Enumerates every top-level window through OnWindow, then returns the first collected
    // one; null when none.
    HWND First();
    HWND Next();
    int GetCount() const { return m_nCount; }

protected:
    // Whether the window is collected.
    virtual bool OnWindow(HWND hwnd);
    DWORD m_dwProcessId;

private:
    static BOOL CALLBACK EnumProc(HWND hwnd, LPARAM lp);
    std::vector<HWND> m_windows;
    int m_nCapacity;
    int m_nCount = 0;
    int m_nCurrent = -1;
};

// The communication windows ("qxCommuWClass") of one process.
class CCommuWindowList : public CTopWindowList {
public:
    explicit CCommuWindowList(DWORD processId, int capacity = icproto::kWindowListCapacity)
        : CTopWindowList(processId, capacity) {}

protected:
    bool OnWindow(HWND hwnd) override;
};
