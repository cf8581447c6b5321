// FP_BALANCE8.dll end to end: opened through its exports by the test host's code, fed by the
// communication server program in a second process, written through the real confirmation
// dialog and logged by the real log library.
#include "ChildProcess.h"
#include "PeerFixture.h"
#include "MsgSequence.h"
#include "Pump.h"
#include "ComClient.h"
#include "ControlSupport.h"
#include "Screenshot.h"
#include "CommProtocol.h"
#include "FPConstants.h"
#include "FPText.h"
#include "BlockTable.h"
#include "KrToolkit.h"
#include "Balance8Bindings.h"
#include "Balance8Ids.h"
#include "Host.h"
#include "KrConfirmIds.h"
#include "Text.h"
#include "UiActions.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace fphost;
using kt::ChildProcess;
using kt::PumpUntil;

namespace {

constexpr char kTag[] = "BAL101";
constexpr int kBase = 0x1000;
constexpr int kStatusLine = IDC_FP_STATUS;
constexpr int kModeOn = IDC_MODE_ON;
constexpr int kModeOff = IDC_MODE_OFF;
constexpr int kLoop21 = IDC_LOOP_21;
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

// The screen pixels of a window as 0x00RRGGBB values, row by row.
std::vector<uint32_t> ScreenPixels(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    std::vector<uint32_t> pixels(static_cast<size_t>(w * h));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, dib);
    ::BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    ::GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * 4);
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    for (uint32_t& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

// Pixels of a control that differ from the faceplate's background: its caption, frame, marks.
int InkedPixels(HWND control) {
    int n = 0;
    for (uint32_t p : ScreenPixels(control))
        n += p != 0xD2D2D2;
    return n;
}

// The server's value of an item as a fresh faceplate of the tag shows it: nothing a closed or
// refused faceplate did reached the server when a new one still reads the old value.
int CheckedInFreshFaceplate(Host& host, int controlId) {
    std::string error;
    HWND fp = host.Open(kTag, OpenMode::Compact, error);
    if (!fp || !PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000))
        return -1;
    kt::PumpFor(1200);
    return Checked(fp, controlId);
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

// What the host does while a confirmation is open, instead of the operator answering it.
enum class HostAction { None, CloseConfirm, CloseFaceplate, CloseConfirmThenFaceplate };

// Answers the next confirmation dialog from inside its modal loop, as an operator would.
struct ConfirmAnswer {
    static inline bool accept = true;
    static inline std::wstring reason;
    static inline int answered = 0;
    static inline std::wstring message; // of the last confirmation answered
    static inline UINT_PTR timer = 0;
    static inline Host* closeThrough = nullptr; // the host acts instead of the operator
    static inline HostAction action = HostAction::CloseConfirm;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = FindOwnedDialog([](HWND) { return true; }, true);
        if (!dialog)
            return;
        Disarm();
        ++answered;
        message = kfw::GetWindowTextW(::GetDlgItem(dialog, IDC_KRC_MESSAGE));
        if (!closeThrough) {
            AnswerDialog(dialog, accept, reason);
            return;
        }
        if (action == HostAction::CloseConfirm || action == HostAction::CloseConfirmThenFaceplate)
            closeThrough->CloseConfirm("bal101.LOOP");
        if (action == HostAction::CloseFaceplate || action == HostAction::CloseConfirmThenFaceplate)
            closeThrough->Close("bal101", 3);
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

// Closes every message box the faceplate shows, as an operator would after reading it, and
// keeps its text.
struct MessageBoxWatch {
    static inline std::vector<std::wstring> texts;
    static inline UINT_PTR timer = 0;
    static inline HWND faceplate = nullptr;
    static BOOL CALLBACK CollectText(HWND child, LPARAM lp) {
        wchar_t cls[32] = {};
        ::GetClassNameW(child, cls, 32);
        if (::lstrcmpiW(cls, L"Static") == 0)
            *reinterpret_cast<std::wstring*>(lp) += kfw::GetWindowTextW(child);
        return TRUE;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = FindOwnedDialog([](HWND owner) { return owner == faceplate; }, false);
        if (!box)
            return;
        std::wstring text;
        ::EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
        texts.push_back(text);
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    explicit MessageBoxWatch(HWND fp) {
        faceplate = fp;
        texts.clear();
        timer = ::SetTimer(nullptr, 0, 50, OnTimer);
    }
    ~MessageBoxWatch() { ::KillTimer(nullptr, timer); }
};

class Balance8Test : public ::testing::Test {
protected:
    ChildProcess server;
    std::unique_ptr<Host> host;
    std::wstring logFile = TempFile(L"balance8_e2e.log");
    std::wstring serverIni = TempFile(L"balance8_e2e_station.ini");

    std::string blockSettings; // more "item = value" lines of the server's block

    void StartServer(const std::wstring& extra = L"") {
        std::ofstream ini(serverIni.c_str());
        ini << "[server]\nperiod = 200\nseed = 3\n\n[block BAL101]\nbase = 0x1000\n95 = 1\n"
            << blockSettings;
        ini.close();
        ASSERT_TRUE(server.Start(BinDir() + L"commserver.exe",
                                 L"--config \"" + serverIni + L"\" " + extra));
        // The segment exists a moment before the server's window handle is in it.
        ASSERT_TRUE(server.WaitForOutput("started:", 10000)) << server.Output();
    }

    // Per-item security levels of the tag (item name or index -> level).
    std::vector<ItemSetting<uint16_t>> itemLevels;
    uint8_t station = 1; // the station's row in the control information

    void MakeHost(bool callbacks = false, int confirm = 1) {
        // A new log: the seal of the last one goes with it (a log file alone removed is
        // tampering, which the next writer marks).
        ::DeleteFileW(logFile.c_str());
        ::DeleteFileW((logFile + L".seal").c_str());
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", logFile.c_str());
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
        ConfirmAnswer::action = HostAction::CloseConfirm;
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
    // From the next tick on data is not good: the switches show no state at all.
    ::SendMessageW(fp, WM_TIMER, 1, 0);
    EXPECT_EQ(Checked(fp, kModeOff), BST_INDETERMINATE);
    EXPECT_EQ(Checked(fp, kModeOn), BST_INDETERMINATE);
    EXPECT_EQ(Checked(fp, kLoop21), BST_INDETERMINATE);
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

// The operation log cannot take the record (a folder where the log file should be): the
// confirmed change is not sent, and a message box the faceplate owns says so.
TEST_F(Balance8Test, AChangeTheLogCannotRecordIsNotMadeAndTheOperatorIsTold) {
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    std::wstring folder = TempFile(L"balance8_e2e_log_folder");
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", folder.c_str());
    {
        MessageBoxCloser closer(300, BinDir() + L"..\\balance8_not_recorded_box.png");
        ConfirmAnswer::answered = 0;
        ConfirmAnswer::Arm(true, L"test reason");
        ClickControl(FindControl(fp, kLoop21));
        ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 1; }, 5000));
        ASSERT_TRUE(PumpUntil([&] { return !closer.Texts().empty(); }, 5000));
        kt::PumpFor(500);
        // The last box: the closer sees the confirmation dialog go by too.
        std::wstring text = closer.Texts().back();
        std::wstring point = text.substr(0, text.find(L' '));
        EXPECT_EQ(text, kfw::Widen(::fp::Format(::fp::key::WriteNotRecorded, "s",
                                                kfw::Narrow(point).c_str())));
        EXPECT_EQ(point.rfind(L"BAL101.", 0), 0u) << kfw::Narrow(text);
        EXPECT_EQ(closer.Owners().back(), fp) << "owned by the faceplate";
    }
    EXPECT_EQ(Checked(fp, kLoop21), 0) << "the switch still shows off";
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", logFile.c_str());
    ::RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(CheckedInFreshFaceplate(*host, kLoop21), 0) << "the server never got the write";
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

namespace {

TEST_F(Balance8Test, HostClosingTheFaceplateDuringItsConfirmationSendsAndLogsNothing) {
    for (HostAction action : {HostAction::CloseFaceplate, HostAction::CloseConfirmThenFaceplate}) {
        StartServer();
        MakeHost();
        HWND fp = Open(OpenMode::Compact);
        ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
        ConfirmAnswer::closeThrough = host.get();
        ConfirmAnswer::action = action;
        ConfirmAnswer::answered = 0;
        ConfirmAnswer::Arm(true, L"");
        ClickControl(FindControl(fp, kLoop21));
        ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 1; }, 5000));
        kt::PumpFor(500); // the process survives the unwinding of the write path
        EXPECT_FALSE(::IsWindow(fp));
        EXPECT_TRUE(ReadLines(logFile).empty());
        EXPECT_EQ(CheckedInFreshFaceplate(*host, kLoop21), 0) << "the switch was never written";
        TearDown();
    }
}

TEST_F(Balance8Test, PostedClicksOnLockedSwitchesWriteNothing) {
    // No confirmation for this tag: a click that got through would write silently.
    itemLevels = {{"95", 7}, {"96", 7}};
    StartServer();
    MakeHost(false, 0);
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    HWND loop = FindControl(fp, kLoop21);
    ASSERT_FALSE(::IsWindowEnabled(loop)) << "user level 5 is below 7";
    // Any process can post these, with or without the button's window.
    for (LPARAM from : {reinterpret_cast<LPARAM>(loop), LPARAM{0}}) {
        ::PostMessageW(fp, WM_COMMAND, MAKEWPARAM(kLoop21, BN_CLICKED), from);
        ::PostMessageW(fp, WM_COMMAND, MAKEWPARAM(kModeOff, BN_CLICKED),
                       from ? reinterpret_cast<LPARAM>(FindControl(fp, kModeOff)) : 0);
    }
    kt::PumpFor(1500);
    EXPECT_EQ(Checked(fp, kLoop21), 0);
    EXPECT_EQ(Checked(fp, kModeOn), 1);
    EXPECT_TRUE(ReadLines(logFile).empty());

    // The same posted click from an operator who may operate the switch does write.
    host->ChangeUser("chief", 9, 0);
    ::PostMessageW(fp, WM_COMMAND, MAKEWPARAM(kLoop21, BN_CLICKED), 0);
    EXPECT_TRUE(PumpUntil([&] { return Checked(fp, kLoop21) == 1; }, 3000));
    EXPECT_EQ(ReadLines(logFile).size(), 1u);
}

TEST_F(Balance8Test, UserLevelsOutsideTheControlsRangeAreClamped) {
    itemLevels = {{"96", 7}};
    StartServer();
    MakeHost(false, 0);
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    host->ChangeUser("nobody", -1, 0);
    kt::PumpFor(100);
    for (int id : {kModeOn, kModeOff, kLoop21, 12103, 12104, 12106, 12105, 12107, 12108})
        EXPECT_FALSE(::IsWindowEnabled(FindControl(fp, id))) << "level -1 locks " << id;
    ::PostMessageW(fp, WM_COMMAND, MAKEWPARAM(12104, BN_CLICKED), 0);
    kt::PumpFor(800);
    EXPECT_TRUE(ReadLines(logFile).empty());
    host->ChangeUser("root", 70000, 0);
    kt::PumpFor(100);
    EXPECT_TRUE(::IsWindowEnabled(FindControl(fp, kLoop21))) << "above 65535 is the highest";
}

TEST_F(Balance8Test, ANewUserGetsItsRightsAtOnceWhileDataIsBad) {
    StartServer();
    MakeHost(true);
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) != BST_INDETERMINATE; }, 5000));
    HWND loop41 = FindControl(fp, 12104); // the tag's level 1
    ASSERT_TRUE(::IsWindowEnabled(loop41));
    host->Database().SetBad(kTag, true);
    ASSERT_TRUE(PumpUntil([&] { return ControlText(fp, kStatusLine) == L"RTDATA_BAD"; }, 4000));
    host->ChangeUser("trainee", 0, 0);
    EXPECT_FALSE(::IsWindowEnabled(loop41));
}

TEST_F(Balance8Test, WithoutGoodDataSwitchesShowNoStateAndWriteNothing) {
    StartServer(L"--no-refresh-after 3000");
    MakeHost(false, 0);
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    ::KillTimer(fp, 1);
    HWND loop = FindControl(fp, kLoop21);
    kt::PumpFor(300);
    const std::vector<uint32_t> off = ScreenPixels(loop);
    kt::PumpFor(3100); // refreshes have stopped
    for (int tick = 0; tick < 9; ++tick)
        ::SendMessageW(fp, WM_TIMER, 1, 0);
    ASSERT_EQ(ControlText(fp, kStatusLine), L"COMM_FAIL");
    for (int id : {kModeOn, kModeOff, kLoop21, 12103, 12104, 12106, 12105, 12107, 12108})
        EXPECT_EQ(Checked(fp, id), BST_INDETERMINATE) << "control " << id;
    kt::PumpFor(300);
    EXPECT_NE(ScreenPixels(loop), off) << "no data looks different from off";
    ::PostMessageW(fp, WM_COMMAND, MAKEWPARAM(kLoop21, BN_CLICKED), 0);
    kt::PumpFor(500);
    EXPECT_TRUE(ReadLines(logFile).empty());
}

TEST_F(Balance8Test, SwitchesStayDrawnAfterAConfirmedChange) {
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    ::SetForegroundWindow(fp);
    kt::PumpFor(500);
    HWND loop22 = FindControl(fp, 12103);
    const int before = InkedPixels(loop22);
    ASSERT_GT(before, 20) << "the switch's caption and frame are drawn";
    ConfirmAnswer::Arm(true, L"pixels");
    ClickControl(FindControl(fp, kLoop21));
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 1; }, 5000));
    kt::PumpFor(3000); // the status line changes and the frame repaints meanwhile
    EXPECT_GT(InkedPixels(loop22), before / 2) << "the switch vanished after the change";
    EXPECT_GT(InkedPixels(FindControl(fp, kModeOn)), 20);
}

TEST_F(Balance8Test, ShownValuesComeFromTheCopyTakenAtDelivery) {
    StartServer(L"--no-refresh-after 3000");
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    ::KillTimer(fp, 1);
    kt::PumpFor(3100);
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_WRITE, FALSE, commproto::kClientSegmentNames[0]);
    ASSERT_TRUE(mapping);
    auto* view = static_cast<BYTE*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view);
    DeliverToSink();
    // The server rewriting its area after the delivery does not reach the display.
    view[commproto::kDataHeaderSize + b8::FindItem(b8::kItemMode)->offset] = 0;
    ::SendMessageW(fp, WM_TIMER, 1, 0);
    EXPECT_EQ(Checked(fp, kModeOn), 1);
    DeliverToSink();
    ::SendMessageW(fp, WM_TIMER, 1, 0);
    EXPECT_EQ(Checked(fp, kModeOn), 0) << "the next delivery is shown";
    ::UnmapViewOfFile(view);
    ::CloseHandle(mapping);
}

TEST_F(Balance8Test, AFloatingFaceplateFillsItsContainerWhereTheHostPutIt) {
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(fp);
    HWND container = ::GetWindow(fp, GW_OWNER);
    ASSERT_TRUE(container);
    POINT origin{1, 1};
    ::ClientToScreen(container, &origin);
    ASSERT_NE(origin.x, 1) << "the container must not sit at the screen's corner for this test";
    RECT rc{};
    ::GetWindowRect(fp, &rc);
    EXPECT_EQ(rc.left, origin.x);
    EXPECT_EQ(rc.top, origin.y);
}

TEST_F(Balance8Test, FloatingFaceplatesHaveNoMenuAndEmbeddedOnesTheirId) {
    MakeHost();
    HWND floating = Open(OpenMode::Compact);
    HWND embedded = Open(OpenMode::Embedded);
    EXPECT_EQ(::GetMenu(floating), nullptr);
    EXPECT_EQ(::GetDlgCtrlID(embedded), static_cast<int>(fp::kFaceplateControlId));
}

} // namespace

namespace {

// Ticks by hand, pumping between them so that the server's answers arrive.
void Ticks(HWND fp, int count) {
    for (int i = 0; i < count; ++i) {
        ::SendMessageW(fp, WM_TIMER, 1, 0);
        kt::PumpFor(150);
    }
}

TEST_F(Balance8Test, ARestartedServerIsReachedAgainWithinTwoTicks) {
    StartServer();
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) == 1; }, 5000));
    ::KillTimer(fp, 1);
    server.Kill();
    kt::PumpFor(300);
    Ticks(fp, 7);
    EXPECT_NE(ControlText(fp, kStatusLine), L"COMM_FAIL") << "7 missed ticks are tolerated";
    Ticks(fp, 1);
    ASSERT_EQ(ControlText(fp, kStatusLine), L"COMM_FAIL");
    StartServer();
    Ticks(fp, 2);
    EXPECT_NE(ControlText(fp, kStatusLine), L"COMM_FAIL");
    EXPECT_EQ(Checked(fp, kModeOn), 1) << "live data again";
}

// A server that answers every register after 2.5 s, later than the client waits for it: the
// host's loop keeps running, one register is sent, its late answer brings the data, and every
// slot the server grants comes back, also that of a faceplate closed before its answer came.
TEST_F(Balance8Test, ASlowServerNeitherFreezesTheHostNorKeepsItsSlots) {
    StartServer(L"--register-delay 2500");
    MakeHost();
    constexpr DWORD kWatchMs = 10000, kStallMs = 200;
    const DWORD start = ::GetTickCount();
    DWORD last = start, blocked = 0;
    HWND fp = Open(OpenMode::Compact);
    while (::GetTickCount() - start < kWatchMs) {
        kt::PumpFor(10);
        const DWORD now = ::GetTickCount();
        if (now - last > kStallMs)
            blocked += now - last; // the host's loop did not run for that long
        last = now;
    }
    EXPECT_LT(blocked, kWatchMs / 4) << "host blocked " << blocked << " ms of " << kWatchMs;
    EXPECT_EQ(Checked(fp, kModeOn), 1) << "live data through the late registration";
    EXPECT_NE(ControlText(fp, kStatusLine), L"COMM_FAIL");
    EXPECT_EQ(server.CountInOutput("register: answering"), 1u) << server.Output();

    HWND second = Open(OpenMode::Compact);
    ASSERT_TRUE(second);
    EXPECT_EQ(host->Close(kTag, 1), 1) << "closed before its register is answered";
    ASSERT_TRUE(PumpUntil([&] { return server.CountInOutput("unregister: slot") == 1; }, 8000))
        << server.Output();
    host->CloseAll();
    ASSERT_TRUE(PumpUntil([&] { return server.CountInOutput("unregister: slot") == 2; }, 5000))
        << server.Output();
    EXPECT_EQ(server.CountInOutput("\nregister: slot"), 2u) << server.Output();
}

TEST_F(Balance8Test, AServerStartedAfterTheFaceplateIsFound) {
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ::KillTimer(fp, 1);
    Ticks(fp, 8);
    ASSERT_EQ(ControlText(fp, kStatusLine), L"COMM_FAIL");
    StartServer();
    Ticks(fp, 2);
    EXPECT_EQ(Checked(fp, kModeOn), 1);
}

} // namespace

namespace {

constexpr int kTab = IDC_FP_TAB;

// The last write request in the client's write area: address, width and value.
struct WriteRequest {
    uint32_t address = 0;
    int width = 0;
    uint32_t value = 0;
};
WriteRequest LastWrite() {
    WriteRequest w;
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, commproto::kClientSegmentNames[0]);
    if (!mapping)
        return w;
    auto* view = static_cast<const BYTE*>(::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (view) {
        const BYTE* payload = view + commproto::kWriteAreaOffset + commproto::kWrPayloadOffset;
        std::memcpy(&w.address, payload + commproto::kPayAddressOffset, 4);
        w.width = payload[commproto::kPayWidthOffset];
        std::memcpy(&w.value, payload + commproto::kPayValueOffset, static_cast<size_t>(w.width));
        ::UnmapViewOfFile(view);
    }
    ::CloseHandle(mapping);
    return w;
}

uint32_t AddressOf(uint16_t item) {
    return static_cast<uint32_t>(kBase + b8::FindItem(item)->offset);
}

std::string KeyText(const char* key) {
    CKrString text = CKrStringDBWrapper::GetString(key);
    return text.GetString() ? text.GetString() : "";
}

// The visible page window of a faceplate's detail view (a child dialog holding the id).
HWND VisiblePageWith(HWND fp, int id) {
    HWND control = FindControl(fp, id);
    return control && ::IsWindowVisible(control) ? ::GetParent(control) : nullptr;
}

void ClickTab(HWND fp, int index) {
    SelectTab(FindControl(fp, kTab), index);
    kt::PumpFor(300);
}

const fp::Binding* AlarmBox(b8::Page page, b8::Measure m, int branch, uint32_t bit) {
    for (const fp::Binding& row : b8ui::Rows())
        if (row.window == b8ui::WindowOf(page) && b8ui::IsAlarmBox(row) &&
            row.item == b8::AlarmEnableItem(m, branch) && row.bits == bit)
            return &row;
    return nullptr;
}

// A control of a page, found by page and id (check-box ids repeat across pages).
HWND PageControl(HWND fp, b8::Page page, int id) {
    HWND anchor = nullptr;
    for (size_t i = 0; i < b8::ItemCount(); ++i)
        if (b8::Items()[i].page == page && b8::Items()[i].editId) {
            anchor = FindControl(fp, b8::Items()[i].editId);
            break;
        }
    return anchor ? ::GetDlgItem(::GetParent(anchor), id) : nullptr;
}

class DetailTest : public Balance8Test {
protected:
    HWND OpenDetail() {
        HWND fp = Open(OpenMode::Compact);
        EXPECT_EQ(host->ShowDetail(kTag, true), 1);
        return fp;
    }
    bool WaitLive(HWND fp) {
        return PumpUntil(
            [&] { return ControlText(fp, 12176) != L"????" && !ControlText(fp, 12176).empty(); },
            6000);
    }
};

TEST_F(DetailTest, NineTabsOnceAndTheChosenPageInFront) {
    StartServer();
    MakeHost();
    HWND fp = OpenDetail();
    HWND tab = FindControl(fp, kTab);
    EXPECT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 9);
    EXPECT_TRUE(VisiblePageWith(fp, 12176)) << "the overview page in front";
    // A page not in front is refreshed too: its values are there when it comes forward.
    ASSERT_TRUE(PumpUntil([&] { return ControlText(fp, 12243) == L"1.000"; }, 6000))
        << "K of branch 1 on the K/T/L page: " << kfw::Narrow(ControlText(fp, 12243));
    ClickTab(fp, 8);
    EXPECT_TRUE(VisiblePageWith(fp, 12243)) << "index 8: K/T/L (KPM1)";
    ClickTab(fp, 7);
    EXPECT_TRUE(VisiblePageWith(fp, b8::FindItem(b8::BranchItem(b8::Family::FPVL, 1))->editId))
        << "index 7: the rate page";
    host->ShowDetail(kTag, false);
    host->ShowDetail(kTag, true);
    EXPECT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 9) << "built once";
    EXPECT_TRUE(VisiblePageWith(fp, b8::FindItem(b8::BranchItem(b8::Family::FPVL, 1))->editId))
        << "the last chosen page is in front again";
    EXPECT_FALSE(VisiblePageWith(fp, 12176));
}

TEST_F(DetailTest, OverviewShowsUnavailableThenLiveValuesThenUnavailableAgain) {
    MakeHost(); // no server yet
    HWND fp = OpenDetail();
    // The first ticks show "????" (later under load, when the pages take longer to build).
    EXPECT_TRUE(PumpUntil([&] { return ControlText(fp, 12176) == L"????"; }, 6000));
    kt::PumpFor(300);
    EXPECT_EQ(ControlText(fp, 12176), L"????");
    EXPECT_EQ(ControlText(fp, 12463), L"????");
    StartServer();
    ASSERT_TRUE(WaitLive(fp));
    // Branch flows with the flow decimals of the model (one decimal), FTTL with three.
    std::wstring flow = ControlText(fp, 12463);
    ASSERT_NE(flow.find(L'.'), std::wstring::npos);
    EXPECT_EQ(flow.size() - flow.find(L'.') - 1, 1u) << kfw::Narrow(flow);
    std::wstring total = ControlText(fp, 12176);
    EXPECT_EQ(total.size() - total.find(L'.') - 1, 3u) << kfw::Narrow(total);
    server.Kill();
    ASSERT_TRUE(PumpUntil([&] { return ControlText(fp, kStatusLine) == L"COMM_FAIL"; }, 15000));
    kt::PumpFor(1200);
    EXPECT_EQ(ControlText(fp, 12176), L"????");
}

TEST_F(DetailTest, OverviewSwitchesAndAnEnteredSetValueAreWritten) {
    blockSettings = "94 = 1\n";
    StartServer();
    MakeHost();
    HWND fp = OpenDetail();
    ASSERT_TRUE(WaitLive(fp));
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, 12126) == 1; }, 3000)) << "out of service";
    ConfirmAnswer::Arm(true, L"back in service");
    ClickControl(FindControl(fp, 12126));
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 1; }, 5000));
    kt::PumpFor(300);
    WriteRequest w = LastWrite();
    EXPECT_EQ(w.address, AddressOf(b8::kItemOutOfService));
    EXPECT_EQ(w.width, 1);
    EXPECT_EQ(w.value, 0u);
    std::vector<std::string> lines = ReadLines(logFile);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(KeyText("FP_ACCUM_STR000179")), std::string::npos) << lines[0];

    ConfirmAnswer::Arm(true, L"new set value");
    // Into the edit first (the faceplate selects its text), then type as an operator would.
    ClickControl(FindControl(fp, 12444));
    kt::PumpFor(300);
    TypeText(FindControl(fp, 12444), L"123.5");
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 2; }, 5000));
    kt::PumpFor(300);
    w = LastWrite();
    EXPECT_EQ(w.address, AddressOf(b8::kItemFTTLSET));
    EXPECT_EQ(w.width, 4);
    float value = 0;
    std::memcpy(&value, &w.value, 4);
    EXPECT_FLOAT_EQ(value, 123.5f);
    EXPECT_TRUE(PumpUntil([&] { return ControlText(fp, 12444) == L"123.500"; }, 4000));
}

TEST_F(DetailTest, AlarmBoxesComposeTheirWordAcrossThePvAndRatePages) {
    blockSettings = "507 = 16\n511 = 0\n";
    StartServer();
    MakeHost();
    HWND fp = OpenDetail();
    ASSERT_TRUE(WaitLive(fp));
    const fp::Binding* hh3 =
        AlarmBox(b8::Page::PVAlarmSetup, b8::Measure::Flow, 3, b8::kAlarmHH);
    const fp::Binding* rate3 =
        AlarmBox(b8::Page::SpeedAlarmSetup, b8::Measure::Flow, 3, b8::kAlarmRate);
    const fp::Binding* low5 =
        AlarmBox(b8::Page::PVAlarmSetup, b8::Measure::Flow, 5, b8::kAlarmL);
    ASSERT_TRUE(hh3 && rate3 && low5);
    HWND hhBox = PageControl(fp, b8::Page::PVAlarmSetup, hh3->controlId);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return ::SendMessageW(PageControl(fp, b8::Page::SpeedAlarmSetup, rate3->controlId),
                                  BM_GETCHECK, 0, 0) == BST_CHECKED;
        },
        3000));
    ClickTab(fp, 4);
    ConfirmAnswer::Arm(true, L"hh on");
    ClickControl(hhBox);
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 1; }, 5000));
    kt::PumpFor(300);
    WriteRequest w = LastWrite();
    EXPECT_EQ(w.address, AddressOf(507));
    EXPECT_EQ(w.width, 2);
    EXPECT_EQ(w.value, 0x11u);

    // Cancel, then click another box of the same word at once: the cancelled box shows the
    // block's state again before the next input, and the word sent holds only the new bit.
    // Ticks by hand from here, so that no refresh undoes the cancelled state instead.
    ::KillTimer(fp, 1);
    HWND low5Box = PageControl(fp, b8::Page::PVAlarmSetup, low5->controlId);
    ConfirmAnswer::Arm(false, L"");
    ClickControl(low5Box);
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 2; }, 5000));
    EXPECT_EQ(::SendMessageW(low5Box, BM_GETCHECK, 0, 0), BST_UNCHECKED)
        << "cancelled: the block's state at once";
    const fp::Binding* hh5 =
        AlarmBox(b8::Page::PVAlarmSetup, b8::Measure::Flow, 5, b8::kAlarmHH);
    ASSERT_TRUE(hh5);
    ConfirmAnswer::Arm(true, L"hh 5 on");
    ClickControl(PageControl(fp, b8::Page::PVAlarmSetup, hh5->controlId));
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 3; }, 5000));
    kt::PumpFor(300);
    w = LastWrite();
    EXPECT_EQ(w.address, AddressOf(511));
    EXPECT_EQ(w.value, b8::kAlarmHH) << "without the cancelled low alarm";
}

TEST_F(DetailTest, LimitRateBoxAndControlMethodButton) {
    blockSettings = "554 = 0\n103 = 255\n";
    StartServer();
    MakeHost();
    HWND fp = OpenDetail();
    ASSERT_TRUE(WaitLive(fp));
    const fp::Binding* rate6 = nullptr;
    for (const fp::Binding& row : b8ui::Rows())
        if (b8ui::IsLimitBox(row) && row.bits == 1u << (3 * 5 + 2))
            rate6 = &row;
    ASSERT_TRUE(rate6);
    ClickTab(fp, 3);
    ConfirmAnswer::Arm(true, L"rate 6");
    ClickControl(PageControl(fp, b8::Page::SVLimtSetup, rate6->controlId));
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 1; }, 5000));
    kt::PumpFor(300);
    WriteRequest w = LastWrite();
    EXPECT_EQ(w.address, AddressOf(b8::kItemLimitEnable));
    EXPECT_EQ(w.width, 4);
    EXPECT_EQ(w.value, 0x20000u);
    std::vector<std::string> lines = ReadLines(logFile);
    ASSERT_EQ(lines.size(), 1u);
    char expected[256];
    snprintf(expected, sizeof expected, KeyText("FP_ACCUM_STR000473").c_str(), 6);
    EXPECT_NE(lines[0].find(expected), std::string::npos) << lines[0];

    ClickTab(fp, 8);
    ConfirmAnswer::Arm(true, L"method");
    ClickControl(FindControl(fp, 12655));
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 2; }, 5000));
    kt::PumpFor(300);
    w = LastWrite();
    EXPECT_EQ(w.address, AddressOf(b8::kItemControlMethod));
    EXPECT_EQ(w.value, 0u);
    lines = ReadLines(logFile);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find(KeyText("FP_ACCUM_STR000476")), std::string::npos) << lines[1];
}

TEST_F(DetailTest, AnActiveAlarmHighlightsItsLimitAndLockedBoxesWriteNothing) {
    blockSettings = "FPHH1 = 10\n";
    itemLevels = {{"503", 7}};
    StartServer();
    MakeHost(false, 0);
    HWND fp = OpenDetail();
    ASSERT_TRUE(WaitLive(fp));
    ClickTab(fp, 4);
    HWND hh1 = FindControl(fp, b8::FindItem(b8::BranchItem(b8::Family::FPHH, 1))->editId);
    HWND hh2 = FindControl(fp, b8::FindItem(b8::BranchItem(b8::Family::FPHH, 2))->editId);
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (uint32_t p : ScreenPixels(hh1))
                if (p == 0xFFF94D)
                    return true;
            return false;
        },
        5000))
        << "the HH limit of branch 1 is crossed: yellow";
    int yellow2 = 0;
    for (uint32_t p : ScreenPixels(hh2))
        yellow2 += p == 0xFFF94D;
    EXPECT_EQ(yellow2, 0) << "branch 2 is not in alarm";

    // Branch 1's flow enable word needs level 7: its boxes are locked for level 5.
    const fp::Binding* h1 =
        AlarmBox(b8::Page::PVAlarmSetup, b8::Measure::Flow, 1, b8::kAlarmH);
    HWND box = PageControl(fp, b8::Page::PVAlarmSetup, h1->controlId);
    EXPECT_FALSE(::IsWindowEnabled(box));
    ::PostMessageW(::GetParent(box), WM_COMMAND, MAKEWPARAM(h1->controlId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(box));
    kt::PumpFor(1000);
    EXPECT_TRUE(ReadLines(logFile).empty()) << "no confirmation on this tag: nothing written";
}

TEST_F(DetailTest, WithTheDetailViewHiddenNoPageControlChanges) {
    StartServer();
    MakeHost();
    HWND fp = OpenDetail();
    ASSERT_TRUE(WaitLive(fp));
    host->ShowDetail(kTag, false);
    kt::PumpFor(1200);
    std::wstring before = ControlText(fp, 12463);
    kt::PumpFor(2500); // the model's flows move every period
    EXPECT_EQ(ControlText(fp, 12463), before);
}

// The windows of the faceplate (itself included) that have something to repaint.
std::vector<HWND> Invalid(HWND fp) {
    struct Collect {
        static BOOL CALLBACK Add(HWND h, LPARAM lp) {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
            return TRUE;
        }
    };
    std::vector<HWND> windows{fp};
    ::EnumChildWindows(fp, &Collect::Add, reinterpret_cast<LPARAM>(&windows));
    std::vector<HWND> invalid;
    for (HWND h : windows)
        if (::IsWindowVisible(h) && ::GetUpdateRect(h, nullptr, FALSE))
            invalid.push_back(h);
    return invalid;
}

// A tick whose data and host status are as before touches no control: nothing is left to
// repaint, in the compact faceplate and in the detail view (host callbacks on, so that the
// tick also asks the host for the tag's status).
// Every message sent or posted to a control of a faceplate (its pages' controls included) while
// it lives, with the control's id.
class ControlTraffic {
public:
    explicit ControlTraffic(HWND fp) {
        s_fp = fp;
        s_seen.clear();
        m_send = ::SetWindowsHookExW(WH_CALLWNDPROC, OnSend, nullptr, ::GetCurrentThreadId());
        m_post = ::SetWindowsHookExW(WH_GETMESSAGE, OnPost, nullptr, ::GetCurrentThreadId());
    }
    ~ControlTraffic() {
        ::UnhookWindowsHookEx(m_send);
        ::UnhookWindowsHookEx(m_post);
    }
    const std::vector<std::pair<int, UINT>>& Seen() const { return s_seen; }
    std::string Describe() const {
        std::ostringstream out;
        for (const auto& [id, msg] : s_seen)
            out << id << ":0x" << std::hex << msg << std::dec << " ";
        return out.str();
    }

private:
    static void Note(HWND hwnd, UINT msg) {
        // Windows that are not the faceplate's pages or controls (the pages themselves are
        // containers: their own messages count as well).
        if (hwnd != s_fp && ::IsChild(s_fp, hwnd))
            s_seen.emplace_back(::GetDlgCtrlID(hwnd), msg);
    }
    static LRESULT CALLBACK OnSend(int code, WPARAM wp, LPARAM lp) {
        if (code == HC_ACTION) {
            auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
            Note(m->hwnd, m->message);
        }
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
    static LRESULT CALLBACK OnPost(int code, WPARAM wp, LPARAM lp) {
        if (code == HC_ACTION && wp == PM_REMOVE) {
            auto* m = reinterpret_cast<const MSG*>(lp);
            Note(m->hwnd, m->message);
        }
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
    static inline HWND s_fp = nullptr;
    static inline std::vector<std::pair<int, UINT>> s_seen;
    HHOOK m_send = nullptr;
    HHOOK m_post = nullptr;
};

// The bound rows keep what their controls show: a refresh of the same block touches no control
// of the strip or of any page, not even to read its text, and leaves nothing to repaint.
TEST_F(DetailTest, ATickWithNothingChangedTouchesNoControl) {
    StartServer(L"--period 60000"); // the model stands still: every delivery is the same
    MakeHost(true);
    for (bool detail : {false, true}) {
        HWND fp = detail ? OpenDetail() : Open(OpenMode::Compact);
        ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) != BST_INDETERMINATE; }, 5000));
        if (detail) {
            ASSERT_TRUE(WaitLive(fp));
        }
        ::KillTimer(fp, 1); // ticks by hand
        for (int tick = 0; tick < 2; ++tick) {
            ::SendMessageW(fp, WM_TIMER, 1, 0);
            kt::PumpFor(300);
        }
        ::RedrawWindow(fp, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        {
            ControlTraffic traffic(fp);
            for (int tick = 0; tick < 2; ++tick) {
                ::SendMessageW(fp, WM_TIMER, 1, 0);
                kt::PumpExceptPaint(300); // the delivery the tick asked for
                std::vector<HWND> invalid = Invalid(fp);
                EXPECT_TRUE(invalid.empty())
                    << (detail ? "detail" : "compact") << ": " << invalid.size()
                    << " windows to repaint, the first id "
                    << (invalid.empty() ? 0 : ::GetDlgCtrlID(invalid[0]));
            }
            EXPECT_TRUE(traffic.Seen().empty())
                << (detail ? "detail" : "compact") << ": " << traffic.Describe();
            // The recorder sees what a control is sent.
            const size_t seen = traffic.Seen().size();
            ::SendMessageW(FindControl(fp, kStatusLine), WM_NULL, 0, 0);
            EXPECT_EQ(traffic.Seen().size(), seen + 1);
        }
        EXPECT_NE(ControlText(fp, kStatusLine), L"COMM_FAIL");
        host->CloseAll();
    }
}

// What the controls of the detail view receive while nothing changes: their paint messages
// are recorded (the title, a loop switch, a status line, and on the page in front an edit, an
// unnamed static and the first check box or switch), over ticks with the same data and over
// focus moving into the faceplate and out again.
TEST_F(DetailTest, ControlsGetNoPaintWhileNothingTheyShowChanges) {
    StartServer(L"--period 60000"); // the model stands still: every delivery is the same
    MakeHost();
    HWND fp = OpenDetail();
    ASSERT_TRUE(WaitLive(fp));
    kt::PumpFor(1500); // a tick after the first data: everything shown as it stays
    ::RedrawWindow(fp, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    HWND edit = FindControl(fp, 12176);
    HWND page = ::GetParent(edit);
    ASSERT_TRUE(::IsWindowVisible(page));
    HWND unnamed = nullptr;
    for (HWND h = ::GetWindow(page, GW_CHILD); h && !unnamed; h = ::GetWindow(h, GW_HWNDNEXT))
        if (::GetDlgCtrlID(h) == -1 || ::GetDlgCtrlID(h) == 0xFFFF)
            unnamed = h;
    ASSERT_TRUE(unnamed);
    const HWND watched[] = {FindControl(fp, 32760), FindControl(fp, kLoop21),
                            FindControl(fp, kStatusLine), edit, unnamed};
    std::vector<std::unique_ptr<kt::MsgRecorder>> recorders;
    int id = 0;
    for (HWND h : watched) {
        ASSERT_TRUE(h);
        recorders.push_back(std::make_unique<kt::MsgRecorder>(h, ++id));
    }
    kt::MsgLog::Get().Clear();
    kt::MsgLog::Get().RecordOnly({WM_PAINT, WM_ERASEBKGND, WM_NCPAINT});

    kt::PumpFor(2500); // two ticks of the faceplate's own timer and their deliveries
    EXPECT_TRUE(kt::MsgLog::Get().Entries().empty())
        << "ticks: " << kt::Describe(kt::MsgLog::Get().Entries());
    EXPECT_NE(ControlText(fp, kStatusLine), L"COMM_FAIL");

    kt::MsgLog::Get().Clear();
    ::SetFocus(fp);
    kt::PumpFor(200);
    ::SetFocus(nullptr);
    kt::PumpFor(200);
    EXPECT_TRUE(kt::MsgLog::Get().Entries().empty())
        << "focus: " << kt::Describe(kt::MsgLog::Get().Entries());
    kt::MsgLog::Get().RecordOnly({});
    kt::MsgLog::Get().Clear();
    recorders.clear();
    host->CloseAll();
}

// Closes the next message box owned by `owner` and keeps its text, from inside the modal loop
// of the box as an operator would.
struct OwnedBox {
    static inline HWND owner = nullptr;
    static inline std::wstring text;
    static inline int seen = 0;
    static inline UINT_PTR timer = 0;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = FindOwnedDialog([](HWND o) { return o == owner; }, false);
        if (!box)
            return;
        text = kfw::GetWindowTextW(::GetDlgItem(box, 0xFFFF));
        ++seen;
        ::SendMessageW(box, WM_COMMAND, IDOK, 0);
    }
    static void Arm(HWND fp) {
        owner = fp;
        text.clear();
        seen = 0;
        timer = ::SetTimer(nullptr, 0, 50, OnTimer);
    }
    static void Disarm() {
        if (timer)
            ::KillTimer(nullptr, timer);
        timer = 0;
    }
};

// The server's request lines ("write: slot ...") in the order it took them.
std::vector<std::string> ServerWrites(ChildProcess& server) {
    std::vector<std::string> writes;
    std::istringstream out(server.Output());
    for (std::string line; std::getline(out, line);)
        if (line.rfind("write:", 0) == 0)
            writes.push_back(line);
    return writes;
}

class ChangeTest : public DetailTest {
protected:
    // Types a value into an edit as an operator would and answers the confirmation.
    void Enter(HWND fp, int editId, const wchar_t* text, int answersBefore) {
        ConfirmAnswer::Arm(true, L"change");
        ClickControl(FindControl(fp, editId));
        kt::PumpFor(100);
        TypeText(FindControl(fp, editId), text);
        ASSERT_TRUE(PumpUntil([&] { return ConfirmAnswer::answered == answersBefore + 1; }, 5000));
    }
    // A server with the given options, the detail view open on its data, and the boxes the
    // faceplate shows the operator answered and kept.
    HWND OpenLive(const std::wstring& serverOptions = L"") {
        StartServer(serverOptions);
        MakeHost();
        HWND fp = OpenDetail();
        EXPECT_TRUE(WaitLive(fp));
        OwnedBox::Arm(fp);
        return fp;
    }
    void TearDown() override {
        OwnedBox::Disarm();
        DetailTest::TearDown();
    }
};

constexpr int kTotalFlowSet = IDC_FTTLSET;

// A server that follows the protocol but never touches the write area: two changes confirmed
// one right after the other both reach it, in order, and the block keeps the second.
TEST_F(ChangeTest, TwoConfirmedChangesBothReachAServerThatLeavesTheWriteArea) {
    HWND fp = OpenLive(L"--leave-write-area");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    Enter(fp, kTotalFlowSet, L"123.5", 0);
    Enter(fp, kTotalFlowSet, L"234.5", 1);
    EXPECT_EQ(OwnedBox::seen, 0) << kfw::Narrow(OwnedBox::text) << "\n" << server.Output();
    char address[32];
    snprintf(address, sizeof address, "address 0x%X, 4 bytes", AddressOf(b8::kItemFTTLSET));
    ASSERT_TRUE(PumpUntil([&] { return ServerWrites(server).size() >= 2; }, 3000));
    std::vector<std::string> writes = ServerWrites(server);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_NE(writes[0].find(address), std::string::npos) << writes[0];
    EXPECT_EQ(ReadLines(logFile).size(), 2u) << "both logged";
    // Deliveries after both: the block holds the second value.
    kt::PumpFor(2500);
    EXPECT_EQ(ControlText(fp, kTotalFlowSet), L"234.500");
}

// A server that stops answering: the confirmed change is withdrawn within a bounded time, the
// operator is told in a box the faceplate owns, and the log says it was not made.
TEST_F(ChangeTest, AChangeTheServerDoesNotTakeIsReportedAndNotLogged) {
    HWND fp = OpenLive(L"--hang-on write");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    Enter(fp, kTotalFlowSet, L"321.5", 0);
    ASSERT_TRUE(PumpUntil([] { return OwnedBox::seen == 1; }, 6000)) << "no box for the operator";
    EXPECT_NE(OwnedBox::text.find(L"BAL101"), std::wstring::npos) << kfw::Narrow(OwnedBox::text);
    // Recorded before it was sent, then recorded as not made.
    std::vector<std::string> lines = ReadLines(logFile);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("FTTLSET"), std::string::npos) << lines[1];
    EXPECT_GT(lines[1].size(), lines[0].size()) << "the first record and what became of it";
}

// After a confirmed change the edit shows what was entered until the block is read again:
// never a local zero in between.
TEST_F(ChangeTest, AnEnteredValueStaysShownUntilTheBlockIsRead) {
    HWND fp = OpenLive();
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    Enter(fp, kTotalFlowSet, L"77.25", 0);
    std::vector<std::wstring> seen;
    PumpUntil(
        [&] {
            std::wstring t = ControlText(fp, kTotalFlowSet);
            if (seen.empty() || seen.back() != t)
                seen.push_back(t);
            return false;
        },
        2500);
    ASSERT_FALSE(seen.empty());
    for (const std::wstring& t : seen)
        EXPECT_TRUE(t == L"77.25" || t == L"77.250") << "shown after the change: " << kfw::Narrow(t);
    EXPECT_EQ(seen.back(), L"77.250");
}

// A server that takes the request but whose controller keeps its value: after three
// deliveries the edit carries the not-taken mark (a red corner) and a tip naming both values.
TEST_F(ChangeTest, AValueTheControllerDoesNotTakeIsMarkedOnItsEdit) {
    HWND fp = OpenLive(L"--keep-writes");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    HWND edit = FindControl(fp, kTotalFlowSet);
    auto marked = [&] {
        for (uint32_t p : ScreenPixels(edit))
            if (p == 0xC80000)
                return true;
        return false;
    };
    EXPECT_FALSE(marked());
    Enter(fp, kTotalFlowSet, L"55.5", 0);
    EXPECT_EQ(ReadLines(logFile).size(), 1u) << "the server took the request";
    ::SetFocus(fp); // the operator moves on: the edit shows what the block holds
    ASSERT_TRUE(PumpUntil(marked, 6000)) << "no mark after the deliveries";
    EXPECT_TRUE(PumpUntil([&] { return ControlText(fp, kTotalFlowSet) == L"400.000"; }, 3000))
        << "the block's value is shown";
    EXPECT_TRUE(marked()) << "the mark stays while the block holds another value";
    // For a person to look at: the page with the marked edit.
    kfw::SaveWindowPng(::GetParent(edit), L"not_taken_mark.png");
    const std::wstring tip = kctl::parent_tips::Get(edit);
    EXPECT_NE(tip.find(L"55.500"), std::wstring::npos) << kfw::Narrow(tip);
    EXPECT_NE(tip.find(L"400.000"), std::wstring::npos) << kfw::Narrow(tip);
}

// The detail view opened on a compact faceplate whose server then delivers nothing more: the
// pages show nothing of the block they have not received, and their boxes take no input.
TEST_F(ChangeTest, PagesOpenedBeforeTheirDataShowAndTakeNothing) {
    blockSettings = "507 = 16\n";
    StartServer(L"--no-refresh-after 2500");
    MakeHost();
    HWND fp = Open(OpenMode::Compact);
    ASSERT_TRUE(PumpUntil([&] { return Checked(fp, kModeOn) != BST_INDETERMINATE; }, 5000));
    kt::PumpFor(2600); // the server answers no refresh from here
    ASSERT_EQ(host->ShowDetail(kTag, true), 1);
    kt::PumpFor(300);
    EXPECT_NE(ControlText(fp, kStatusLine), L"COMM_FAIL") << "still within the missed ticks";
    const std::wstring hh1 =
        ControlText(fp, b8::FindItem(b8::BranchItem(b8::Family::FPHH, 1))->editId);
    EXPECT_TRUE(hh1 == L"????" || hh1.empty()) << kfw::Narrow(hh1);
    const fp::Binding* hh3 =
        AlarmBox(b8::Page::PVAlarmSetup, b8::Measure::Flow, 3, b8::kAlarmHH);
    HWND box = PageControl(fp, b8::Page::PVAlarmSetup, hh3->controlId);
    ConfirmAnswer::Arm(true, L"hh 3");
    ::PostMessageW(::GetParent(box), WM_COMMAND, MAKEWPARAM(hh3->controlId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(box));
    kt::PumpFor(800);
    EXPECT_EQ(ConfirmAnswer::answered, 0) << "a word composed from states never delivered";
    EXPECT_TRUE(ReadLines(logFile).empty());
}

// Entries typed into the total-flow set value as an operator types them, confirmed in the real
// dialog: each is written as the number typed, or nothing is written and the operator is told
// why. The last request stays readable in the client's write area.
TEST_F(DetailTest, TypedEntriesAreWrittenAsTypedOrNotAtAllWithTheReason) {
    blockSettings = std::to_string(b8::kItemFTTLSET) + " = 400\n";
    StartServer();
    MakeHost();
    HWND fp = OpenDetail();
    ASSERT_TRUE(WaitLive(fp));
    HWND edit = FindControl(fp, 12444);
    ASSERT_TRUE(PumpUntil([&] { return ControlText(fp, 12444) == L"400.000"; }, 4000))
        << kfw::Narrow(ControlText(fp, 12444));
    MessageBoxWatch boxes(fp);
    ConfirmAnswer::answered = 0;
    auto type = [&](const std::wstring& text) {
        ClickControl(edit); // the faceplate selects the whole text
        kt::PumpFor(300);
        TypeText(edit, text);
        kt::PumpFor(800);
    };
    auto nothingWritten = [&](const char* entry) {
        SCOPED_TRACE(entry);
        EXPECT_EQ(ConfirmAnswer::answered, 0) << "no confirmation";
        EXPECT_EQ(LastWrite().width, 0) << "no write request";
        EXPECT_TRUE(ReadLines(logFile).empty()) << "no log record";
        EXPECT_TRUE(PumpUntil([&] { return ControlText(fp, 12444) == L"400.000"; }, 2000))
            << kfw::Narrow(ControlText(fp, 12444));
    };
    ConfirmAnswer::Arm(true, L"entry test");

    // Enter on the value as shown; letters of "nan" (refused as typed); a paste of "1e39"
    // (refused whole): nothing changes, so nothing is written and nothing asked.
    type(L"");
    nothingWritten("Enter alone");
    type(L"nan");
    nothingWritten("nan");
    ClickControl(edit);
    kt::PumpFor(300);
    ASSERT_TRUE(::OpenClipboard(edit));
    ::EmptyClipboard();
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, sizeof L"1e39");
    std::memcpy(::GlobalLock(mem), L"1e39", sizeof L"1e39");
    ::GlobalUnlock(mem);
    ::SetClipboardData(CF_UNICODETEXT, mem);
    ::CloseClipboard();
    ::PostMessageW(edit, WM_PASTE, 0, 0);
    kt::PumpFor(200);
    EXPECT_EQ(ControlText(fp, 12444), L"400.000") << "never 139";
    TypeText(edit, L"");
    kt::PumpFor(800);
    nothingWritten("pasted 1e39");
    EXPECT_TRUE(MessageBoxWatch::texts.empty());

    // Not a number, or beyond what a REAL holds: a message box owned by the faceplate says so.
    type(L"-");
    nothingWritten("-");
    auto said = [](const char* key, const char* kinds, const char* a, const char* b = nullptr) {
        char out[512];
        KrFormat(out, sizeof out, KeyText(key).c_str(), kinds, a, b);
        return kfw::Widen(out);
    };
    ASSERT_EQ(MessageBoxWatch::texts.size(), 1u);
    EXPECT_EQ(MessageBoxWatch::texts[0], said("FP_ENTRY_STR000002", "s", "-"));
    const std::string huge = "1" + std::string(39, '0');
    type(kfw::Widen(huge.c_str()));
    nothingWritten("1e39 typed in full");
    ASSERT_EQ(MessageBoxWatch::texts.size(), 2u);
    EXPECT_EQ(MessageBoxWatch::texts[1],
              said("FP_ENTRY_STR000003", "ss", huge.c_str(), "3.4028235e+38"));

    // A small value: confirmed and logged with all its digits, written as typed.
    type(L"0.0000001");
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 1; }, 5000));
    kt::PumpFor(300);
    EXPECT_NE(ConfirmAnswer::message.find(L"400 "), std::wstring::npos)
        << kfw::Narrow(ConfirmAnswer::message);
    EXPECT_NE(ConfirmAnswer::message.find(L"0.0000001"), std::wstring::npos)
        << kfw::Narrow(ConfirmAnswer::message);
    WriteRequest w = LastWrite();
    EXPECT_EQ(w.address, AddressOf(b8::kItemFTTLSET));
    ASSERT_EQ(w.width, 4);
    float value = 0;
    std::memcpy(&value, &w.value, 4);
    EXPECT_EQ(value, 1e-7f);
    std::vector<std::string> lines = ReadLines(logFile);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("0.0000001"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].find("0.00000 "), std::string::npos) << lines[0];

    // A value a float cannot hold exactly: the confirmation and the log say what is written.
    ConfirmAnswer::Arm(true, L"");
    type(L"16777217");
    ASSERT_TRUE(PumpUntil([] { return ConfirmAnswer::answered == 2; }, 5000));
    kt::PumpFor(300);
    EXPECT_NE(ConfirmAnswer::message.find(L"16777216"), std::wstring::npos)
        << kfw::Narrow(ConfirmAnswer::message);
    EXPECT_NE(ConfirmAnswer::message.find(L"16777217"), std::wstring::npos)
        << kfw::Narrow(ConfirmAnswer::message);
    w = LastWrite();
    std::memcpy(&value, &w.value, 4);
    EXPECT_EQ(value, 16777216.0f);
    lines = ReadLines(logFile);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("16777216"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("16777217"), std::string::npos) << lines[1];
    EXPECT_EQ(MessageBoxWatch::texts.size(), 2u);
}

} // namespace
