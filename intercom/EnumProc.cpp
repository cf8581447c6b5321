#include "EnumProc.h"

#include <psapi.h>

#include <cstring>

namespace {

// Asks `ask(buffer, bytes, &bytesBack)` for a list with room for kInitialListRoom entries and
// doubles the room while the answer fills it. Returns the number of entries; a failed
// enumeration gives an empty list.
template <typename T, typename Ask> int EnumGrowing(std::vector<T>& list, Ask ask) {
    DWORD room = icproto::kInitialListRoom;
    for (;;) {
        list.assign(room, T());
        DWORD bytes = 0;
        if (!ask(list.data(), static_cast<DWORD>(room * sizeof(T)), &bytes)) {
            list.clear();
            return 0;
        }
        DWORD count = bytes / sizeof(T);
        if (count < room)
            return static_cast<int>(count);
        if (room >= icproto::kMaxListRoom)
            return static_cast<int>(room);
        room *= 2;
    }
}

BOOL WINAPI PlatformEnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytesReturned) {
    return ::EnumProcesses(ids, bytes, bytesReturned);
}

BOOL WINAPI PlatformEnumModules(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* bytesNeeded) {
    return ::EnumProcessModules(process, modules, bytes, bytesNeeded);
}

} // namespace

// ---- CProcessList ----

CProcessList::CProcessList(EnumProcessesSource source)
    : m_source(source ? source : PlatformEnumProcesses) {}

DWORD CProcessList::First() {
    m_nCount = EnumGrowing(
        m_ids, [this](DWORD* ids, DWORD bytes, DWORD* back) { return m_source(ids, bytes, back); });
    // The first entry is the idle process (id 0): iteration starts at the second.
    m_nCurrent = 0;
    return Next();
}

DWORD CProcessList::Next() {
    if (m_nCurrent < 0 || m_nCurrent + 1 >= m_nCount)
        return 0;
    return m_ids[++m_nCurrent];
}

// ---- CModuleList ----

CModuleList::CModuleList(DWORD processId, EnumModulesSource source)
    : m_source(source ? source : PlatformEnumModules) {
    m_hProcess = ::OpenProcess(icproto::kProcessOpenRights, FALSE, processId);
}

CModuleList::~CModuleList() {
    if (m_hProcess)
        ::CloseHandle(m_hProcess);
}

HMODULE CModuleList::First() {
    m_nCount = 0;
    m_nCurrent = -1;
    if (!m_hProcess)
        return nullptr;
    m_nCount = EnumGrowing(m_modules, [this](HMODULE* modules, DWORD bytes, DWORD* back) {
        return m_source(m_hProcess, modules, bytes, back);
    });
    return Next();
}

HMODULE CModuleList::Next() {
    if (m_nCurrent + 1 >= m_nCount)
        return nullptr;
    return m_modules[++m_nCurrent];
}

// ---- CTopWindowList ----

CTopWindowList::CTopWindowList(DWORD processId, int capacity)
    : m_dwProcessId(processId), m_nCapacity(capacity > 0 ? capacity : 0) {}

bool CTopWindowList::OnWindow(HWND hwnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    return pid == m_dwProcessId;
}

BOOL CALLBACK CTopWindowList::EnumProc(HWND hwnd, LPARAM lp) {
    auto* self = reinterpret_cast<CTopWindowList*>(lp);
    if (self->m_nCount >= self->m_nCapacity)
        return FALSE; // full: windows beyond the capacity are not collected
    if (self->OnWindow(hwnd))
        self->m_windows[self->m_nCount++] = hwnd;
    return TRUE;
}

HWND CTopWindowList::First() {
    m_windows.assign(m_nCapacity, nullptr);
    m_nCount = 0;
    m_nCurrent = -1;
    if (m_nCapacity > 0)
        ::EnumWindows(EnumProc, reinterpret_cast<LPARAM>(this));
    return Next();
}

HWND CTopWindowList::Next() {
    if (m_nCurrent + 1 >= m_nCount)
        return nullptr;
    return m_windows[++m_nCurrent];
}

// ---- CCommuWindowList ----

bool CCommuWindowList::OnWindow(HWND hwnd) {
    if (!CTopWindowList::OnWindow(hwnd))
        return false;
    char className[icproto::kNameBufferSize] = {};
    ::GetClassNameA(hwnd, className, static_cast<int>(sizeof className));
    return strcmp(className, icproto::kCommuWindowClass) == 0;
}
