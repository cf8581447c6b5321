// CCommuWin against running peer programs: which processes and windows are reached, what a
// reply, a time-out and an absent target give, and the windows collected per process.
#include "CommuWin.h"
#include "EnumProc.h"
#include "PeerFixture.h"

#include <string>

using namespace icproto;

namespace {

constexpr UINT kTestTimeoutMs = 1500;
constexpr char kTag[] = "FIC101";

// A request record as the message manager builds it.
struct Record {
    char bytes[kRequestRecordSize] = {};
    COPYDATASTRUCT data{};
    explicit Record(const char* tag) {
        strncpy(bytes, tag, kMaxRequestTagLength);
        data.dwData = kRequestFlow;
        data.cbData = kRequestRecordSize;
        data.lpData = bytes;
    }
    LPARAM lp() { return reinterpret_cast<LPARAM>(&data); }
};

class CommuWinTest : public PeerTest {
protected:
    int Send(const char* program, unsigned flags, const char* logicalName,
             UINT timeoutMs = kTestTimeoutMs, WPARAM wParam = 0) {
        Record record(kTag);
        return m_win.SendMessage(program, WM_COPYDATA, wParam, record.lp(), flags, timeoutMs,
                                 logicalName);
    }
    // Position of the process in the platform's process list (-1 when absent).
    static int ListPosition(DWORD pid) {
        CProcessList list;
        int i = 0;
        for (DWORD id = list.First(); id; id = list.Next(), ++i)
            if (id == pid)
                return i;
        return -1;
    }
    CCommuWin m_win;
};

TEST_F(CommuWinTest, EachProcessIsReachedOnceAndTheLastReplyIsReturned) {
    // Two windows each: only the first window of a process is sent to.
    Peer* a = StartPeer("--reply 101 --windows 2");
    Peer* b = StartPeer("--reply 202 --windows 2");
    ASSERT_TRUE(a && b);

    const int result =
        Send(kOperatorCentreProgram, kFlagAppendExe, nullptr, kTestTimeoutMs, 0x1234);

    const auto ra = a->Requests(), rb = b->Requests();
    ASSERT_EQ(ra.size(), 1u);
    ASSERT_EQ(rb.size(), 1u);
    const bool aLast = ListPosition(a->process.Pid()) > ListPosition(b->process.Pid());
    EXPECT_EQ(result, aLast ? 101 : 202);
    // The record arrives intact, and wParam carries the sender's own window (none), not 0x1234.
    EXPECT_EQ(ra[0].tag, kTag);
    EXPECT_EQ(ra[0].code, kRequestFlow);
    EXPECT_EQ(ra[0].size, kRequestRecordSize);
    EXPECT_EQ(ra[0].from, 0u);
    EXPECT_EQ(rb[0].from, 0u);

    const auto traces = TracesWith("[CommuWin]SendMessage 74 to DOZezeru:hwnd = ");
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_NE(traces[0].find(",ret=1,dwResult=" + std::to_string(aLast ? 202 : 101) + ",Error=0\n"),
              std::string::npos)
        << traces[0];
}

TEST_F(CommuWinTest, ALogicalNameSelectsOnlyTheWindowOfExactlyThatName) {
    Peer* three = StartPeer("--name TaskCenter3 --reply 3");
    Peer* plain = StartPeer("--name TaskCenter --reply 1");
    Peer* thirty = StartPeer("--name TaskCenter30 --reply 30");
    ASSERT_TRUE(three && plain && thirty);

    EXPECT_EQ(Send(kOperatorCentreProgram, kFlagAppendExe, "TaskCenter3"), 3);
    EXPECT_EQ(three->Requests().size(), 1u);
    EXPECT_TRUE(plain->Requests().empty());
    EXPECT_TRUE(thirty->Requests().empty());

    EXPECT_EQ(Send(kOperatorCentreProgram, kFlagAppendExe, "TaskCenter"), 1);
    EXPECT_EQ(plain->Requests().size(), 1u);
    EXPECT_EQ(three->Requests().size(), 1u);
    EXPECT_TRUE(thirty->Requests().empty());

    // The window text is compared with case.
    EXPECT_EQ(Send(kOperatorCentreProgram, kFlagAppendExe, "taskcenter3"), kResultNoWindow);
    EXPECT_EQ(three->Requests().size(), 1u);

    // An empty logical name takes any window: each process once.
    Send(kOperatorCentreProgram, kFlagAppendExe, "");
    EXPECT_EQ(three->Requests().size(), 2u);
    EXPECT_EQ(plain->Requests().size(), 2u);
    EXPECT_EQ(thirty->Requests().size(), 1u);
}

TEST_F(CommuWinTest, AProgramNameWithoutExeMatchesOnlyWhenTheFlagsAskForIt) {
    Peer* peer = StartPeer("--reply 7");
    ASSERT_TRUE(peer);

    EXPECT_EQ(Send("DOZezeru", 0, nullptr), kResultNoWindow);
    EXPECT_EQ(Send("DOZezeru", 0x100, nullptr), kResultNoWindow); // only the low byte counts
    EXPECT_EQ(Send("DOZezer", kFlagAppendExe, nullptr), kResultNoWindow);
    EXPECT_EQ(Send("", kFlagAppendExe, nullptr), kResultNoWindow);
    EXPECT_EQ(Send(nullptr, kFlagAppendExe, nullptr), kResultNoWindow);
    EXPECT_TRUE(peer->Requests().empty());
    EXPECT_TRUE(TracesWith("[CommuWin]").empty());

    EXPECT_EQ(Send("DOZezeru", kFlagAppendExe, nullptr), 7);
    EXPECT_EQ(Send("dozezeru", 0xFF, nullptr), 7); // base names compare without case
    EXPECT_EQ(Send("DOZezeru.exe", 0, nullptr), 7);
    EXPECT_EQ(peer->Requests().size(), 3u);
}

TEST_F(CommuWinTest, AHungPeerEndsTheWholeSendWithTimeout) {
    // Both hang far longer than the time limit; each logs a request before it hangs.
    Peer* a = StartPeer("--hang 20000");
    Peer* b = StartPeer("--hang 20000");
    ASSERT_TRUE(a && b);

    EXPECT_EQ(Send(kOperatorCentreProgram, kFlagAppendExe, nullptr), kResultTimeout);

    // The first process timed out (error 1460) and the second was never tried.
    EXPECT_EQ(a->Requests().size() + b->Requests().size(), 1u);
    const auto traces = TracesWith("[CommuWin]");
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_NE(traces[0].find(",ret=0,dwResult=0,Error=1460\n"), std::string::npos) << traces[0];
    EXPECT_EQ(traces[1], "[CommuWin]Send message to DOZezeru timeout\n");
}

TEST_F(CommuWinTest, AWindowOfTheClassInAnotherProcessIsNotCollectedForThisOne) {
    Peer* peer = StartPeer("--windows 2");
    ASSERT_TRUE(peer);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kCommuWindowClass;
    ::RegisterClassA(&wc);
    HWND own = ::CreateWindowExA(0, kCommuWindowClass, "VorAvo:TaskCenter", WS_OVERLAPPED, 0, 0, 0,
                                 0, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(own);

    CCommuWindowList mine(::GetCurrentProcessId());
    EXPECT_EQ(mine.First(), own);
    EXPECT_EQ(mine.Next(), nullptr);

    CCommuWindowList theirs(peer->process.Pid());
    int count = 0;
    for (HWND h = theirs.First(); h; h = theirs.Next(), ++count) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(h, &pid);
        EXPECT_EQ(pid, peer->process.Pid());
    }
    EXPECT_EQ(count, 2);
    ::DestroyWindow(own);
}

} // namespace
