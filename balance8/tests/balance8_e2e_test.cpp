// FP_BALANCE8.dll end to end: opened through its exports by the test host's code, fed by the
// communication server program in a second process, written through the real confirmation
// dialog and logged by the real log library.
#include "ChildProcess.h"
#include "Pump.h"
#include "ComClient.h"
#include "CommProtocol.h"
#include "BlockTable.h"
#include "Host.h"
#include "Text.h"
#include "UiActions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

using namespace fphost;
using kt::ChildProcess;
using kt::PumpUntil;

namespace {

constexpr char kTag[] = "BAL101";
constexpr int kBase = 0x1000;
constexpr int kStatusLine = 32750;
constexpr int kModeOn = 12151;
constexpr int kModeOff = 32769;
constexpr int kLoop21 = 12499;
constexpr WORD kLoop21Item = 96;
constexpr UINT kEditEnter = 2024;

std::wstring BinDir() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

std::wstring ControlText(HWND fp, int id) {
    return kfw::GetWindowTextW(FindControl(fp, id));
}
int Checked(HWND fp, int id) {
    return static_cast<int>(::SendMessageW(FindControl(fp, id), BM_GETCHECK, 0, 0));
}

// Data-ready for slot 0 to this process's sink window, as the server sends it after a refresh.
void DeliverToSink() {
    wchar_t sinkName[64];
    swprintf(sinkName, 64, L"Communation Notification Sink #%lu", ::GetCurrentProcessId());
    HWND sink = ::FindWindowW(CCommNotifyWnd::kClassName, sinkName);
    ASSERT_TRUE(sink);
    ::SendMessageW(sink, commproto::kServerNotifyMsg,
                   commproto::MakeWParam(commproto::kCmdRefresh, 0), 0);
}

std::vector<std::string> ReadLines(const std::wstring& file) {
    std::vector<std::string> lines;
    std::ifstream in(file.c_str());
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

// Answers the next confirmation dialog from inside its modal loop, as an operator would.
struct ConfirmAnswer {
    static inline bool accept = true;
    static inline std::wstring reason;
    static inline int answered = 0;
    static inline UINT_PTR timer = 0;
    static inline Host* closeThrough = nullptr; // the host closes the dialog instead
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = FindOwnedDialog([](HWND) { return true; }, true);
        if (!dialog)
            return;
        Disarm();
        ++answered;
        if (closeThrough)
            closeThrough->CloseConfirm("bal101.LOOP");
        else
            AnswerDialog(dialog, accept, reason);
    }
    static void Arm(bool acceptIt, const std::wstring& why) {
        Disarm();
        accept = acceptIt;
        reason = why;
        timer = ::SetTimer(nullptr, 0, 50, OnTimer);
    }
    static void Disarm() {
        if (timer)
            ::KillTimer(nullptr, timer);
        timer = 0;
    }
};

class Balance8Test : public ::testing::Test {
protected:
    ChildProcess server;
    std::unique_ptr<Host> host;
    std::wstring logFile = TempFile(L"balance8_e2e.log");
    std::wstring serverIni = TempFile(L"balance8_e2e_station.ini");

    void StartServer(const std::wstring& extra = L"") {
        std::ofstream ini(serverIni.c_str());
        ini << "[server]\nperiod = 200\nseed = 3\n\n[block BAL101]\nbase = 0x1000\n95 = 1\n";
        ini.close();
        ASSERT_TRUE(server.Start(BinDir() + L"commserver.exe",
                                 L"--config \"" + serverIni + L"\" " + extra));
        ASSERT_TRUE(ChildProcess::WaitForMapping(commproto::kServerHandleSegmentName, 10000));
    }

    // Per-item security levels of the tag (item name or index -> level).
    std::vector<ItemSetting<uint16_t>> itemLevels;
    uint8_t station = 1; // the station's row in the control information

    void MakeHost(bool callbacks = false, int confirm = 1) {
        ::DeleteFileW(logFile.c_str());
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", logFile.c_str());
        ::SetEnvironmentVariableW(L"KR_CONFIRM_AUTO", L"none");
        HostConfig config;
        config.callbacks = callbacks;
        config.almState = false;
        TagConfig tag;
        tag.name = kTag;
        tag.description = "heater";
        tag.base = kBase;
        tag.confirm = confirm;
        tag.itemConfirm = 1; // every item asks for confirmation
        tag.itemLevels = itemLevels;
        tag.station = station;
        tag.width = 128;
        tag.height = 750;
        tag.detailWidth = 945;
        tag.detailHeight = 890;
        config.tags.push_back(tag);
        host = std::make_unique<Host>(config);
        BlockTable table;
        std::string error;
        ASSERT_TRUE(LoadBalance8Table(table, error)) << error;
        ASSERT_TRUE(host->Prepare(table, error)) << error;
        ASSERT_TRUE(host->LoadModule(error)) << error;
    }

    HWND Open(OpenMode mode) {
        std::string error;
        HWND fp = host->Open(kTag, mode, error);
        EXPECT_TRUE(fp) << error;
        return fp;
    }

    void TearDown() override {
        ConfirmAnswer::Disarm();
        ConfirmAnswer::closeThrough = nullptr;
        ConfirmAnswer::answered = 0;
        if (host)
            host->CloseAll();
        host.reset();
        server.Kill();
        ::DeleteFileW(serverIni.c_str());
    }
};

TEST_F(Balance8Test, CloseMatchesTrimmedCaseInsensitiveNameAndKind) {
    MakeHost();
    HWND embedded = Open(OpenMode::Embedded);
    HWND older = Open(OpenMode::Compact);
    HWND newer = Open(OpenMode::Compact);
    EXPECT_EQ(host->Close("  bal101.FTTL ", 0), 0) << "CloseType 0 never closes anything";
    EXPECT_TRUE(::IsWindow(newer));
    EXPECT_EQ(host->Close("  bal101.FTTL ", 1), 1);
    EXPECT_FALSE(::IsWindow(newer)) << "the newest movable faceplate goes first";
    EXPECT_TRUE(::IsWindow(older));
    EXPECT_TRUE(::IsWindow(embedded)) << "an embedded faceplate needs bit 2";
    EXPECT_EQ(host->Close("BAL101", 2), 1);
    EXPECT_FALSE(::IsWindow(embedded));
    EXPECT_EQ(host->Close("OTHER", 3), 0);
    EXPECT_EQ(host->Close("bal101", 3), 1);
    EXPECT_FALSE(::IsWindow(older));
}

TEST_F(Balance8Test, ShowDetailActsOnTheNewestMovableFaceplate) {
    MakeHost();
    HWND older = Open(OpenMode::Compact);
    HWND newer = Open(OpenMode::Compact);
    RECT before{}, after{};
    ::GetWindowRect(newer, &before);
    EXPECT_EQ(host->ShowDetail("Bal101", true), 1);
    ::GetWindowRect(newer, &after);
    EXPECT_GT(after.right - after.left, before.right - before.left);
    RECT olderRect{};
    ::GetWindowRect(older, &olderRect);
    EXPECT_EQ(olderRect.right - olderRect.left, before.right - before.left);
    // The same state again changes nothing.
    EXPECT_EQ(host->ShowDetail("BAL101", true), 1);
    RECT again{};
    ::GetWindowRect(newer, &again);
    EXPECT_EQ(again.right - again.left, after.right - after.left);
}

TEST_F(Balance8Test, FirstDeliveryShownAndEighthMissedTickFails) {
    StartServer(L"--no-refresh-after 3000");
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000))
        << "the first delivery shows the block's mode";
    EXPECT_EQ(Checked(fp, kModeOff), 0);
    ::KillTimer(fp, 1); // ticks are driven by hand from here on
    kt::PumpFor(3100);  // refreshes have stopped
    DeliverToSink();    // one more delivery: no tick missed since
    for (int tick = 1; tick <= 7; ++tick) {
        ::SendMessageW(fp, WM_TIMER, 1, 0);
        EXPECT_NE(ControlText(fp, kStatusLine), L"COMM_FAIL") << "tick " << tick;
    }
    ::SendMessageW(fp, WM_TIMER, 1, 0);
    EXPECT_EQ(ControlText(fp, kStatusLine), L"COMM_FAIL");
    // From the next tick on data is not good: mode off shown checked, every loop unchecked.
    ::SendMessageW(fp, WM_TIMER, 1, 0);
    EXPECT_EQ(Checked(fp, kModeOff), 1);
    EXPECT_EQ(Checked(fp, kModeOn), 0);
    EXPECT_EQ(Checked(fp, kLoop21), 0);
    // The lamp, 16 pixels below the middle of the title, is repainted (black).
    RECT title{};
    ::GetWindowRect(FindControl(fp, 32760), &title);
    ::MapWindowPoints(nullptr, fp, reinterpret_cast<POINT*>(&title), 2);
    HRGN update = ::CreateRectRgn(0, 0, 0, 0);
    ::GetUpdateRgn(fp, update, FALSE);
    EXPECT_TRUE(::PtInRegion(update, (title.left + title.right) / 2 - 1, title.bottom + 16));
    ::DeleteObject(update);
}

TEST_F(Balance8Test, LaterDeliveriesAreShownAtTheNextTick) {
    // The server stops answering refreshes, so that only the test delivers from then on.
    StartServer(L"--no-refresh-after 3000");
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    ::KillTimer(fp, 1); // ticks by hand
    kt::PumpFor(3100);

    // A delivery as the server makes it: the image in the client's data area, then data-ready
    // to the client's sink window. The faceplate is the only client: slot 0.
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_WRITE, FALSE, commproto::kClientSegmentNames[0]);
    ASSERT_TRUE(mapping);
    auto* view = static_cast<BYTE*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view);
    const b8::ItemDef* mode = b8::FindItem(b8::kItemMode);
    ASSERT_TRUE(mode);
    view[commproto::kDataHeaderSize + mode->offset] = 0;
    DeliverToSink();
    EXPECT_EQ(Checked(fp, kModeOn), 1) << "a later delivery is not shown at once";
    ::SendMessageW(fp, WM_TIMER, 1, 0);
    EXPECT_EQ(Checked(fp, kModeOn), 0) << "the next tick shows it";
    EXPECT_EQ(Checked(fp, kModeOff), 1);
    ::UnmapViewOfFile(view);
    ::CloseHandle(mapping);
}

TEST_F(Balance8Test, ConfirmedSwitchWriteReachesServerAndLogOnce) {
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    ASSERT_EQ(Checked(fp, kLoop21), 0);

    // Cancelled: nothing sent, nothing logged, the switch still shows off.
    ConfirmAnswer::answered = 0;
    ConfirmAnswer::Arm(false, L"");
    ClickControl(FindControl(fp, kLoop21));
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 1; }, 5000));
    kt::PumpFor(300);
    EXPECT_EQ(Checked(fp, kLoop21), 0);
    EXPECT_TRUE(ReadLines(logFile).empty());

    // Accepted with a reason: the request bytes in the client's write area, the log line.
    ConfirmAnswer::Arm(true, L"test reason");
    ClickControl(FindControl(fp, kLoop21));
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 2; }, 5000));
    kt::PumpFor(300);
    EXPECT_EQ(Checked(fp, kLoop21), 1) << "shown at once from the patched block";

    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, commproto::kClientSegmentNames[0]);
    ASSERT_TRUE(mapping);
    auto* view = static_cast<const BYTE*>(::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ASSERT_TRUE(view);
    const BYTE* area = view + commproto::kWriteAreaOffset;
    uint16_t length = 0;
    std::memcpy(&length, area + commproto::kWrLengthOffset, 2);
    EXPECT_EQ(length, 7);
    const BYTE* payload = area + commproto::kWrPayloadOffset;
    uint32_t address = 0;
    std::memcpy(&address, payload, 4);
    const b8::ItemDef* def = b8::FindItem(kLoop21Item);
    ASSERT_TRUE(def);
    EXPECT_EQ(address, static_cast<uint32_t>(kBase + def->offset));
    EXPECT_EQ(payload[4], 1);
    EXPECT_EQ(payload[5], 0);
    EXPECT_EQ(payload[6], 255);
    ::UnmapViewOfFile(view);
    ::CloseHandle(mapping);

    std::vector<std::string> lines = ReadLines(logFile);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("BAL101"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("test reason"), std::string::npos) << lines[0];

    // The server took the write: later refreshes keep the loop on.
    kt::PumpFor(1500);
    EXPECT_EQ(Checked(fp, kLoop21), 1);

    // The next record does not repeat the reason.
    ConfirmAnswer::Arm(true, L"");
    ClickControl(FindControl(fp, kLoop21));
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 3; }, 5000));
    kt::PumpFor(300);
    lines = ReadLines(logFile);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].find("test reason"), std::string::npos) << lines[1];
}

TEST_F(Balance8Test, HostClosesAnOpenConfirmationAsCancelled) {
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    ConfirmAnswer::closeThrough = host.get();
    ConfirmAnswer::Arm(true, L"");
    ClickControl(FindControl(fp, kLoop21));
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 1; }, 5000));
    kt::PumpFor(300);
    EXPECT_EQ(FindOwnedDialog([fp](HWND owner) { return owner == fp; }, true), nullptr);
    EXPECT_EQ(Checked(fp, kLoop21), 0) << "cancelled: the switch still shows off";
    EXPECT_TRUE(ReadLines(logFile).empty());
}

TEST_F(Balance8Test, PopChildFillsItsContainer) {
    MakeHost();
    HWND fp = Open(OpenMode::PopChild);
    ASSERT_TRUE(fp);
    LONG style = ::GetWindowLongW(fp, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_VISIBLE);
    HWND container = ::GetParent(fp);
    ASSERT_TRUE(container);
    RECT client{}, rc{};
    ::GetClientRect(container, &client);
    ::GetWindowRect(fp, &rc);
    ::MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 1);
    EXPECT_EQ(rc.top, 1);
    EXPECT_EQ(rc.right - rc.left, client.right - 1);
    EXPECT_EQ(rc.bottom - rc.top, client.bottom - 1);
}

TEST_F(Balance8Test, NoWriteWithoutConnection) {
    MakeHost(); // no server
    HWND fp = Open(OpenMode::Compact);
    ConfirmAnswer::Arm(true, L"x");
    ClickControl(FindControl(fp, kModeOff));
    kt::PumpFor(500);
    EXPECT_EQ(ConfirmAnswer::answered, 0) << "not connected: no confirmation, no write";
    EXPECT_TRUE(ReadLines(logFile).empty());
}

TEST_F(Balance8Test, EntryFromAForeignEditWritesNothing) {
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    // Any process can post 2024: an edit that is not one of the faceplate's numeric edits (or
    // that does not exist) must not lead to a write; the focus still goes to the tag name.
    HWND foreign = ::CreateWindowExW(0, L"EDIT", L"12.5", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, fp,
                                     reinterpret_cast<HMENU>(12444), nullptr, nullptr);
    ::SetForegroundWindow(fp);
    ::PostMessageW(fp, kEditEnter, 12444, reinterpret_cast<LPARAM>(foreign));
    ::PostMessageW(fp, kEditEnter, 12176, 0);
    kt::PumpFor(800);
    HWND focus = ::GetFocus();
    wchar_t cls[64] = {};
    ::GetClassNameW(focus, cls, 64);
    EXPECT_EQ(focus, FindControl(fp, 32760))
        << "focus on " << kfw::Narrow(cls) << " id " << ::GetDlgCtrlID(focus);
    EXPECT_TRUE(ReadLines(logFile).empty());
    HWND dialog = FindOwnedDialog([fp](HWND owner) { return owner == fp; }, true);
    EXPECT_EQ(dialog, nullptr) << "no confirmation was asked for";
    ::DestroyWindow(foreign);
}

TEST_F(Balance8Test, ModeButtonOfTheCurrentModeDoesNothing) {
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000)) << "item 95 = 1";
    ConfirmAnswer::Arm(true, L"");
    ClickControl(FindControl(fp, kModeOn));
    kt::PumpFor(600);
    EXPECT_EQ(ConfirmAnswer::answered, 0) << "mode is already on: no prompt, no write";
    EXPECT_TRUE(ReadLines(logFile).empty());
}

TEST_F(Balance8Test, WriteLevelsFollowItemSecurityAndUserLevel) {
    itemLevels = {{"96", 7}, {"97", 0}};
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    HWND loop21 = FindControl(fp, kLoop21); // item 96, level 7
    HWND loop22 = FindControl(fp, 12103);   // item 97, level 0: never operable
    HWND loop41 = FindControl(fp, 12104);   // item 98, the tag's level 1
    EXPECT_FALSE(::IsWindowEnabled(loop21)) << "user level 5 is below 7";
    EXPECT_FALSE(::IsWindowEnabled(loop22));
    EXPECT_TRUE(::IsWindowEnabled(loop41));
    HWND second = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(second, kModeOn) == 1; }, 5000));
    host->ChangeUser("chief", 9, 1);
    kt::PumpFor(100);
    EXPECT_TRUE(::IsWindowEnabled(loop21));
    EXPECT_TRUE(::IsWindowEnabled(FindControl(second, kLoop21))) << "every faceplate follows";
    EXPECT_FALSE(::IsWindowEnabled(loop22)) << "level 0 stays locked for every user";
    host->ChangeUser("trainee", 0, 0);
    kt::PumpFor(100);
    EXPECT_FALSE(::IsWindowEnabled(loop41));
}

TEST_F(Balance8Test, WithoutOperatePermissionEverySwitchIsLocked) {
    station = 3; // no permission in the control information: every level becomes 0
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    EXPECT_FALSE(::IsWindowEnabled(FindControl(fp, 12104)));
    EXPECT_FALSE(::IsWindowEnabled(FindControl(fp, kModeOff)));
}

TEST_F(Balance8Test, RtDataBadOnlyInHostCallbackMode) {
    StartServer();
    MakeHost(true);
    host->Database().SetBad(kTag, true);
    HWND fp = Open(OpenMode::Compact);
    EXPECT_TRUE(PumpUntil([&] { return ControlText(fp, kStatusLine) == L"RTDATA_BAD"; }, 4000));
    host->CloseAll();
    host->SetCallbacks(false);
    fp = Open(OpenMode::Compact);
    kt::PumpFor(2500);
    EXPECT_NE(ControlText(fp, kStatusLine), L"RTDATA_BAD");
}

} // namespace
