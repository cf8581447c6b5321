// The client against a fake server living in the test process: a window that records every
// request (sent ones when they arrive, posted ones when pumped) and replies as told, and the
// server's named segments made by the test.
#include "ComClient.h"
#include "FileMapping.h"
#include "MsgSequence.h"
#include "Trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace commproto;

namespace {

struct FakeServer {
    LRESULT registerReply = 7;
    LRESULT subscribeReply = kSubscribeAccepted;
    HWND hwnd = nullptr;
    CFileMapping handleSegment;
    CFileMapping slotSegment;
    kt::MsgRecorder recorder;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<FakeServer*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg == kServerRequestMsg) {
            switch (CommandOf(wp)) {
            case kCmdRegister:
                return self->registerReply;
            case kCmdSubscribe:
                return self->subscribeReply;
            default:
                return 0;
            }
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }

    // Publishes the window in the handle segment (with the given magic) and makes the segment
    // of the slot it will hand out.
    void Start(uint32_t magic = kSegmentMagic, bool withSlotSegment = true) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FakeCommServer";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowExW(0, L"FakeCommServer", L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        recorder.Attach(hwnd, 1);
        ASSERT_TRUE(handleSegment.Create(kServerHandleSegmentName));
        Put<uint32_t>(handleSegment.GetView(), kHandleMagicOffset, magic);
        Put<uint32_t>(handleSegment.GetView(), kHandleWindowOffset,
                      static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(hwnd)));
        if (withSlotSegment && IsValidSlot(registerReply)) {
            ASSERT_TRUE(slotSegment.Create(kClientSegmentNames[registerReply]));
        }
    }
    ~FakeServer() {
        recorder.Detach();
        if (hwnd)
            ::DestroyWindow(hwnd);
    }
};

class ComClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        kt::MsgLog::Get().Clear();
        kt::MsgLog::Get().RecordOnly({kServerRequestMsg});
    }
    void TearDown() override {
        kt::MsgLog::Get().RecordOnly({});
        kt::MsgLog::Get().Clear();
    }
    static const std::vector<kt::Message>& Log() { return kt::MsgLog::Get().Entries(); }
    static void Pump() { kt::PumpAndLog(50); }

    FakeServer server;
};

constexpr unsigned kSentExact = kt::sent | kt::wparam | kt::lparam;
constexpr unsigned kPostedExact = kt::posted | kt::wparam | kt::lparam;

TEST_F(ComClientTest, NoServerMeansNoConnectionAndNothingSent) {
    CComClient client;
    EXPECT_EQ(CComClient::FindServer(), nullptr);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.GetSlot(), -1);
    EXPECT_EQ(client.GetSinkWnd(), nullptr);
    BYTE payload[7] = {};
    EXPECT_FALSE(client.Subscribe(1, {{0x1000, 360}}));
    EXPECT_FALSE(client.Read());
    EXPECT_FALSE(client.Write(1, 1, sizeof payload, payload));
    EXPECT_EQ(client.GetDataArea(), nullptr);
    EXPECT_TRUE(client.Disconnect());
    Pump();
    EXPECT_TRUE(Log().empty()) << kt::Describe(Log());
}

TEST_F(ComClientTest, WrongMagicCountsAsNoServer) {
    server.Start(kSegmentMagic ^ 1);
    CComClient client;
    EXPECT_EQ(CComClient::FindServer(), nullptr);
    EXPECT_FALSE(client.Connect());
    EXPECT_FALSE(client.IsConnected());
    Pump();
    EXPECT_TRUE(Log().empty()) << kt::Describe(Log());
}

TEST_F(ComClientTest, StaleWindowHandleCountsAsNoServer) {
    server.Start();
    server.recorder.Detach();
    ::DestroyWindow(server.hwnd);
    server.hwnd = nullptr;
    CComClient client;
    EXPECT_FALSE(client.Connect());
    EXPECT_FALSE(client.IsConnected());
}

TEST_F(ComClientTest, ConnectRegistersOnceAndOpensTheSlotSegment) {
    server.Start();
    CComClient client;
    ASSERT_TRUE(client.Connect());
    EXPECT_EQ(client.GetSlot(), 7);
    EXPECT_EQ(client.GetServerWnd(), server.hwnd);
    HWND sink = client.GetSinkWnd();
    ASSERT_NE(sink, nullptr);
    wchar_t title[64] = {};
    ::GetWindowTextW(sink, title, 64);
    EXPECT_EQ(std::wstring(title),
              L"Communation Notification Sink #" + std::to_wstring(::GetCurrentProcessId()));
    EXPECT_FALSE(::IsWindowVisible(sink));
    EXPECT_EQ(::GetParent(sink), nullptr);
    EXPECT_SEQUENCE({{kServerRequestMsg, kSentExact, 0x00010000, reinterpret_cast<LPARAM>(sink)}});

    // The data area is the slot segment the server writes.
    ASSERT_NE(client.GetDataArea(), nullptr);
    server.slotSegment.GetView()[6] = 0x42;
    EXPECT_EQ(client.GetDataArea()[6], 0x42);

    kt::MsgLog::Get().Clear();
    EXPECT_TRUE(client.Connect());
    Pump();
    EXPECT_TRUE(Log().empty()) << kt::Describe(Log());

    EXPECT_TRUE(client.Disconnect());
    EXPECT_SEQUENCE({{kServerRequestMsg, kSentExact, 0x00020007, 0}});
    EXPECT_EQ(client.GetSlot(), -1);
    EXPECT_EQ(client.GetDataArea(), nullptr);
    EXPECT_FALSE(::IsWindow(sink));

    kt::MsgLog::Get().Clear();
    EXPECT_TRUE(client.Disconnect());
    Pump();
    EXPECT_TRUE(Log().empty()) << kt::Describe(Log());
}

TEST_F(ComClientTest, RefusedRegistrationLeavesClientUnconnected) {
    for (LRESULT reply : {LRESULT{32}, LRESULT{-1}}) {
        kt::MsgLog::Get().Clear();
        FakeServer refusing;
        refusing.registerReply = reply;
        server.recorder.Detach();
        refusing.Start();
        CComClient client;
        EXPECT_FALSE(client.Connect());
        EXPECT_EQ(client.GetSlot(), -1);
        EXPECT_EQ(client.GetSinkWnd(), nullptr);
        // Only the register request: no unregister for a slot never given.
        ASSERT_EQ(Log().size(), 1u) << kt::Describe(Log());
        EXPECT_EQ(Log()[0].wParam, 0x00010000u);
    }
}

// A refused register is tried again after 1 s, then 2 s, 4 s, ... (8 s at most); a success
// starts the pauses again from 1 s. In between Connect sends nothing.
TEST_F(ComClientTest, RefusedRegistersAreRetriedAfterGrowingPauses) {
    server.Start(); // hands out slot 7 and has its segment
    server.registerReply = kRegisterRefused;
    CComClient client;
    auto registers = [] {
        kt::PumpAndLog(0);
        size_t n = 0;
        for (const kt::Message& m : Log())
            n += CommandOf(m.wParam) == kCmdRegister;
        return n;
    };
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(registers(), 1u);
    EXPECT_FALSE(client.IsRegistering()) << "answered and refused";
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(registers(), 1u) << "within the first pause";
    ::Sleep(1100);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(registers(), 2u) << "after 1 s";
    ::Sleep(1100);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(registers(), 2u) << "the second pause is 2 s";
    ::Sleep(1000);
    server.registerReply = 7;
    EXPECT_TRUE(client.Connect());
    EXPECT_EQ(registers(), 3u);

    // Registered once: the next refusal starts again with 1 s.
    client.Disconnect();
    server.registerReply = kRegisterRefused;
    EXPECT_FALSE(client.Connect());
    ::Sleep(1100);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(registers(), 5u);
}

TEST_F(ComClientTest, MissingSlotSegmentDisconnects) {
    server.registerReply = 9;
    server.Start(kSegmentMagic, false);
    CComClient client;
    EXPECT_FALSE(client.Connect());
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.GetSinkWnd(), nullptr);
    ASSERT_EQ(Log().size(), 2u) << kt::Describe(Log());
    EXPECT_EQ(Log()[1].wParam, 0x00020009u);
}

TEST_F(ComClientTest, SubscribeWritesRangeListAndSendsSlot) {
    server.Start();
    CComClient client;
    ASSERT_TRUE(client.Connect());
    BYTE* area = server.slotSegment.GetSubscriptionArea();
    memset(area, 0xCD, kSubscriptionAreaSize);

    std::vector<CommRange> ranges;
    for (uint32_t i = 0; i < 300; ++i)
        ranges.push_back({0x1000 + i * 16, i + 1});
    kt::MsgLog::Get().Clear();
    EXPECT_TRUE(client.Subscribe(0x1234, ranges));
    EXPECT_TRUE(client.IsSubscribed());
    EXPECT_SEQUENCE({{kServerRequestMsg, kSentExact, 0x00050007, 0}});

    EXPECT_EQ(Get<uint32_t>(area, 0x00), kSegmentMagic);
    EXPECT_EQ(Get<uint32_t>(area, 0x04), 24u);
    EXPECT_EQ(Get<uint32_t>(area, 0x08), 256u);
    EXPECT_EQ(Get<uint32_t>(area, 0x0C), 1u);
    EXPECT_EQ(Get<uint16_t>(area, 0x10), 0x1234);
    for (size_t i = 0x12; i < 0x18; ++i)
        EXPECT_EQ(area[i], 0xCD) << "reserved byte " << i << " written";
    EXPECT_EQ(Get<uint32_t>(area, 0x18), 0x1000u);
    EXPECT_EQ(Get<uint32_t>(area, 0x1C), 1u);
    EXPECT_EQ(Get<uint32_t>(area, 0x18 + 255 * 8), 0x1000u + 255 * 16);
    EXPECT_EQ(Get<uint32_t>(area, 0x18 + 255 * 8 + 4), 256u);
    EXPECT_EQ(Get<uint32_t>(area, 0x18 + 256 * 8), 0xCDCDCDCDu) << "range 257 written";

    kt::MsgLog::Get().Clear();
    EXPECT_TRUE(client.Read());
    Pump();
    EXPECT_SEQUENCE({{kServerRequestMsg, kPostedExact, 0x00030007, 0}});
}

TEST_F(ComClientTest, RefusedSubscriptionBlocksRead) {
    server.subscribeReply = kSubscribeRefused;
    server.Start();
    CComClient client;
    ASSERT_TRUE(client.Connect());
    EXPECT_FALSE(client.Read()) << "not subscribed yet";
    EXPECT_FALSE(client.Subscribe(1, {{0x1000, 360}}));
    EXPECT_TRUE(client.IsConnected());
    EXPECT_FALSE(client.IsSubscribed());
    kt::MsgLog::Get().Clear();
    EXPECT_FALSE(client.Read());
    Pump();
    EXPECT_TRUE(Log().empty()) << kt::Describe(Log());

    // Accepted later: reading works; refused again: it stops.
    server.subscribeReply = kSubscribeAccepted;
    EXPECT_TRUE(client.Subscribe(1, {{0x1000, 360}}));
    EXPECT_TRUE(client.Read());
    server.subscribeReply = 5;
    EXPECT_FALSE(client.Subscribe(1, {{0x1000, 360}}));
    EXPECT_FALSE(client.Read());
}

TEST_F(ComClientTest, WriteFillsWriteAreaAndPosts) {
    server.Start();
    CComClient client;
    ASSERT_TRUE(client.Connect());
    BYTE* area = server.slotSegment.GetWriteArea();
    memset(area, 0xEE, 0x40);
    const BYTE payload[7] = {0x10, 0x20, 0x00, 0x00, 1, 0, 0xFF};
    kt::MsgLog::Get().Clear();
    EXPECT_TRUE(client.Write(0x0102, 1, sizeof payload, payload));
    Pump();
    // The refresh behind the write tells when the server has taken it.
    EXPECT_SEQUENCE({{kServerRequestMsg, kPostedExact, 0x00040007, 0},
                     {kServerRequestMsg, kPostedExact, 0x00030007, 0}});
    EXPECT_EQ(Get<uint32_t>(area, 0x00), kSegmentMagic);
    EXPECT_EQ(Get<uint16_t>(area, 0x04), 0x0102);
    EXPECT_EQ(Get<uint16_t>(area, 0x06), 1);
    EXPECT_EQ(Get<uint16_t>(area, 0x08), 7);
    EXPECT_EQ(area[0x0A], 0xEE);
    EXPECT_EQ(area[0x0B], 0xEE);
    EXPECT_EQ(memcmp(area + 0x0C, payload, sizeof payload), 0);
    EXPECT_EQ(area[0x0C + 7], 0xEE) << "written past the payload";

    // A payload that does not fit the write area is refused before anything is written.
    std::vector<BYTE> huge(kMaxWritePayload + 1, 0x77);
    kt::MsgLog::Get().Clear();
    EXPECT_FALSE(client.Write(1, 1, static_cast<WORD>(huge.size()), huge.data()));
    Pump();
    EXPECT_TRUE(Log().empty()) << kt::Describe(Log());
    EXPECT_EQ(Get<uint16_t>(area, 0x08), 7);
}

TEST_F(ComClientTest, FailedPostReportsFalse) {
    server.Start();
    CComClient client;
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(client.Subscribe(1, {{0x1000, 360}}));
    server.recorder.Detach();
    ::DestroyWindow(server.hwnd);
    server.hwnd = nullptr;
    BYTE payload[8] = {};
    EXPECT_FALSE(client.Read());
    EXPECT_FALSE(client.Write(1, 1, sizeof payload, payload));
}

// The data-ready the server sends after a refresh of slot 7.
void DataReady(const CComClient& client) {
    ::SendMessageW(client.GetSinkWnd(), kServerNotifyMsg, MakeWParam(kCmdRefresh, 7), 0);
}

// Sends the data-ready from another thread after a delay, as a server process would while the
// client waits.
struct LateDataReady {
    HWND sink;
    DWORD delayMs;
    HANDLE thread = nullptr;
    LateDataReady(HWND s, DWORD ms) : sink(s), delayMs(ms) {
        thread = ::CreateThread(nullptr, 0, &Run, this, 0, nullptr);
    }
    ~LateDataReady() {
        ::WaitForSingleObject(thread, INFINITE);
        ::CloseHandle(thread);
    }
    static DWORD WINAPI Run(void* p) {
        auto* self = static_cast<LateDataReady*>(p);
        ::Sleep(self->delayMs);
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(self->sink, kServerNotifyMsg, MakeWParam(kCmdRefresh, 7), 0,
                              SMTO_NORMAL, 5000, &ignored);
        return 0;
    }
};

struct RecordingClient : CComClient {
    std::vector<std::pair<WPARAM, LPARAM>> calls;
    void OnServerMsg(WPARAM wp, LPARAM lp) override { calls.push_back({wp, lp}); }
};

// The fake server never clears the write area: only the answers to refreshes tell that a
// request has been taken.
TEST_F(ComClientTest, AWriteWaitsUntilThePreviousRequestIsKnownTaken) {
    server.Start();
    CComClient client;
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(client.Subscribe(1, {{0x1000, 360}}));
    BYTE* area = server.slotSegment.GetWriteArea();
    ASSERT_TRUE(client.Read()); // an older refresh, not yet answered
    const BYTE first[7] = {0x10, 0x20, 0, 0, 1, 0, 0xFF};
    ASSERT_TRUE(client.Write(1, 1, sizeof first, first));
    Pump();
    std::vector<BYTE> written(area, area + kWrPayloadOffset + sizeof first);

    // Not answered: the second write is refused after the wait and nothing is touched; the
    // client only asks once more for the answer it has waited for beyond its retry time.
    const BYTE second[8] = {0x30, 0x20, 0, 0, 2, 0, 0x34, 0x12};
    kt::MsgLog::Get().Clear();
    EXPECT_FALSE(client.Write(2, 1, sizeof second, second));
    Pump();
    EXPECT_SEQUENCE({{kServerRequestMsg, kPostedExact, 0x00030007, 0}});
    EXPECT_EQ(std::vector<BYTE>(area, area + written.size()), written);
    EXPECT_TRUE(client.IsConnected()) << "a slow server is no gone server";

    // The answer to the refresh posted before the write says nothing about the write.
    DataReady(client);
    EXPECT_TRUE(client.IsWriteOutstanding());
    // The answer to the refresh behind it does, although the magic is still there.
    DataReady(client);
    EXPECT_FALSE(client.IsWriteOutstanding());
    EXPECT_EQ(Get<uint32_t>(area, kWrMagicOffset), kSegmentMagic);
    // The answer to the client's second ask; then one nobody asked for, which is no answer to
    // the next write.
    DataReady(client);
    DataReady(client);
    kt::MsgLog::Get().Clear();
    EXPECT_TRUE(client.Write(2, 1, sizeof second, second));
    Pump();
    EXPECT_SEQUENCE({{kServerRequestMsg, kPostedExact, 0x00040007, 0},
                     {kServerRequestMsg, kPostedExact, 0x00030007, 0}});
    EXPECT_EQ(Get<uint16_t>(area, kWrLengthOffset), sizeof second);
    EXPECT_EQ(memcmp(area + kWrPayloadOffset, second, sizeof second), 0);
    EXPECT_TRUE(client.IsWriteOutstanding());

    // Answered while the next write waits: that write goes through in order.
    {
        LateDataReady late(client.GetSinkWnd(), 100);
        kt::MsgLog::Get().Clear();
        EXPECT_TRUE(client.Write(1, 1, sizeof first, first));
    }
    Pump();
    EXPECT_SEQUENCE({{kServerRequestMsg, kPostedExact, 0x00040007, 0},
                     {kServerRequestMsg, kPostedExact, 0x00030007, 0}});
    EXPECT_EQ(memcmp(area + kWrPayloadOffset, first, sizeof first), 0);
}

// A data-ready the server could not deliver (the client was busy) leaves the count of answers
// one behind: the wait asks again until an answer counts beyond the write.
TEST_F(ComClientTest, ALostAnswerDelaysButNeverFailsTheWait) {
    server.Start();
    CComClient client;
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(client.Subscribe(1, {{0x1000, 360}}));
    ASSERT_TRUE(client.Read()); // its answer is lost
    const BYTE payload[7] = {0x10, 0x20, 0, 0, 1, 0, 0xFF};
    ASSERT_TRUE(client.Write(1, 1, sizeof payload, payload));
    Pump();
    kt::MsgLog::Get().Clear();
    {
        LateDataReady toTheWrite(client.GetSinkWnd(), 100);  // counted for the lost one
        LateDataReady toTheAskAgain(client.GetSinkWnd(), 300);
        EXPECT_TRUE(client.WaitWriteTaken(3000));
    }
    Pump();
    EXPECT_SEQUENCE({{kServerRequestMsg, kPostedExact, 0x00030007, 0}});
}

TEST_F(ComClientTest, AWriteNotTakenInTimeIsWithdrawn) {
    server.Start();
    RecordingClient client;
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(client.Subscribe(1, {{0x1000, 360}}));
    BYTE* area = server.slotSegment.GetWriteArea();
    const BYTE payload[7] = {0x10, 0x20, 0, 0, 1, 0, 0xFF};
    ASSERT_TRUE(client.Write(1, 1, sizeof payload, payload));
    EXPECT_FALSE(client.WaitWriteTaken(200));
    EXPECT_NE(Get<uint32_t>(area, kWrMagicOffset), kSegmentMagic)
        << "a server reading it later finds no request";
    EXPECT_FALSE(client.IsWriteOutstanding());
    // The server answers the refresh behind the withdrawn write late; it is no answer to the
    // next one.
    DataReady(client);
    client.calls.clear();

    // Taken within the wait: the data-ready reaches OnServerMsg only after the wait.
    ASSERT_TRUE(client.Write(1, 1, sizeof payload, payload));
    {
        LateDataReady late(client.GetSinkWnd(), 100);
        EXPECT_TRUE(client.WaitWriteTaken(3000));
        EXPECT_TRUE(client.calls.empty()) << "nothing of the owner runs inside the wait";
    }
    EXPECT_EQ(Get<uint32_t>(area, kWrMagicOffset), kSegmentMagic) << "taken, not withdrawn";
    kt::PumpAndLog(50);
    ASSERT_EQ(client.calls.size(), 1u);
    EXPECT_EQ(client.calls[0].first, 0x00030007u);
}

TEST_F(ComClientTest, GoneServerIsDroppedAndANewOneIsReached) {
    server.Start();
    CComClient client;
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(client.Subscribe(1, {{0x1000, 360}}));
    HWND oldSink = client.GetSinkWnd();
    EXPECT_TRUE(client.IsServerAlive());
    server.recorder.Detach();
    ::DestroyWindow(server.hwnd);
    server.hwnd = nullptr;
    EXPECT_FALSE(client.IsServerAlive());

    // A failed write post withdraws its request and drops the connection.
    BYTE payload[7] = {};
    EXPECT_FALSE(client.Write(1, 1, sizeof payload, payload));
    EXPECT_NE(Get<uint32_t>(server.slotSegment.GetWriteArea(), kWrMagicOffset), kSegmentMagic);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_FALSE(client.IsSubscribed());
    EXPECT_EQ(client.GetDataArea(), nullptr);
    EXPECT_FALSE(::IsWindow(oldSink));
    EXPECT_FALSE(client.Connect()) << "the handle segment still names the gone window";

    // A new server with another slot: connected afresh, not subscribed until asked again.
    FakeServer restarted;
    restarted.registerReply = 3;
    restarted.Start();
    kt::MsgLog::Get().Clear();
    ASSERT_TRUE(client.Connect());
    EXPECT_EQ(client.GetSlot(), 3);
    EXPECT_EQ(client.GetServerWnd(), restarted.hwnd);
    EXPECT_TRUE(client.IsServerAlive());
    EXPECT_FALSE(client.IsSubscribed());
    EXPECT_FALSE(client.Read());
    EXPECT_SEQUENCE({{kServerRequestMsg, kSentExact, 0x00010000,
                      reinterpret_cast<LPARAM>(client.GetSinkWnd())}});
    restarted.slotSegment.GetView()[6] = 0x5A;
    EXPECT_EQ(client.GetDataArea()[6], 0x5A);
    EXPECT_TRUE(client.Subscribe(1, {{0x1000, 360}}));
    EXPECT_TRUE(client.Read());
}

TEST_F(ComClientTest, FailedReadPostDropsTheConnection) {
    server.Start();
    CComClient client;
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(client.Subscribe(1, {{0x1000, 360}}));
    server.recorder.Detach();
    ::DestroyWindow(server.hwnd);
    server.hwnd = nullptr;
    EXPECT_TRUE(client.IsConnected()) << "nothing has noticed yet";
    EXPECT_FALSE(client.Read());
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.GetSinkWnd(), nullptr);
}

void CollectTrace(const char* line, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(line);
}

TEST_F(ComClientTest, SinkHandsNotificationsToOnServerMsg) {
    server.Start();
    RecordingClient client;
    ASSERT_TRUE(client.Connect());
    EXPECT_EQ(::SendMessageW(client.GetSinkWnd(), kServerNotifyMsg, 0x00030007, 0), 0);
    ::SendMessageW(client.GetSinkWnd(), WM_USER, 1, 2); // not a notification
    ASSERT_EQ(client.calls.size(), 1u);
    EXPECT_EQ(client.calls[0].first, 0x00030007u);
    EXPECT_EQ(client.calls[0].second, 0);

    // The base implementation only traces.
    std::vector<std::string> lines;
    kfw::SetTraceSink(CollectTrace, &lines);
    CComClient plain;
    plain.OnServerMsg(0x00030007, 0x10);
    kfw::SetTraceSink(nullptr, nullptr);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "CComClient::OnServerMsg(WPARAM wParam = 0x30007, LPARAM lParam = 0x10\n");
}

TEST(FileMapping, TracesAndAreas) {
    std::vector<std::string> lines;
    kfw::SetTraceSink(CollectTrace, &lines);
    std::string name = "KrMapTest_" + std::to_string(::GetCurrentProcessId());
    CFileMapping created;
    EXPECT_EQ(created.GetView(), nullptr);
    EXPECT_EQ(created.GetWriteArea(), nullptr);
    EXPECT_EQ(created.GetSubscriptionArea(), nullptr);
    ASSERT_TRUE(created.Create(name.c_str()));
    EXPECT_EQ(created.GetWriteArea(), created.GetView() + 0x8000);
    EXPECT_EQ(created.GetSubscriptionArea(), created.GetView() + 0xF000);
    created.GetView()[0xFFFF] = 0x11; // the view covers the whole segment

    CFileMapping opened;
    ASSERT_TRUE(opened.Open(name.c_str()));
    EXPECT_EQ(opened.GetView()[0xFFFF], 0x11);
    BYTE* view = opened.GetView();
    EXPECT_FALSE(opened.Open("KrMapTest_other")) << "a held mapping must be kept";
    EXPECT_FALSE(opened.Create("KrMapTest_other"));
    EXPECT_EQ(opened.GetView(), view);
    opened.Close();
    EXPECT_EQ(opened.GetView(), nullptr);

    CFileMapping missing;
    EXPECT_FALSE(missing.Open("KrMapTest_missing"));
    EXPECT_EQ(missing.GetView(), nullptr);
    kfw::SetTraceSink(nullptr, nullptr);

    std::vector<std::string> expected = {
        "Create File Mapping: " + name + "\t", "Sccuess!\n",
        "Open File Mapping: " + name + "\n",   "Sccuess!\n",
        "Close File Mapping: " + name + "\n",  "Open File Mapping: KrMapTest_missing\n",
    };
    EXPECT_EQ(lines, expected);
}

} // namespace
