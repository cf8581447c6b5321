// What a process holds and spends, counted from the outside of the code under measurement:
// kernel handles, GDI objects, windows, committed memory, CPU time. Wine answers 0 from
// GetGuiResources and GetProcessHandleCount, so each count has a way that works there too.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace bench {

struct ResourceCounts {
    long handles = 0;
    long gdiObjects = 0;
    long windows = 0;
    uint64_t committedBytes = 0;
};

// Kernel handles of this process: GetProcessHandleCount where it answers, else the handle
// values for which GetHandleInformation succeeds.
long CountHandles();
// GDI objects of this process: GetGuiResources where it answers, else the handle-table
// indexes for which GetObjectType names a type.
long CountGdiObjects();
// Windows of every thread of this process (top-level, message-only and their descendants).
long CountWindows();
// Committed bytes of the address space, from a VirtualQuery walk.
uint64_t CommittedBytes();
ResourceCounts CountResources();

// Creates ten objects of each kind and checks that every count rose by at least ten (and
// committed memory by at least ten pages), then frees them. False with the failing count in
// `report` otherwise.
bool CheckCounters(std::string& report);

// CPU time (user + kernel) in milliseconds.
double ProcessCpuMs(HANDLE process = ::GetCurrentProcess());
double ThreadCpuMs(HANDLE thread = ::GetCurrentThread());
// Wall clock in milliseconds (QueryPerformanceCounter).
double NowMs();

} // namespace bench
