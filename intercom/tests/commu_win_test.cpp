// CCommuWin against running peer programs: which processes and windows are reached, what a
// reply, a time-out and an absent target give, and the windows collected per process.
#include "CommuWin.h"
#include "EnumProc.h"
#include "PeerFixture.h"
#include "Pump.h"

#include <fstream>
#include <iterator>
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

namespace {

// The extended send passes the caller's wParam on; the posting form reaches the same windows
// without waiting, carries the own window (null) as wParam like SendMessage, and is refused by
// the platform for WM_COPYDATA, whose record lives in the sender.
TEST_F(CommuWinTest, SendMessageExKeepsWParamAndPostMessageReachesEveryProcess) {
    Peer* a = StartPeer("--reply 101 --windows 2");
    Peer* b = StartPeer("--reply 202");
    ASSERT_TRUE(a && b);
    Record record(kTag);
    EXPECT_EQ(m_win.SendMessageEx(kOperatorCentreProgram, WM_COPYDATA, 0x1234, record.lp(),
                                  kFlagAppendExe, kTestTimeoutMs, nullptr),
              ListPosition(a->process.Pid()) > ListPosition(b->process.Pid()) ? 101 : 202);
    constexpr UINT kPrivate = WM_APP + 7;
    EXPECT_EQ(
        m_win.PostMessage(kOperatorCentreProgram, kPrivate, 0x5678, 0, kFlagAppendExe, nullptr), 2)
        << "one window of each process";
    EXPECT_EQ(m_win.PostMessage(kOperatorCentreProgram, WM_COPYDATA, 0, record.lp(), kFlagAppendExe,
                                nullptr),
              kResultNoWindow);
    EXPECT_EQ(m_win.PostMessage("NoSuchProgram", kPrivate, 0, 0, kFlagAppendExe, nullptr),
              kResultNoWindow);
    ASSERT_TRUE(kt::PumpUntil(
        [&] { return a->Requests().size() == 2 && b->Requests().size() == 2; }, 5000));
    for (Peer* peer : {a, b}) {
        const auto r = peer->Requests();
        EXPECT_EQ(r[0].code, kRequestFlow);
        EXPECT_EQ(r[0].from, 0x1234u) << "wParam passed on";
        EXPECT_EQ(r[0].tag, kTag);
        EXPECT_EQ(r[1].code, kPrivate);
        EXPECT_EQ(r[1].from, 0u) << "the own window, null here";
    }
}

// A tag with line breaks that, written as it is, would end the peer's log line and add a
// forged request of its own.
TEST_F(CommuWinTest, ControlCharactersInATagCannotForgeALogLine) {
    Peer* centre = StartPeer("--reply 5");
    ASSERT_TRUE(centre);
    const std::string tag = "FIC101\r\n00:00:00.000 window=TaskCenter from=0 code=111 size=34 "
                            "terminated=yes tag=FORGED\t\x7f\\x41";
    std::vector<char> bytes(tag.begin(), tag.end());
    bytes.push_back('\0');
    COPYDATASTRUCT data{kRequestFlow, static_cast<DWORD>(bytes.size()), bytes.data()};
    ASSERT_EQ(m_win.SendMessage(kOperatorCentreProgram, WM_COPYDATA, 0,
                                reinterpret_cast<LPARAM>(&data), kFlagAppendExe, kTestTimeoutMs,
                                nullptr),
              5);

    std::ifstream in(centre->log, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line: " << text;
    const auto requests = centre->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].tag, tag) << "read back as it was received";
    EXPECT_EQ(requests[0].code, kRequestFlow);
}

TEST(PeerLogText, EveryByteSurvivesAndForeignLinesAreRefused) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string escaped = peers::EscapeLogText(all);
    for (char c : escaped)
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F);
    std::string back;
    ASSERT_TRUE(peers::UnescapeLogText(escaped, back));
    EXPECT_EQ(back, all);
    for (const char* bad : {"a\\", "\\x4", "\\xG0", "\\y", "raw\tTAB"})
        EXPECT_FALSE(peers::UnescapeLogText(bad, back)) << bad;
}

} // namespace
