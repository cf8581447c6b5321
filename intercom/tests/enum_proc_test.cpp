// Process, module and window lists: growth through fake enumeration sources, the skipped
// first process entry, and the window filters on windows of this process.
#include "EnumProc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ---- Fake process source: `g_processCount` processes with ids 0, 4, 8, ... ----
DWORD g_processCount = 0;
bool g_processFails = false;
std::vector<DWORD> g_roomsAsked;

BOOL WINAPI FakeEnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytesReturned) {
    const DWORD room = bytes / sizeof(DWORD);
    g_roomsAsked.push_back(room);
    if (g_processFails)
        return FALSE;
    const DWORD n = g_processCount < room ? g_processCount : room;
    for (DWORD i = 0; i < n; ++i)
        ids[i] = i * 4;
    *bytesReturned = n * sizeof(DWORD);
    return TRUE;
}

class ProcessListTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_roomsAsked.clear();
        g_processFails = false;
    }
    std::vector<DWORD> ListAll(DWORD count) {
        g_processCount = count;
        CProcessList list(FakeEnumProcesses);
        std::vector<DWORD> ids;
        for (DWORD id = list.First(); id; id = list.Next())
            ids.push_back(id);
        return ids;
    }
};

TEST_F(ProcessListTest, MoreThanTheFirstRoomAreAllListed) {
    const std::vector<DWORD> ids = ListAll(3000);
    ASSERT_EQ(ids.size(), 2999u); // every process but the idle entry
    for (size_t i = 0; i < ids.size(); ++i)
        ASSERT_EQ(ids[i], (i + 1) * 4) << "at " << i;
    EXPECT_EQ(g_roomsAsked, (std::vector<DWORD>{1024, 2048, 4096}));
}

TEST_F(ProcessListTest, ARoomFilledExactlyIsAskedAgainWithMore) {
    EXPECT_EQ(ListAll(1024).size(), 1023u);
    EXPECT_EQ(g_roomsAsked, (std::vector<DWORD>{1024, 2048}));
    g_roomsAsked.clear();
    EXPECT_EQ(ListAll(1023).size(), 1022u);
    EXPECT_EQ(g_roomsAsked, (std::vector<DWORD>{1024}));
}

TEST_F(ProcessListTest, OnlyTheIdleEntryOrNothingGivesAnEmptyList) {
    EXPECT_TRUE(ListAll(1).empty());
    EXPECT_TRUE(ListAll(0).empty());
    g_processFails = true;
    CProcessList list(FakeEnumProcesses);
    EXPECT_EQ(list.First(), 0u);
    EXPECT_EQ(list.Next(), 0u);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(ProcessListPlatform, ListsThisProcess) {
    CProcessList list;
    bool found = false;
    for (DWORD id = list.First(); id; id = list.Next())
        found = found || id == ::GetCurrentProcessId();
    EXPECT_TRUE(found);
}

// ---- Modules ----

// Reports `kFakeModules` modules: the platform's answer says how many bytes all of them need,
// whatever room it was given.
constexpr DWORD kFakeModules = 1500;
BOOL WINAPI FakeEnumModules(HANDLE, HMODULE* modules, DWORD bytes, DWORD* bytesNeeded) {
    const DWORD room = bytes / sizeof(HMODULE);
    for (DWORD i = 0; i < room && i < kFakeModules; ++i)
        modules[i] = reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x10000 * (i + 1)));
    *bytesNeeded = kFakeModules * sizeof(HMODULE);
    return TRUE;
}

TEST(ModuleList, FirstModuleOfThisProcessIsItsExecutable) {
    CModuleList modules(::GetCurrentProcessId());
    ASSERT_NE(modules.GetProcess(), nullptr);
    EXPECT_EQ(modules.First(), ::GetModuleHandleW(nullptr));
    int more = 0;
    while (modules.Next())
        ++more;
    EXPECT_GT(more, 0); // ntdll, kernel32, ... follow
}

TEST(ModuleList, GrowsWhenTheProcessHasMoreModulesThanRoom) {
    CModuleList modules(::GetCurrentProcessId(), FakeEnumModules);
    DWORD count = 0;
    for (HMODULE m = modules.First(); m; m = modules.Next()) {
        ++count;
        ASSERT_EQ(reinterpret_cast<UINT_PTR>(m), 0x10000u * count);
    }
    EXPECT_EQ(count, kFakeModules);
}

TEST(ModuleList, AProcessThatCannotBeOpenedHasNoModules) {
    CModuleList modules(0xFFFFFFF0); // no such process
    EXPECT_EQ(modules.GetProcess(), nullptr);
    EXPECT_EQ(modules.First(), nullptr);
    EXPECT_EQ(modules.Next(), nullptr);
}

// ---- Windows of this process ----

class WindowListTest : public ::testing::Test {
protected:
    void SetUp() override {
        Register(icproto::kCommuWindowClass);
        Register("qxCommuWClassX");
        Register("qxCommuW");
    }
    void TearDown() override {
        for (HWND h : m_windows)
            ::DestroyWindow(h);
    }
    static void Register(const char* name) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = name;
        ::RegisterClassA(&wc);
    }
    HWND Create(const char* className, HWND parent = nullptr) {
        HWND h =
            ::CreateWindowExA(0, className, "VorAvo:Test", parent ? WS_CHILD : WS_OVERLAPPED, 0, 0,
                              10, 10, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (h && !parent)
            m_windows.push_back(h);
        return h;
    }
    static std::vector<HWND> Collect(CTopWindowList& list) {
        std::vector<HWND> found;
        for (HWND h = list.First(); h; h = list.Next())
            found.push_back(h);
        return found;
    }
    std::vector<HWND> m_windows;
};

TEST_F(WindowListTest, CollectsOnlyTheExactClassAndTopLevelWindows) {
    HWND a = Create(icproto::kCommuWindowClass);
    HWND b = Create(icproto::kCommuWindowClass);
    HWND longer = Create("qxCommuWClassX");
    Create("qxCommuW");
    ASSERT_TRUE(a && b && longer);
    HWND child = Create(icproto::kCommuWindowClass, longer); // not a top-level window
    ASSERT_TRUE(child);

    CCommuWindowList list(::GetCurrentProcessId());
    std::vector<HWND> found = Collect(list);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_TRUE((found[0] == a && found[1] == b) || (found[0] == b && found[1] == a));
    EXPECT_EQ(list.GetCount(), 2);
}

TEST_F(WindowListTest, WindowsBeyondTheCapacityAreNotCollected) {
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(Create(icproto::kCommuWindowClass));
    CCommuWindowList three(::GetCurrentProcessId(), 3);
    EXPECT_EQ(Collect(three).size(), 3u);
    CCommuWindowList none(::GetCurrentProcessId(), 0);
    EXPECT_TRUE(Collect(none).empty());
    // The base filter takes every window of the process.
    CTopWindowList all(::GetCurrentProcessId(), icproto::kWindowListCapacity);
    EXPECT_GE(Collect(all).size(), 5u);
}

} // namespace
