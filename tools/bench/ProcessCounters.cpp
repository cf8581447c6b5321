#include "ProcessCounters.h"

#include <tlhelp32.h>

#include <vector>

namespace bench {
namespace {

// Handle values are multiples of four; a scan ends after this many unused values in a row
// past the last handle found.
constexpr uintptr_t kHandleStep = 4;
constexpr uintptr_t kHandleGapLimit = 4096;
constexpr uintptr_t kHandleValueLimit = 0x01000000;
// The GDI handle table has at most this many entries; its index is the low word of a handle.
constexpr uintptr_t kGdiTableSize = 0x10000;
constexpr int kCheckObjects = 10;
constexpr SIZE_T kCheckPage = 4096;

double FileTimeMs(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

void CountTree(HWND hwnd, long& count) {
    ++count;
    ::EnumChildWindows(hwnd, CountChild, reinterpret_cast<LPARAM>(&count));
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM count) {
    CountTree(hwnd, *reinterpret_cast<long*>(count));
    return TRUE;
}

} // namespace

long CountHandles() {
    DWORD count = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count > 0)
        return static_cast<long>(count);
    long found = 0;
    uintptr_t last = 0;
    for (uintptr_t value = kHandleStep;
         value < kHandleValueLimit && value - last <= kHandleGapLimit; value += kHandleStep) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++found;
            last = value;
        }
    }
    return found;
}

long CountGdiObjects() {
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<long>(n);
    long found = 0;
    for (uintptr_t index = 1; index < kGdiTableSize; ++index)
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0)
            ++found;
    return found;
}

long CountWindows() {
    long count = 0;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        THREADENTRY32 entry{sizeof entry};
        for (BOOL ok = ::Thread32First(snapshot, &entry); ok; ok = ::Thread32Next(snapshot, &entry))
            if (entry.th32OwnerProcessID == ::GetCurrentProcessId())
                ::EnumThreadWindows(entry.th32ThreadID, CountTopLevel,
                                    reinterpret_cast<LPARAM>(&count));
        ::CloseHandle(snapshot);
    }
    // Message-only windows are not top-level windows of their thread.
    for (HWND hwnd = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); hwnd;
         hwnd = ::FindWindowExW(HWND_MESSAGE, hwnd, nullptr, nullptr)) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid == ::GetCurrentProcessId())
            CountTree(hwnd, count);
    }
    return count;
}

uint64_t CommittedBytes() {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (auto* address = static_cast<BYTE*>(nullptr);
         ::VirtualQuery(address, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT)
            total += info.RegionSize;
        BYTE* next = static_cast<BYTE*>(info.BaseAddress) + info.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return total;
}

ResourceCounts CountResources() {
    return ResourceCounts{CountHandles(), CountGdiObjects(), CountWindows(), CommittedBytes()};
}

bool CheckCounters(std::string& report) {
    const ResourceCounts before = CountResources();
    std::vector<HANDLE> events;
    std::vector<HBRUSH> brushes;
    std::vector<HWND> windows;
    std::vector<void*> pages;
    for (int i = 0; i < kCheckObjects; ++i) {
        events.push_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        brushes.push_back(::CreateSolidBrush(RGB(i, 0, 0)));
        windows.push_back(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                                            nullptr, nullptr, nullptr));
        pages.push_back(
            ::VirtualAlloc(nullptr, kCheckPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    const ResourceCounts with = CountResources();
    for (HANDLE h : events)
        ::CloseHandle(h);
    for (HBRUSH b : brushes)
        ::DeleteObject(b);
    for (HWND w : windows)
        ::DestroyWindow(w);
    for (void* p : pages)
        ::VirtualFree(p, 0, MEM_RELEASE);
    const ResourceCounts after = CountResources();
    char line[256];
    snprintf(line, sizeof line,
             "ten of each: handles %+ld/%+ld, GDI %+ld/%+ld, windows %+ld/%+ld, committed "
             "%+lld/%+lld KiB (created/freed)",
             with.handles - before.handles, after.handles - with.handles,
             with.gdiObjects - before.gdiObjects, after.gdiObjects - with.gdiObjects,
             with.windows - before.windows, after.windows - with.windows,
             static_cast<long long>(with.committedBytes - before.committedBytes) / 1024,
             (static_cast<long long>(after.committedBytes) -
              static_cast<long long>(with.committedBytes)) /
                 1024);
    report = line;
    return with.handles - before.handles >= kCheckObjects &&
           with.gdiObjects - before.gdiObjects >= kCheckObjects &&
           with.windows - before.windows >= kCheckObjects &&
           with.committedBytes - before.committedBytes >= kCheckObjects * kCheckPage &&
           after.handles < with.handles && after.gdiObjects < with.gdiObjects &&
           after.windows < with.windows;
}

double ProcessCpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0.0;
    return FileTimeMs(kernel) + FileTimeMs(user);
}

double ThreadCpuMs(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return 0.0;
    return FileTimeMs(kernel) + FileTimeMs(user);
}

double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER c;
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / frequency;
}

} // namespace bench
