// The benchmark's counters against objects of known number: what they count must move with
// what a process creates and frees, under Wine too (where the system's own counts are 0).
#include "ProcessCounters.h"

#include <gtest/gtest.h>

#include <vector>

using namespace bench;

namespace {

constexpr int kObjects = 25;
// Objects the system makes on its own meanwhile (an input-method window, a handle of its own).
constexpr int kSystemSlack = 5;
constexpr SIZE_T kBlock = 1 << 20;

TEST(ProcessCounters, EveryCountFollowsCreatedAndFreedObjects) {
    std::string report;
    EXPECT_TRUE(CheckCounters(report)) << report;

    const ResourceCounts before = CountResources();
    std::vector<HANDLE> events;
    std::vector<HPEN> pens;
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    nullptr, nullptr);
    for (int i = 0; i < kObjects; ++i) {
        events.push_back(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
        pens.push_back(::CreatePen(PS_SOLID, 1, RGB(i, i, i)));
        // Child windows count as well as top-level ones.
        ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, parent, nullptr, nullptr,
                          nullptr);
    }
    const ResourceCounts with = CountResources();
    EXPECT_GE(with.handles - before.handles, kObjects);
    EXPECT_GE(with.gdiObjects - before.gdiObjects, kObjects);
    EXPECT_GE(with.windows - before.windows, kObjects + 1);
    EXPECT_LE(with.windows - before.windows, kObjects + 1 + kSystemSlack);

    for (HANDLE h : events)
        ::CloseHandle(h);
    for (HPEN p : pens)
        ::DeleteObject(p);
    ::DestroyWindow(parent);
    const ResourceCounts after = CountResources();
    EXPECT_LE(after.handles - before.handles, kSystemSlack) << "the count returns";
    EXPECT_LE(after.gdiObjects - before.gdiObjects, kSystemSlack);
    EXPECT_LE(after.windows - before.windows, kSystemSlack);
}

TEST(ProcessCounters, CommittedMemoryFollowsAnAllocation) {
    const uint64_t before = CommittedBytes();
    void* block = ::VirtualAlloc(nullptr, kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_TRUE(block);
    const uint64_t with = CommittedBytes();
    ::VirtualFree(block, 0, MEM_RELEASE);
    const uint64_t after = CommittedBytes();
    EXPECT_GE(with - before, kBlock);
    EXPECT_GE(with - after, kBlock);
}

TEST(ProcessCounters, CpuClocksSeeABusyThreadAndNotASleepingOne) {
    // The machine may be shared: the busy loop runs until the thread's own clock has moved.
    const double cpu0 = ThreadCpuMs(), process0 = ProcessCpuMs(), t0 = NowMs();
    volatile unsigned spin = 0;
    while (ThreadCpuMs() - cpu0 < 200 && NowMs() - t0 < 20000)
        spin = spin + 1;
    const double busy = ThreadCpuMs() - cpu0;
    EXPECT_GE(busy, 200.0) << "thread CPU of a busy loop";
    EXPECT_LE(busy, NowMs() - t0 + 20) << "no more CPU than wall time on one thread";
    EXPECT_GE(ProcessCpuMs() - process0, busy - 20) << "the process includes its thread";
    const double idle0 = ThreadCpuMs();
    ::Sleep(300);
    EXPECT_LT(ThreadCpuMs() - idle0, 50.0) << "a sleeping thread costs nothing";
}

} // namespace
