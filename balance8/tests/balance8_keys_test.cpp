// FP_BALANCE8.dll's keyboard chords, driven by real key events from outside (xdotool at the X
// display, as an operator's keyboard), and its block-type exports, called by the test host
// through the module on the host's own CFBType object.
#include "DebugCapture.h"
#include "ImportPatch.h"
#include "Pump.h"
#include "Descriptors.h"
#include "FBType.h"
#include "Host.h"
#include "UiActions.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace fphost;
using kt::PumpUntil;

namespace {

constexpr char kTagA[] = "BAL101";
constexpr char kTagB[] = "BAL102";
constexpr int kTitle = 32760;
constexpr DWORD kBeepHz = 1000;
constexpr DWORD kBeepMs = 100;
constexpr char kTraceAck[] = "[FP_BASE]KeyBoard ALARMack\n";
constexpr char kTraceAdjust[] = "[FP_BASE]KeyBoard FPAdjust\n";
constexpr char kTraceKeyBoard[] = "[FP_BASE]KeyBoard";

// Counts the module's calls of Beep: its import of kernel32's Beep is pointed at a recorder
// for the spy's lifetime.
class BeepSpy {
public:
    explicit BeepSpy(HMODULE module)
        : m_patch((calls.clear(), module), "kernel32.dll", "Beep",
                  reinterpret_cast<void*>(&Record)) {}
    bool Installed() const { return m_patch.Installed(); }

    static inline std::vector<std::pair<DWORD, DWORD>> calls;

private:
    static BOOL WINAPI Record(DWORD hz, DWORD ms) {
        calls.emplace_back(hz, ms);
        return TRUE;
    }
    kt::ImportPatch m_patch;
};

// Runs xdotool at the X display, outside Wine, and pumps this thread's messages until it has
// finished (a Unix program started from Wine gives no process handle: it leaves a file).
bool Xdotool(const std::string& args) {
    static int run = 0;
    const std::string done =
        "/tmp/fpkeys_" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++run);
    std::string doneWin = "Z:" + done;
    for (char& c : doneWin)
        c = c == '/' ? '\\' : c;
    std::string command = "Z:\\bin\\sh -c \"xdotool " + args + "; echo > " + done + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi))
        return false;
    if (pi.hProcess)
        ::CloseHandle(pi.hProcess);
    if (pi.hThread)
        ::CloseHandle(pi.hThread);
    bool finished = PumpUntil(
        [&] { return ::GetFileAttributesA(doneWin.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
    ::DeleteFileA(doneWin.c_str());
    kt::PumpFor(300); // the last key events reach the faceplate's queue
    return finished;
}

// The screen point an operator clicks to put the keyboard into a faceplate: its title.
POINT ClickPoint(HWND fp) {
    RECT rc{};
    ::GetWindowRect(FindControl(fp, kTitle), &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

bool HasFocusIn(HWND fp) {
    HWND focus = ::GetFocus();
    return focus && (focus == fp || ::IsChild(fp, focus));
}

// Clicks into the faceplate, then presses the chords (xdotool key names, e.g. "shift+alt+g").
bool Chords(HWND fp, const std::string& chords) {
    POINT pt = ClickPoint(fp);
    return Xdotool("mousemove " + std::to_string(pt.x) + " " + std::to_string(pt.y) +
                   " click 1 sleep 0.5 key --delay 150 " + chords);
}

int Width(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return rc.right - rc.left;
}

class Balance8KeysTest : public ::testing::Test {
protected:
    std::unique_ptr<Host> host;
    kt::DebugCapture traces;
    HostConfig config;

    void SetUp() override {
        ASSERT_TRUE(traces.Listening());
        TagConfig a;
        a.name = kTagA;
        a.x = 40;
        a.y = 40;
        TagConfig b = a;
        b.name = kTagB;
        b.x = 500;
        config.tags = {a, b};
    }

    void MakeHost() {
        host = std::make_unique<Host>(config);
        BlockTable table;
        std::string error;
        ASSERT_TRUE(LoadBalance8Table(table, error)) << error;
        ASSERT_TRUE(host->Prepare(table, error)) << error;
        ASSERT_TRUE(host->LoadModule(error)) << error;
    }

    HWND Open(const char* tag, OpenMode mode) {
        std::string error;
        HWND fp = host->Open(tag, mode, error);
        EXPECT_TRUE(fp) << error;
        kt::PumpFor(300);
        return fp;
    }

    HMODULE Module() const { return ::GetModuleHandleW(L"FP_BALANCE8.dll"); }

    void TearDown() override {
        if (host)
            host->CloseAll();
        host.reset();
    }
};

TEST_F(Balance8KeysTest, AlarmAckChordActsOnlyOnTheFaceplateWithTheFocus) {
    MakeHost();
    HWND a = Open(kTagA, OpenMode::Embedded);
    HWND b = Open(kTagB, OpenMode::Embedded);
    ASSERT_TRUE(a && b);
    BeepSpy beeps(Module());
    ASSERT_TRUE(beeps.Installed());

    ASSERT_TRUE(Chords(b, "shift+alt+g"));
    ASSERT_TRUE(HasFocusIn(b)) << "the click put the keyboard into the second faceplate";
    EXPECT_EQ(host->Database().AckCount(kTagB), 1) << "acknowledged with the tag name";
    EXPECT_EQ(host->Database().AckCount(kTagA), 0) << "the other faceplate did not act";
    EXPECT_EQ(traces.Count(kTraceAck), 1u);

    ASSERT_TRUE(Chords(a, "shift+alt+g"));
    ASSERT_TRUE(HasFocusIn(a));
    EXPECT_EQ(host->Database().AckCount(kTagA), 1);
    EXPECT_EQ(host->Database().AckCount(kTagB), 1);
    EXPECT_TRUE(BeepSpy::calls.empty());

    // With Ctrl too it is no chord: nothing is acknowledged, nothing beeps.
    ASSERT_TRUE(Chords(a, "shift+ctrl+alt+g"));
    EXPECT_EQ(host->Database().AckCount(kTagA), 1);
    EXPECT_TRUE(BeepSpy::calls.empty());
    EXPECT_EQ(traces.Count(kTraceAck), 2u);
}

TEST_F(Balance8KeysTest, AlarmAckChordWithoutPermissionBeeps) {
    config.ack = 0; // the acknowledge button is disabled
    MakeHost();
    HWND fp = Open(kTagA, OpenMode::Embedded);
    BeepSpy beeps(Module());
    ASSERT_TRUE(beeps.Installed());
    ASSERT_TRUE(Chords(fp, "shift+alt+g"));
    ASSERT_TRUE(HasFocusIn(fp));
    EXPECT_EQ(host->Database().AckCount(kTagA), 0);
    ASSERT_EQ(BeepSpy::calls.size(), 1u);
    EXPECT_EQ(BeepSpy::calls[0], std::make_pair(kBeepHz, kBeepMs));
    EXPECT_EQ(traces.Count(kTraceAck), 0u);
}

TEST_F(Balance8KeysTest, AdjustChordOpensTheDetailViewOnlyWhileTheAdjustButtonIsEnabled) {
    config.tags[0].operateLevel = 7; // above the user's level 5: the adjust button is disabled
    MakeHost();
    HWND fp = Open(kTagA, OpenMode::Compact);
    ASSERT_FALSE(::IsWindowEnabled(FindControl(fp, 32765)));
    const int compact = Width(fp);
    BeepSpy beeps(Module());
    ASSERT_TRUE(beeps.Installed());

    ASSERT_TRUE(Chords(fp, "shift+alt+t"));
    ASSERT_TRUE(HasFocusIn(fp));
    EXPECT_EQ(Width(fp), compact) << "the detail view did not open";
    ASSERT_EQ(BeepSpy::calls.size(), 1u);
    EXPECT_EQ(BeepSpy::calls[0], std::make_pair(kBeepHz, kBeepMs));
    EXPECT_EQ(traces.Count(kTraceAdjust), 0u);

    host->ChangeUser("chief", 9, 1);
    ASSERT_TRUE(::IsWindowEnabled(FindControl(fp, 32765)));
    ASSERT_TRUE(Chords(fp, "shift+alt+t"));
    const int detail = Width(fp);
    EXPECT_GT(detail, compact) << "the detail view opened";
    EXPECT_EQ(traces.Count(kTraceAdjust), 1u);
    ASSERT_TRUE(Chords(fp, "shift+alt+t"));
    EXPECT_LT(Width(fp), detail) << "and closes again, as the adjust button does";
    EXPECT_EQ(BeepSpy::calls.size(), 1u);
}

TEST_F(Balance8KeysTest, InBalance8TheModeSwitchAndStepChordsOnlyBeep) {
    MakeHost();
    HWND fp = Open(kTagA, OpenMode::Compact);
    const int compact = Width(fp);
    BeepSpy beeps(Module());
    ASSERT_TRUE(beeps.Installed());
    ASSERT_TRUE(Chords(fp, "shift+alt+d shift+alt+f shift+alt+z shift+alt+x shift+alt+c "
                           "shift+alt+v shift+alt+7 shift+alt+8"));
    ASSERT_TRUE(HasFocusIn(fp));
    ASSERT_EQ(BeepSpy::calls.size(), 8u) << "one beep per chord";
    for (const auto& call : BeepSpy::calls)
        EXPECT_EQ(call, std::make_pair(kBeepHz, kBeepMs));
    EXPECT_EQ(traces.Count(kTraceKeyBoard), 0u) << "no command ran";
    EXPECT_EQ(host->Database().AckCount(kTagA), 0);
    EXPECT_EQ(Width(fp), compact);
    EXPECT_TRUE(::IsWindow(fp));
}

// The block-type queries: the module's exported CFBType members called on the host's object.
class BlockTypeTest : public Balance8KeysTest {};

TEST_F(BlockTypeTest, HMIParametersTwiceLeaveOneCopyInOrder) {
    MakeHost();
    const CFBHMIParaList& own = host->BlockType().m_listHMIPara;
    ASSERT_GT(own.size(), 10u) << "the host described the block's named items";
    CFBHMIParaList list;
    ASSERT_TRUE(host->HMIParameters(list)) << "the module exports GetHMIPara";
    ASSERT_TRUE(host->HMIParameters(list));
    EXPECT_EQ(list, own) << "the same pointers, once, in order";

    // The caller's earlier entries go.
    CFBHMIPara stranger;
    list.push_front(&stranger);
    ASSERT_TRUE(host->HMIParameters(list));
    EXPECT_EQ(list, own);

    // The object's own list handed back keeps its one copy and its records.
    ASSERT_TRUE(host->HMIParameters(host->BlockType().m_listHMIPara));
    EXPECT_EQ(host->BlockType().m_listHMIPara, list);
}

TEST_F(BlockTypeTest, AliasesReplaceTheCallersArray) {
    MakeHost();
    tagAliasData stranger;
    CAliasDataArray array{&stranger, &stranger};
    ASSERT_TRUE(host->Aliases(array));
    EXPECT_TRUE(array.empty()) << "an empty alias array gives an empty array";

    auto* first = new tagAliasData{"FLOW1", "FPASS1"};
    auto* second = new tagAliasData{"FLOW2", "FPASS2"};
    host->BlockType().m_arrAlias = {first, second};
    array = {&stranger};
    ASSERT_TRUE(host->Aliases(array));
    EXPECT_EQ(array, (CAliasDataArray{first, second}));
}

TEST_F(BlockTypeTest, EnabledAlarmListIsTheObjectsOwn) {
    MakeHost();
    CFBAlmParaList* alarms = host->EnabledAlarms();
    ASSERT_TRUE(alarms) << "the module exports GetEnAlarmList";
    EXPECT_EQ(alarms, &host->BlockType().m_listEnAlarm);
    EXPECT_FALSE(alarms->empty()) << "the block's alarm bits";
}

} // namespace
