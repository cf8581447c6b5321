// The communication client against the real server program in a second process.
#include "BlockTable.h"
#include "ChildProcess.h"
#include "ComClient.h"
#include "CommServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using namespace commproto;

namespace {

constexpr uint32_t kBase = 0x1000; // the built-in station: one block at 0x1000
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kDeliveryTimeoutMs = 5000;

// Pumps this thread's messages until `done` holds or the time is up.
template <typename F> bool PumpUntil(F done, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Keeps a copy of the block image of every delivery.
struct ImageClient : CComClient {
    int deliveries = 0;
    WPARAM lastWParam = 0;
    LPARAM lastLParam = -1;
    std::vector<uint8_t> header, image;
    void OnServerMsg(WPARAM wp, LPARAM lp) override {
        ++deliveries;
        lastWParam = wp;
        lastLParam = lp;
        const BYTE* data = GetDataArea();
        header.assign(data, data + kDataHeaderSize);
        image.assign(data + kDataHeaderSize, data + kDataHeaderSize + b8::kWholeSize);
    }
    bool Refresh() {
        int before = deliveries;
        // A thread that has not asked for messages for 5 s counts as hung, and the server's
        // data-ready send gives up on it at once: show it is alive before asking.
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        return Read() && PumpUntil([&] { return deliveries > before; }, kDeliveryTimeoutMs);
    }
    float Real(uint16_t item) const { return b8::ReadReal(image.data(), item); }
    uint32_t UInt(uint16_t item) const { return b8::ReadUInt(image.data(), item); }
    bool WriteItem(uint16_t item, const void* value) {
        const b8::ItemDef* def = b8::FindItem(item);
        BYTE payload[kPayValueOffset + 4] = {};
        Put<uint32_t>(payload, kPayAddressOffset, kBase + def->offset);
        payload[kPayWidthOffset] = def->width;
        memcpy(payload + kPayValueOffset, value, def->width);
        return Write(1, 1, static_cast<WORD>(kPayValueOffset + def->width), payload);
    }
};

class ServerProcess : public ::testing::Test {
protected:
    void StartServer(const std::wstring& args = L"") {
        ASSERT_FALSE(ChildProcessMappingExists()) << "a communication server is already running";
        ASSERT_TRUE(server.Start(kt::BinPath(L"commserver.exe"), L"--period 100 --seed 3 " + args));
        // The segment exists a moment before the server's window handle is in it.
        ASSERT_TRUE(server.WaitForOutput("started:", kStartTimeoutMs)) << server.Output();
    }
    static bool ChildProcessMappingExists() {
        HANDLE h = ::OpenFileMappingA(FILE_MAP_READ, FALSE, kServerHandleSegmentName);
        if (h)
            ::CloseHandle(h);
        return h != nullptr;
    }
    std::unique_ptr<ImageClient> Subscribed() {
        auto client = std::make_unique<ImageClient>();
        EXPECT_TRUE(client->Connect());
        EXPECT_TRUE(client->Subscribe(1, {{kBase, b8::kWholeSize}}));
        return client;
    }
    void TearDown() override { server.Kill(); }
    // Waits for a line of the server's log while this thread keeps pumping its messages.
    bool WaitForLog(const char* text) {
        return PumpUntil([&] { return server.Output().find(text) != std::string::npos; },
                         kDeliveryTimeoutMs);
    }

    kt::ChildProcess server;
};

TEST_F(ServerProcess, RefreshDeliversTheBlockImage) {
    StartServer();
    auto client = Subscribed();
    ASSERT_TRUE(client->IsSubscribed());
    ASSERT_TRUE(client->Refresh()) << server.Output();
    EXPECT_EQ(client->lastWParam, MakeWParam(kCmdRefresh, client->GetSlot()));
    EXPECT_EQ(client->lastLParam, 0);
    EXPECT_EQ(Get<uint16_t>(client->header.data(), kHdrLengthOffset), b8::kWholeSize);
    EXPECT_EQ(Get<uint16_t>(client->header.data(), kHdrStatusOffset), kHdrStatusGood);
    uint16_t sequence = Get<uint16_t>(client->header.data(), kHdrSequenceOffset);
    EXPECT_FLOAT_EQ(client->Real(b8::kItemFTTLSET), 400.0f);
    EXPECT_GT(client->Real(b8::kItemFTTL), 300.0f);
    EXPECT_EQ(client->UInt(b8::kItemMode), 255u);
    EXPECT_EQ(client->UInt(b8::kItemDecimalsFlow), 1u);
    EXPECT_EQ(client->UInt(b8::AlarmEnableItem(b8::Measure::Temp, 8)), b8::kAlarmBits);
    // The model runs: the next images differ.
    std::vector<uint8_t> first = client->image;
    ::Sleep(300);
    ASSERT_TRUE(client->Refresh());
    EXPECT_EQ(Get<uint16_t>(client->header.data(), kHdrSequenceOffset), sequence + 1);
    EXPECT_NE(first, client->image);

    // The compact range mirrors the start of the block.
    ASSERT_TRUE(client->Subscribe(1, {{kBase, b8::kCompactSize}}));
    ASSERT_TRUE(client->Refresh());
    EXPECT_EQ(Get<uint16_t>(client->header.data(), kHdrLengthOffset), b8::kCompactSize);
}

TEST_F(ServerProcess, WritesChangeTheServersMemory) {
    StartServer();
    auto client = Subscribed();
    ASSERT_TRUE(client->Refresh());
    const float limit = 12.5f;
    ASSERT_TRUE(client->WriteItem(b8::BranchItem(b8::Family::FPHH, 1), &limit));
    ASSERT_TRUE(client->Refresh());
    EXPECT_FLOAT_EQ(client->Real(b8::BranchItem(b8::Family::FPHH, 1)), limit);
    // The model acts on it: branch 1's flow is far above the new HH limit.
    ASSERT_TRUE(PumpUntil(
        [&] {
            client->Refresh();
            return (client->UInt(b8::AlarmStateItem(b8::Measure::Flow, 1)) & b8::kAlarmHH) != 0;
        },
        kDeliveryTimeoutMs));
    EXPECT_TRUE(client->UInt(b8::kItemAlarmFlag) & b8::kFlagHH);

    // A one-byte switch write (7-byte payload): alarm inhibit.
    const uint8_t on = 255;
    ASSERT_TRUE(client->WriteItem(b8::kItemAlarmInhibit, &on));
    ASSERT_TRUE(PumpUntil(
        [&] {
            client->Refresh();
            return (client->UInt(b8::kItemAlarmFlag) & b8::kFlagAlarmInhibit) != 0;
        },
        kDeliveryTimeoutMs));
    EXPECT_EQ(client->UInt(b8::kItemAlarmInhibit), 255u);
    EXPECT_EQ(client->UInt(b8::AlarmStateItem(b8::Measure::Flow, 1)), 0u);

    // Malformed writes are refused and logged; nothing changes. The write area holds one
    // request: each is sent after the server has taken the one before.
    BYTE outside[10] = {};
    Put<uint32_t>(outside, 0, 0xFFFE);
    outside[4] = 4;
    EXPECT_TRUE(client->Write(1, 1, sizeof outside, outside));
    EXPECT_TRUE(WaitForLog("outside controller memory")) << server.Output();
    BYTE badWidth[8] = {};
    Put<uint32_t>(badWidth, 0, kBase);
    badWidth[4] = 4; // 4-byte width with an 8-byte payload
    EXPECT_TRUE(client->Write(1, 1, sizeof badWidth, badWidth));
    EXPECT_TRUE(WaitForLog("payload of 8 bytes with width 4")) << server.Output();
    ASSERT_TRUE(client->Refresh());
    EXPECT_FLOAT_EQ(client->Real(b8::kItemFTTLSET), 400.0f);
}

TEST_F(ServerProcess, ThirtyThirdClientIsRefused) {
    StartServer();
    std::vector<std::unique_ptr<ImageClient>> clients;
    std::vector<bool> seen(kMaxClients, false);
    for (int i = 0; i < kMaxClients; ++i) {
        clients.push_back(std::make_unique<ImageClient>());
        ASSERT_TRUE(clients.back()->Connect()) << i;
        int slot = clients.back()->GetSlot();
        ASSERT_TRUE(IsValidSlot(slot));
        EXPECT_FALSE(seen[slot]) << "slot " << slot << " given twice";
        seen[slot] = true;
    }
    ImageClient extra;
    EXPECT_FALSE(extra.Connect());
    EXPECT_EQ(extra.GetSlot(), -1);
    EXPECT_EQ(extra.GetSinkWnd(), nullptr);
    EXPECT_TRUE(WaitForLog("refused register: all 32 slots taken"));
    // A disconnected client frees its slot; the refused one asks again after the retry pause.
    int freed = clients[5]->GetSlot();
    clients[5]->Disconnect();
    EXPECT_FALSE(extra.Connect()) << "not within the pause after a refusal";
    ::Sleep(kRegisterRetryFirstMs);
    ASSERT_TRUE(extra.Connect());
    EXPECT_EQ(extra.GetSlot(), freed);
}

TEST_F(ServerProcess, KilledServerMakesPostsFail) {
    StartServer();
    auto client = Subscribed();
    ASSERT_TRUE(client->Refresh());
    server.Kill();
    const float value = 1.0f;
    EXPECT_FALSE(client->Read());
    EXPECT_FALSE(client->WriteItem(b8::BranchItem(b8::Family::FPHH, 1), &value));
    ImageClient late;
    EXPECT_FALSE(late.Connect());
}

TEST_F(ServerProcess, MalformedRequestsAreRefusedAndLogged) {
    StartServer();
    auto client = Subscribed();
    HWND window = client->GetServerWnd();
    const int slot = client->GetSlot();
    CFileMapping segment;
    ASSERT_TRUE(segment.Open(kClientSegmentNames[slot]));
    BYTE* area = segment.GetSubscriptionArea();
    const WPARAM subscribe = MakeWParam(kCmdSubscribe, slot);

    Put<uint32_t>(area, kSubCountOffset, 300);
    EXPECT_NE(::SendMessageW(window, kServerRequestMsg, subscribe, 0), kSubscribeAccepted);
    Put<uint32_t>(area, kSubCountOffset, 1);
    Put<uint32_t>(area, kSubEntriesOffset, 0xFFFFFF00); // outside the memory
    EXPECT_NE(::SendMessageW(window, kServerRequestMsg, subscribe, 0), kSubscribeAccepted);
    Put<uint32_t>(area, kSubEntriesOffset, kBase);
    Put<uint32_t>(area, kSubFirstEntryOffset, 32);
    EXPECT_NE(::SendMessageW(window, kServerRequestMsg, subscribe, 0), kSubscribeAccepted);
    Put<uint32_t>(area, kSubFirstEntryOffset, kSubFirstEntryValue);
    Put<uint32_t>(area, kSubMagicOffset, 0);
    EXPECT_NE(::SendMessageW(window, kServerRequestMsg, subscribe, 0), kSubscribeAccepted);
    EXPECT_NE(::SendMessageW(window, kServerRequestMsg, MakeWParam(kCmdSubscribe, 17), 0),
              kSubscribeAccepted)
        << "slot 17 is not registered";
    EXPECT_FALSE(IsValidSlot(::SendMessageW(window, kServerRequestMsg, MakeWParam(9, slot), 0)));
    EXPECT_FALSE(
        IsValidSlot(::SendMessageW(window, kServerRequestMsg, MakeWParam(kCmdRegister, 0), 0)));
    ::SendMessageW(window, kServerRequestMsg, MakeWParam(kCmdUnregister, 0xFFFF), 0);
    ::PostMessageW(window, kServerRequestMsg, MakeWParam(kCmdWrite, slot), 0); // stale request

    std::string log;
    for (const char* text :
         {"300 ranges, at most 256", "outside controller memory", "first entry at 32",
          "wrong magic 0x00000000", "slot 17 is not registered", "unknown command 9",
          "is no window", "slot 65535 is not registered", "refused write of slot"}) {
        EXPECT_TRUE(WaitForLog(text)) << text << "\n" << server.Output();
    }
    // A refused subscription ends the old one; the server itself goes on serving.
    EXPECT_FALSE(client->Read() && PumpUntil([&] { return client->deliveries > 0; }, 500));
    auto other = Subscribed();
    EXPECT_TRUE(other->Refresh());
}

TEST_F(ServerProcess, InjectedFaults) {
    StartServer(L"--bad-magic");
    ImageClient client;
    EXPECT_FALSE(client.Connect());
    server.Kill();

    StartServer(L"--refuse-register");
    EXPECT_FALSE(client.Connect());
    EXPECT_TRUE(server.WaitForOutput("refused register", 5000));
    server.Kill();

    StartServer(L"--refuse-subscribe");
    ASSERT_TRUE(client.Connect());
    EXPECT_FALSE(client.Subscribe(1, {{kBase, b8::kWholeSize}}));
    EXPECT_FALSE(client.Read());
    EXPECT_TRUE(server.WaitForOutput("refused subscribe", 5000));
    client.Disconnect();
    server.Kill();

    StartServer(L"--no-refresh");
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(client.Subscribe(1, {{kBase, b8::kWholeSize}}));
    EXPECT_TRUE(client.Read());
    EXPECT_FALSE(PumpUntil([&] { return client.deliveries > 0; }, 1500));
    client.Disconnect();
}

TEST_F(ServerProcess, HungClientDoesNotBlockOthers) {
    StartServer();
    auto hung = Subscribed();
    ASSERT_TRUE(hung->Read());
    // This thread stops pumping; another client on its own thread is still served.
    bool served = false;
    std::thread other([&] {
        ImageClient client;
        served = client.Connect() && client.Subscribe(1, {{kBase, b8::kCompactSize}}) &&
                 client.Refresh();
        client.Disconnect();
    });
    other.join();
    EXPECT_TRUE(served);
    EXPECT_TRUE(server.WaitForOutput("not delivered", 5000)) << server.Output();
    EXPECT_TRUE(server.Running());
}

// A data-ready the server could not deliver (this thread was busy beyond the server's send
// limit) is asked for again by the client: the data comes without another Read.
TEST_F(ServerProcess, ALostDataReadyIsAskedForAgain) {
    StartServer();
    auto client = Subscribed();
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // not counted as hung
    ASSERT_TRUE(client->Read());
    // Busy, as a host creating a detail view: the server's send times out and is dropped.
    ASSERT_TRUE(server.WaitForOutput("not delivered (error 1460)", kDeliveryTimeoutMs))
        << server.Output();
    EXPECT_TRUE(PumpUntil([&] { return client->deliveries > 0; }, kDeliveryTimeoutMs))
        << server.Output();
    EXPECT_EQ(client->lastWParam, MakeWParam(kCmdRefresh, client->GetSlot()));
    // Answered: nothing more is asked for.
    const int answered = client->deliveries;
    PumpUntil([] { return false; }, 2 * kRefreshRetryMs);
    EXPECT_EQ(client->deliveries, answered);
}

// Register, subscribe and unregister have a time limit: a hung server leaves the client not
// connected, and the calls return while the server still sleeps in its handler.
TEST_F(ServerProcess, HungServerNeverBlocksTheClient) {
    StartServer(L"--hang-on register");
    ImageClient client;
    EXPECT_FALSE(client.Connect());
    EXPECT_FALSE(client.IsConnected());
    EXPECT_TRUE(client.IsRegistering()) << "its answer would still be taken";
    EXPECT_EQ(client.GetServerWnd(), nullptr);
    EXPECT_FALSE(client.Subscribe(1, {{kBase, b8::kWholeSize}}));
    EXPECT_TRUE(server.WaitForOutput("hanging", 5000)) << server.Output();
    EXPECT_EQ(server.Output().find("register: slot"), std::string::npos)
        << "Connect waited for the hung handler to end";
    server.Kill();

    StartServer(L"--hang-on subscribe");
    ASSERT_TRUE(client.Connect());
    EXPECT_FALSE(client.Subscribe(1, {{kBase, b8::kWholeSize}}));
    EXPECT_FALSE(client.IsConnected());
    EXPECT_FALSE(client.IsSubscribed());
    EXPECT_FALSE(client.Read());
    EXPECT_EQ(server.Output().find("subscribe: slot"), std::string::npos);
    server.Kill();

    StartServer(L"--hang-on unregister");
    auto subscribed = Subscribed();
    ASSERT_TRUE(subscribed->Refresh());
    HWND sink = subscribed->GetSinkWnd();
    EXPECT_TRUE(subscribed->Disconnect());
    EXPECT_FALSE(subscribed->IsConnected());
    EXPECT_FALSE(::IsWindow(sink));
    EXPECT_EQ(server.Output().find("unregister: slot"), std::string::npos);
    // The server is still inside its handler: the next client is not blocked either.
    ImageClient late;
    EXPECT_FALSE(late.Connect());
    EXPECT_FALSE(late.IsConnected());
}

// A server that grants every register at once but answers only after 2.5 s, later than a
// client waits: the client sends one register, goes on, and takes the slot when the answer
// comes; a client that gave its register up gives the slot back. No slot is lost either way.
TEST_F(ServerProcess, ALateRegisterAnswerIsTakenOrGivenBack) {
    StartServer(L"--register-delay 2500");
    ImageClient client;
    const DWORD start = ::GetTickCount();
    EXPECT_FALSE(client.Connect());
    EXPECT_LT(::GetTickCount() - start, 2000u) << "Connect did not wait for the answer";
    EXPECT_TRUE(client.IsRegistering());
    EXPECT_FALSE(client.Connect()) << "one register at a time";
    ASSERT_TRUE(PumpUntil([&] { return client.IsConnected(); }, 10000)) << server.Output();
    EXPECT_FALSE(client.IsRegistering());
    EXPECT_TRUE(client.Connect());
    ASSERT_TRUE(client.Subscribe(1, {{kBase, b8::kWholeSize}}));
    ASSERT_TRUE(client.Refresh()) << server.Output();
    EXPECT_EQ(server.CountInOutput("register: answering"), 1u) << server.Output();

    // Given up before the answer: once it comes, the slot is unregistered at once.
    {
        ImageClient leaving;
        EXPECT_FALSE(leaving.Connect());
        EXPECT_TRUE(leaving.IsRegistering());
    }
    ASSERT_TRUE(PumpUntil([&] { return server.CountInOutput("unregister: slot") == 1; }, 10000))
        << server.Output();
    client.Disconnect();
    ASSERT_TRUE(PumpUntil([&] { return server.CountInOutput("unregister: slot") == 2; }, 5000));
    EXPECT_EQ(server.CountInOutput("\nregister: slot"), 2u) << server.Output();
    EXPECT_EQ(server.CountInOutput("unregister: slot"), 2u) << "every slot granted came back";
}

TEST_F(ServerProcess, SecondWriteNeverOverwritesAnUntakenRequest) {
    const float first = 11.5f, second = 22.5f;
    const uint16_t firstItem = b8::BranchItem(b8::Family::FPHH, 1);
    const uint16_t secondItem = b8::BranchItem(b8::Family::FPHH, 2);

    // The server is stuck in its write handler: it has not taken the first request, so the
    // second is refused and the first stays as it was.
    StartServer(L"--hang-on write");
    auto keeping = Subscribed();
    CFileMapping segment;
    ASSERT_TRUE(segment.Open(kClientSegmentNames[keeping->GetSlot()]));
    const BYTE* area = segment.GetWriteArea();
    ASSERT_TRUE(keeping->WriteItem(firstItem, &first));
    std::vector<BYTE> request(area, area + kWrPayloadOffset + kPayValueOffset + 4);
    EXPECT_FALSE(keeping->WriteItem(secondItem, &second));
    EXPECT_EQ(std::vector<BYTE>(area, area + request.size()), request);
    EXPECT_EQ(Get<uint32_t>(area + kWrPayloadOffset, kPayAddressOffset),
              kBase + b8::FindItem(firstItem)->offset);
    EXPECT_TRUE(keeping->IsConnected());
    segment.Close();
    keeping.reset();
    server.Kill();

    // A server that takes its requests: two writes in a row both arrive.
    StartServer();
    auto client = Subscribed();
    ASSERT_TRUE(client->WriteItem(firstItem, &first));
    ASSERT_TRUE(client->WriteItem(secondItem, &second));
    char line[64];
    for (uint16_t item : {firstItem, secondItem}) {
        snprintf(line, sizeof line, "write: slot %d, address 0x%X, 4 bytes", client->GetSlot(),
                 kBase + b8::FindItem(item)->offset);
        EXPECT_TRUE(WaitForLog(line)) << line << "\n" << server.Output();
    }
    ASSERT_TRUE(client->Refresh());
    EXPECT_FLOAT_EQ(client->Real(firstItem), first);
    EXPECT_FLOAT_EQ(client->Real(secondItem), second);
}

// The faceplate's way back after the server went away: Connect again (it drops the stale
// connection itself), then Subscribe and Read.
TEST_F(ServerProcess, RestartedServerIsReachedAgain) {
    ImageClient client;
    EXPECT_FALSE(client.Connect()) << "no server yet";
    StartServer();
    ASSERT_TRUE(client.Connect()) << "a server started after a failed connect";
    ASSERT_TRUE(client.Subscribe(1, {{kBase, b8::kWholeSize}}));
    ASSERT_TRUE(client.Refresh());
    const int firstSlot = client.GetSlot();
    const HWND firstServer = client.GetServerWnd();
    EXPECT_TRUE(client.IsServerAlive());

    server.Kill();
    EXPECT_FALSE(client.IsServerAlive());
    EXPECT_TRUE(client.IsConnected()) << "nothing has noticed yet";
    EXPECT_FALSE(client.Connect()) << "no server while it is down";
    EXPECT_FALSE(client.IsConnected());
    EXPECT_FALSE(client.Read());

    // The new server hands the first slot to another client, so this one moves.
    StartServer();
    ImageClient other;
    ASSERT_TRUE(other.Connect());
    ASSERT_EQ(other.GetSlot(), firstSlot);
    ASSERT_TRUE(client.Connect());
    EXPECT_NE(client.GetSlot(), firstSlot);
    EXPECT_NE(client.GetServerWnd(), firstServer);
    EXPECT_TRUE(client.IsServerAlive());
    EXPECT_FALSE(client.IsSubscribed());
    ASSERT_TRUE(client.Subscribe(1, {{kBase, b8::kWholeSize}}));
    const int before = client.deliveries;
    ASSERT_TRUE(client.Refresh()) << server.Output();
    EXPECT_EQ(client.deliveries, before + 1);
    EXPECT_EQ(client.lastWParam, MakeWParam(kCmdRefresh, client.GetSlot()));
    EXPECT_EQ(Get<uint16_t>(client.header.data(), kHdrSequenceOffset), 1)
        << "the image comes from the new server";
    EXPECT_FLOAT_EQ(client.Real(b8::kItemFTTLSET), 400.0f);

    // Killed while still registered: Connect itself notices, without a Read first.
    server.Kill();
    StartServer();
    ASSERT_TRUE(client.Connect());
    EXPECT_FALSE(client.IsSubscribed());
    ASSERT_TRUE(client.Subscribe(1, {{kBase, b8::kWholeSize}}));
    ASSERT_TRUE(client.Refresh()) << server.Output();
}

TEST_F(ServerProcess, EndsCleanly) {
    DWORD code = 99;
    StartServer();
    HANDLE quit = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, commsim::kDefaultQuitEvent);
    ASSERT_NE(quit, nullptr);
    ::SetEvent(quit);
    ::CloseHandle(quit);
    ASSERT_TRUE(server.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
    server.Kill();

    StartServer();
    auto client = std::make_unique<ImageClient>();
    ASSERT_TRUE(client->Connect());
    ::PostMessageW(client->GetServerWnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(server.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
    client.reset(); // unregistering from a gone server must not hang
    server.Kill();

    StartServer(L"--exit-after 300");
    ASSERT_TRUE(server.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_NE(server.Output().find("exit time reached"), std::string::npos);
    server.Kill();

    ASSERT_TRUE(server.Start(kt::BinPath(L"commserver.exe"), L"--period 0"));
    ASSERT_TRUE(server.WaitForExit(10000, &code));
    EXPECT_EQ(code, 2u) << "bad arguments";
}

} // namespace
