// FP_BALANCE8.dll's keyboard chords, driven by real key events from outside (xdotool at the X
// display, as an operator's keyboard), and its block-type exports, called by the test host
// through the module on the host's own CFBType object.
#include "Balance8Ids.h"
#include "DebugCapture.h"
#include "ImportPatch.h"
#include "Pump.h"
#include "Descriptors.h"
#include "FBType.h"
#include "Host.h"
#include "UiActions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace fphost;
using kt::PumpUntil;

namespace {

constexpr char kTagA[] = "BAL101";
constexpr char kTagB[] = "BAL102";
constexpr int kTitle = IDC_FP_TAGNAME;
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

// Counts the module's calls of InvalidateRect and RedrawWindow with a window that does not
// exist (any more): a null window there means the whole screen.
class DeadWindowSpy {
public:
    explicit DeadWindowSpy(HMODULE module)
        : m_invalidate((deadCalls = 0, module), "user32.dll", "InvalidateRect",
                       reinterpret_cast<void*>(&Invalidate)),
          m_redraw(module, "user32.dll", "RedrawWindow", reinterpret_cast<void*>(&Redraw)) {
        s_invalidate = reinterpret_cast<decltype(&::InvalidateRect)>(m_invalidate.Original());
        s_redraw = reinterpret_cast<decltype(&::RedrawWindow)>(m_redraw.Original());
    }
    bool Installed() const { return m_invalidate.Installed() && m_redraw.Installed(); }

    static inline int deadCalls = 0;

private:
    static BOOL WINAPI Invalidate(HWND hwnd, const RECT* rc, BOOL erase) {
        deadCalls += !::IsWindow(hwnd);
        return s_invalidate(hwnd, rc, erase);
    }
    static BOOL WINAPI Redraw(HWND hwnd, const RECT* rc, HRGN rgn, UINT flags) {
        deadCalls += !::IsWindow(hwnd);
        return s_redraw(hwnd, rc, rgn, flags);
    }
    static inline decltype(&::InvalidateRect) s_invalidate = nullptr;
    static inline decltype(&::RedrawWindow) s_redraw = nullptr;
    kt::ImportPatch m_invalidate, m_redraw;
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

// The four window handles of the station's detail-faceplate table in "Faceplate_Memory".
std::vector<HWND> DetailSlots() {
    constexpr size_t kTableOffset = 100;
    constexpr int kSlots = 4;
    std::vector<HWND> slots;
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, "Faceplate_Memory");
    if (!mapping)
        return slots;
    if (const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) {
        auto* table = reinterpret_cast<const HWND*>(static_cast<const BYTE*>(view) + kTableOffset);
        slots.assign(table, table + kSlots);
        ::UnmapViewOfFile(view);
    }
    ::CloseHandle(mapping);
    return slots;
}

bool HoldsSlot(HWND fp) {
    for (HWND h : DetailSlots())
        if (h == fp)
            return true;
    return false;
}

// Clicks of the acknowledge (32766) and adjust (32765) buttons posted from another thread, as
// any program on the desktop can post them: with the button's window and without.
void PostAckAndAdjustClicks(HWND fp) {
    std::thread poster([fp] {
        for (int id : {32766, 32765}) {
            HWND button = FindControl(fp, id);
            ::PostMessageW(fp, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                           reinterpret_cast<LPARAM>(button));
            ::PostMessageW(fp, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        }
    });
    poster.join();
    kt::PumpFor(800);
}

TEST_F(Balance8KeysTest, PostedClicksOnDisabledAckAndAdjustButtonsDoNothing) {
    config.ack = 0;                  // no acknowledge permission
    config.tags[0].operateLevel = 7; // above the user's level 5
    MakeHost();
    HWND fp = Open(kTagA, OpenMode::Compact);
    ASSERT_FALSE(::IsWindowEnabled(FindControl(fp, 32766)));
    ASSERT_FALSE(::IsWindowEnabled(FindControl(fp, 32765)));
    const int compact = Width(fp);
    // The detail view adds hundreds of pixels (the compact width itself may differ by one
    // after the view was closed again).
    auto detailShown = [&] { return Width(fp) > compact + 100; };

    PostAckAndAdjustClicks(fp);
    EXPECT_EQ(host->Database().AckCount(kTagA), 0) << "no acknowledge callback";
    EXPECT_FALSE(detailShown()) << "the detail view did not open";
    EXPECT_FALSE(HoldsSlot(fp)) << "no detail slot taken";
    // The host's export opens the detail view only as the button would.
    EXPECT_EQ(host->ShowDetail(kTagA, true), 1);
    kt::PumpFor(200);
    EXPECT_FALSE(detailShown());
    EXPECT_FALSE(HoldsSlot(fp));

    // An operator with the rights: the same posted clicks act, once each kind per click.
    host->ChangeUser("chief", 9, 1);
    ASSERT_TRUE(::IsWindowEnabled(FindControl(fp, 32765)));
    PostAckAndAdjustClicks(fp);
    EXPECT_EQ(host->Database().AckCount(kTagA), 2);
    EXPECT_FALSE(detailShown()) << "two adjust clicks: opened and closed again";
    EXPECT_FALSE(HoldsSlot(fp));
    EXPECT_EQ(host->ShowDetail(kTagA, true), 1);
    kt::PumpFor(200);
    EXPECT_TRUE(detailShown());
    EXPECT_TRUE(HoldsSlot(fp));

    // Rights taken away: closing the view through the export needs none and frees the slot.
    host->ChangeUser("guest", 1, 0);
    PostAckAndAdjustClicks(fp);
    EXPECT_TRUE(detailShown()) << "a posted adjust click does not close it either";
    EXPECT_EQ(host->Database().AckCount(kTagA), 2);
    EXPECT_EQ(host->ShowDetail(kTagA, false), 1);
    kt::PumpFor(200);
    EXPECT_FALSE(detailShown());
    EXPECT_FALSE(HoldsSlot(fp));
}

// Host callbacks that close faceplates while the module is inside one of its own calls: a
// faceplate of the module opened with the host's record of a tag, one callback replaced.
struct ClosingCallbacks {
    static inline PFN_CloseFP closeFP = nullptr;
    static inline std::vector<std::string> tagsToClose; // closed at the next armed call
    static inline bool armed = false;
    static inline int calls = 0; // of the replaced callback since Arm
    static inline std::function<void()> afterClosing;
    static inline PFN_FPCheckArea checkArea = nullptr;
    static inline PFN_FPReadStatus readStatus = nullptr;

    static void Reset(HMODULE module) {
        closeFP = reinterpret_cast<PFN_CloseFP>(::GetProcAddress(module, "CloseFP"));
        tagsToClose.clear();
        armed = false;
        calls = 0;
        afterClosing = nullptr;
    }
    static void Arm(std::vector<std::string> tags) {
        tagsToClose = std::move(tags);
        calls = 0;
        armed = true;
    }
    static void CloseIfArmed() {
        ++calls;
        if (!armed)
            return;
        armed = false;
        for (const std::string& tag : tagsToClose)
            closeFP(tag.c_str(), 3);
        if (afterClosing)
            afterClosing();
    }
    static int __cdecl CheckArea(int one, const int64_t* handle, int zero) {
        CloseIfArmed();
        return checkArea(one, handle, zero);
    }
    static int __cdecl ReadStatus(int one, const uint32_t* key, void* result, int zero) {
        CloseIfArmed();
        return readStatus(one, key, result, zero);
    }
    static int __cdecl AlarmAck(const char*) {
        CloseIfArmed();
        return 0; // not acknowledged
    }
};

// Opens a floating faceplate of the tag through the module's export, in a container of its
// own, with the host's record of the tag changed by `patch`.
HWND OpenPatched(Host& host, HMODULE module, const char* tag,
                 const std::function<void(tagFPOpenPara&)>& patch) {
    tagFPOpenPara para{};
    std::string error;
    if (!host.BuildRecord(tag, para, error))
        return nullptr;
    patch(para);
    auto open = reinterpret_cast<PFN_OpenFP>(::GetProcAddress(module, "OpenFP"));
    HWND container = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 500, 40, 300, 500,
                                       nullptr, nullptr, nullptr, nullptr);
    HWND fp = open ? open(&para, 1, 0, 1, container) : nullptr;
    kt::PumpFor(300);
    return fp;
}

TEST_F(Balance8KeysTest, ChangeUserGoesOnWhenAHostCallbackClosesFaceplates) {
    // BAL101's operate check resolves its area through the host's callbacks.
    config.areas = {{"AREA_HEATER", 1}};
    config.tags[0].station = 2;
    config.tags[0].column = 1;
    MakeHost();
    ClosingCallbacks::Reset(Module());
    HWND first = Open(kTagA, OpenMode::Compact);
    HWND second = Open(kTagB, OpenMode::Compact);
    HWND patched = OpenPatched(*host, Module(), kTagA, [](tagFPOpenPara& para) {
        ClosingCallbacks::checkArea = para.pfnCheckArea;
        para.pfnCheckArea = &ClosingCallbacks::CheckArea;
    });
    ASSERT_TRUE(first && second && patched);
    ASSERT_TRUE(::IsWindowEnabled(FindControl(first, 32766)));

    // The newest faceplate is visited first; its callback closes the second one, not yet
    // visited, and itself.
    ClosingCallbacks::Arm({kTagB, kTagA});
    EXPECT_EQ(host->ChangeUser("guest", 0, 0), 1);
    kt::PumpFor(200);
    EXPECT_EQ(ClosingCallbacks::calls, 1) << "each faceplate visited once";
    EXPECT_FALSE(::IsWindow(patched));
    EXPECT_FALSE(::IsWindow(second));
    ASSERT_TRUE(::IsWindow(first));
    EXPECT_FALSE(::IsWindowEnabled(FindControl(first, 32766))) << "the oldest got the new rights";
    EXPECT_FALSE(::IsWindowEnabled(FindControl(first, 32765)));
}

TEST_F(Balance8KeysTest, AHostCallbackClosingTheFaceplateInATickTouchesNoOtherWindow) {
    config.tags[0].bad = true; // the host reports the tag's data as bad: the status changes
    MakeHost();
    ClosingCallbacks::Reset(Module());
    HWND fp = OpenPatched(*host, Module(), kTagA, [](tagFPOpenPara& para) {
        ClosingCallbacks::readStatus = para.pfnReadStatus;
        para.pfnReadStatus = &ClosingCallbacks::ReadStatus;
    });
    ASSERT_TRUE(fp);
    DeadWindowSpy spy(Module());
    ASSERT_TRUE(spy.Installed());
    ClosingCallbacks::Arm({kTagA});
    ::SendMessageW(fp, WM_TIMER, 1, 0); // a refresh tick; the status query closes it
    kt::PumpFor(200);
    EXPECT_EQ(ClosingCallbacks::calls, 1);
    EXPECT_FALSE(::IsWindow(fp));
    EXPECT_EQ(DeadWindowSpy::deadCalls, 0) << "no repaint of a closed (null) window";
}

TEST_F(Balance8KeysTest, AChordWhoseCommandClosesTheFaceplateDeletesItOnlyAfterwards) {
    MakeHost();
    ClosingCallbacks::Reset(Module());
    HWND fp = OpenPatched(*host, Module(), kTagA, [](tagFPOpenPara& para) {
        para.pfnAlarmAck = &ClosingCallbacks::AlarmAck;
    });
    ASSERT_TRUE(fp);
    constexpr char kDestroyed[] = "[FP] CFP_BASEDlg::~CFP_BASEDlg";
    size_t deletedInside = 99;
    ClosingCallbacks::afterClosing = [&] { deletedInside = traces.Count(kDestroyed); };
    ClosingCallbacks::Arm({kTagA});
    ASSERT_TRUE(Chords(fp, "shift+alt+g"));
    EXPECT_EQ(ClosingCallbacks::calls, 1);
    EXPECT_EQ(deletedInside, 0u) << "the faceplate outlived the command that closed it";
    EXPECT_FALSE(::IsWindow(fp));
    EXPECT_EQ(traces.Count(kDestroyed), 1u) << "and was deleted once it had returned";
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
