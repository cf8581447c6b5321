// fpbench.exe: what the BALANCE8 faceplate costs, each figure beside the platform's own cost
// of the same work measured in the same run: call-up against the bare creation of the same
// templates, CPU per faceplate-tick against setting the same changed texts, a station's load,
// and what stays behind after many open/close cycles.
//
//   fpbench [--cycles N] [--station-seconds S] [--callups N] [--rounds N] [--quick]
#include "BenchStation.h"
#include "ProcessCounters.h"
#include "DebugCapture.h"

#include "BlockTable.h"
#include "Host.h"
#include "KrControlInfo.h"
#include "Text.h"
#include "UiActions.h"

#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace bench;
using fphost::OpenMode;

namespace {

struct Settings {
    int callups = 10;
    int rounds = 60;         // hand-driven refresh rounds per tick measurement
    int stationSeconds = 60; // station load duration
    int cycles = 1000;       // open/close cycles
    std::string only;        // one part: callup, tick, station or cycles; empty: all
    bool Runs(const char* part) const { return only.empty() || only == part; }
};
// The quick run (--quick): enough to see every figure, not to trust the last digit.
constexpr Settings kQuick{4, 10, 10, 100, {}};

constexpr DWORD kDataTimeoutMs = 15000;
constexpr DWORD kRoundMs = 150;        // one hand-driven refresh round: ticks, then deliveries
constexpr int kChangingPeriodMs = 100; // server period while every value changes
constexpr int kFrozenPeriodMs = 60000; // a period that never ends within a measurement
constexpr int kTickFaceplatesCompact = 8;
constexpr int kStationCompact = 28;
constexpr int kStationDetail = 4;
constexpr int kDetailEvery = 10; // every tenth open/close cycle opens the detail view
constexpr int kWarmupCycles = 10;
constexpr DWORD kClockCheckMs = 300;
constexpr DWORD kIdleLookMs = 1000;     // messages counted at rest, faceplates open
constexpr size_t kIdlePaintedShown = 4; // windows painted most at rest, listed
// The faceplate's sizes as the host configures them (MakeHostConfig): the bare dialogs get them.
constexpr int kCompactWidth = 128, kCompactHeight = 750;
constexpr int kDetailWidth = 945, kDetailHeight = 890;
constexpr int kPageLeft = 130; // where the pages lie in the bare detail window

void Line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
}

double Median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
}

std::string Ratio(double value, double reference) {
    if (reference <= 0.0)
        return "n/a";
    char text[32];
    snprintf(text, sizeof text, "%.2f", value / reference);
    return text;
}

void Figure(const char* what, double value, const char* unit, const char* refWhat, double ref) {
    Line("  %-34s %9.3f %-3s | %-30s %9.3f %-3s | ratio %s", what, value, unit, refWhat, ref, unit,
         Ratio(value, ref).c_str());
}

// The goals each figure is held against, printed together at the end of the run.
constexpr double kGoalCallUpRatio = 1.25;      // compact first data shown / bare creation
constexpr double kGoalCompactTickMs = 0.10;    // compact, constant values
constexpr double kGoalCompactChangingMs = 1.0; // compact, every value changing
constexpr double kGoalChangeRatio = 1.2;       // every value changing / bare cost of the changes
constexpr double kGoalDetailTickMs = 0.3;      // detail, constant values
constexpr double kGoalShowDetailRatio = 1.1;   // ShowDetail(1) until painted / bare pages
constexpr double kGoalFirstPageMs = 150.0;     // ShowDetail(1) until the page in front is painted
constexpr double kGoalStationCpuPercent = 1.0; // natively, of one core

struct GoalRow {
    std::string figure;
    double value;
    std::string unit;
    double goal;
    std::string goalUnit;
    bool met;
};
std::vector<GoalRow> g_goals;

void Goal(const std::string& figure, double value, const char* unit, double goal,
          const char* goalUnit, bool met) {
    g_goals.push_back({figure, value, unit, goal, goalUnit, met});
}

void PrintGoals() {
    if (g_goals.empty())
        return;
    Line("");
    Line(" against the goals:");
    for (const GoalRow& g : g_goals)
        Line("  %-62s %9.3f %-2s  goal <= %7.3f %-2s  %s", g.figure.c_str(), g.value,
             g.unit.c_str(), g.goal, g.goalUnit.c_str(), g.met ? "met" : "NOT met");
}

// A host with `tags` tags of the station, module loaded.
std::unique_ptr<fphost::Host> MakeHost(int tags) {
    auto host = std::make_unique<fphost::Host>(MakeHostConfig(tags));
    fphost::BlockTable table;
    std::string error;
    if (!fphost::LoadBalance8Table(table, error) || !host->Prepare(table, error) ||
        !host->LoadModule(error)) {
        Line("fpbench: host: %s", error.c_str());
        return nullptr;
    }
    return host;
}

HWND OpenShown(fphost::Host& host, const std::string& tag, OpenMode mode) {
    std::string error;
    HWND fp = host.Open(tag, mode, error);
    if (!fp)
        Line("fpbench: %s", error.c_str());
    return fp;
}

// ---- bare creation of the module's templates ----

INT_PTR CALLBACK BareProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

HMODULE ModuleHandle() {
    return ::GetModuleHandleW(kModuleFile);
}

// The faceplate template as a bare dialog, and with `detail` the nine pages as its children
// (the first one shown), in a hidden owner as the host gives the faceplate. Shown and painted.
HWND CreateBare(bool detail, HWND& owner) {
    owner = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
    HWND main =
        ::CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(kMainTemplate), owner, BareProc, 0);
    if (!main)
        return nullptr;
    ::SetWindowPos(main, nullptr, 40, 40, detail ? kDetailWidth : kCompactWidth,
                   detail ? kDetailHeight : kCompactHeight, SWP_NOZORDER);
    if (detail) {
        bool first = true;
        for (int id : kPageTemplates) {
            HWND page =
                ::CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(id), main, BareProc, 0);
            if (!page)
                continue;
            ::SetWindowPos(page, nullptr, kPageLeft, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            if (first)
                ::ShowWindow(page, SW_SHOW);
            first = false;
        }
    }
    ::ShowWindow(main, SW_SHOW);
    ::UpdateWindow(main);
    return main;
}

void DestroyBare(HWND main, HWND owner) {
    if (main)
        ::DestroyWindow(main);
    ::DestroyWindow(owner);
    PumpPending();
}

// Bare dialogs of the faceplate's templates for a cost measurement; they go with the set.
class BareDialogs {
public:
    explicit BareDialogs(bool detail) : m_detail(detail) {}
    ~BareDialogs() {
        for (auto& [main, owner] : m_dialogs)
            DestroyBare(main, owner);
    }
    BareDialogs(const BareDialogs&) = delete;
    BareDialogs& operator=(const BareDialogs&) = delete;
    // One more, created and painted; its main dialog.
    HWND Add() {
        HWND owner = nullptr;
        HWND main = CreateBare(m_detail, owner);
        m_dialogs.emplace_back(main, owner);
        return main;
    }
    // Painted after a round of changes, as a faceplate's refresh is.
    void Paint() const {
        PumpPending();
        for (const auto& dialog : m_dialogs)
            ::UpdateWindow(dialog.first);
    }

private:
    bool m_detail;
    std::vector<std::pair<HWND, HWND>> m_dialogs; // main, owner
};

double BareCallUpMs(bool detail, int count) {
    std::vector<double> times;
    for (int i = 0; i < count + 1; ++i) {
        HWND owner = nullptr;
        const double t0 = NowMs();
        HWND main = CreateBare(detail, owner);
        const double t1 = NowMs();
        DestroyBare(main, owner);
        if (i > 0) // the first one loads fonts and resources once for the process
            times.push_back(t1 - t0);
    }
    return Median(times);
}

// ---- call-up ----

struct CallUp {
    double openMs = 0, shownMs = 0;
};

CallUp CallUpOnce(fphost::Host& host, OpenMode mode) {
    CallUp c;
    const double t0 = NowMs();
    HWND fp = OpenShown(host, TagName(0), mode);
    c.openMs = NowMs() - t0;
    if (fp && PumpUntil([&] { return ShowsData(fp); }, kDataTimeoutMs)) {
        ::UpdateWindow(fp);
        c.shownMs = NowMs() - t0;
    }
    host.CloseAll();
    PumpFor(50);
    return c;
}

void CallUpFigures(fphost::Host& host, const Settings& s, bool detail) {
    const OpenMode mode = detail ? OpenMode::Detail : OpenMode::Compact;
    CallUpOnce(host, mode); // warm-up
    std::vector<double> open, shown;
    for (int i = 0; i < s.callups; ++i) {
        CallUp c = CallUpOnce(host, mode);
        open.push_back(c.openMs);
        shown.push_back(c.shownMs);
    }
    const double bare = BareCallUpMs(detail, s.callups);
    const char* name = detail ? "detail" : "compact";
    Line(" call-up %s (median of %d; bare: CreateDialogParamW of %s, shown and painted)", name,
         s.callups, detail ? "32767 and pages 2, 4..11" : "32767");
    Figure("OpenFP returns", Median(open), "ms", "bare creation", bare);
    Figure("first delivered data shown", Median(shown), "ms", "bare creation", bare);
    if (!detail) {
        const double ratio = bare > 0.0 ? Median(shown) / bare : 0.0;
        Goal("compact call-up, first data shown / bare CreateDialog 32767", ratio, "x",
             kGoalCallUpRatio, "x", bare > 0.0 && ratio <= kGoalCallUpRatio);
    }
}

void ShowDetailFigure(fphost::Host& host, const Settings& s) {
    std::vector<double> times, firstPage;
    for (int i = 0; i < s.callups; ++i) {
        HWND fp = OpenShown(host, TagName(0), OpenMode::Compact);
        if (!fp || !PumpUntil([&] { return ShowsData(fp); }, kDataTimeoutMs))
            continue;
        const double t0 = NowMs();
        host.ShowDetail(TagName(0), true);
        ::UpdateWindow(fp);
        // The page in front is on screen; what the faceplate leaves for later (queued
        // messages, pages made in idle time) is done by the time the queue is empty.
        firstPage.push_back(NowMs() - t0);
        PumpPending();
        ::UpdateWindow(fp);
        times.push_back(NowMs() - t0);
        host.CloseAll();
        PumpFor(50);
    }
    HWND owner = nullptr;
    std::vector<double> bare;
    for (int i = 0; i < s.callups; ++i) {
        // The pages alone: the faceplate exists already.
        HWND main = ::CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(kMainTemplate), nullptr,
                                         BareProc, 0);
        ::ShowWindow(main, SW_SHOW);
        ::UpdateWindow(main);
        const double t0 = NowMs();
        ::SetWindowPos(main, nullptr, 0, 0, kDetailWidth, kDetailHeight, SWP_NOMOVE);
        bool first = true;
        for (int id : kPageTemplates) {
            HWND page =
                ::CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(id), main, BareProc, 0);
            if (page && first)
                ::ShowWindow(page, SW_SHOW);
            first = false;
        }
        ::UpdateWindow(main);
        bare.push_back(NowMs() - t0);
        ::DestroyWindow(main);
        PumpPending();
    }
    (void)owner;
    Line(" detail view by ShowDetail on an open compact faceplate (median of %d)", s.callups);
    Figure("ShowDetail(1) until painted", Median(times), "ms", "bare: pages 2, 4..11 added",
           Median(bare));
    Figure("ShowDetail(1) first page on screen", Median(firstPage), "ms",
           "bare: pages 2, 4..11 added", Median(bare));
    const double ratio = Median(bare) > 0.0 ? Median(times) / Median(bare) : 0.0;
    Goal("ShowDetail(1) until painted / bare pages", ratio, "x", kGoalShowDetailRatio, "x",
         Median(bare) > 0.0 && ratio <= kGoalShowDetailRatio);
    Goal("ShowDetail(1) first page on screen", Median(firstPage), "ms", kGoalFirstPageMs, "ms",
         !firstPage.empty() && Median(firstPage) <= kGoalFirstPageMs);
}

// Where the call-up goes: the faceplate's and the server's trace lines, stamped on arrival.
void CallUpSteps(fphost::Host& host) {
    kt::DebugCapture clock(0);
    if (!clock.Listening()) {
        Line(" call-up steps: no debug-output listener (another one runs)");
        return;
    }
    PumpFor(200);
    clock.Clear();
    const double t0 = NowMs();
    HWND fp = OpenShown(host, TagName(0), OpenMode::Compact);
    const double t1 = NowMs();
    if (fp)
        PumpUntil([&] { return ShowsData(fp); }, kDataTimeoutMs);
    const double t2 = NowMs();
    PumpFor(100);
    Line(" call-up steps, compact (trace lines by arrival; the listener slows every line):");
    Line("  +%7.1f ms  Open called", 0.0);
    for (const kt::DebugLine& l : clock.Lines()) {
        if (l.ms > t2)
            break;
        Line("  +%7.1f ms  %s %s", l.ms - t0,
             l.pid == ::GetCurrentProcessId() ? "host  " : "server",
             l.text.substr(0, l.text.find_last_not_of("\r\n") + 1).substr(0, 100).c_str());
    }
    Line("  +%7.1f ms  OpenFP returned", t1 - t0);
    Line("  +%7.1f ms  first data shown", t2 - t0);
    host.CloseAll();
    PumpFor(100);
}

// Parts of the call-up timed on their own, from the outside.
void CallUpParts(const Settings& s) {
    std::vector<double> component, font;
    for (int i = 0; i < s.callups; ++i) {
        double t0 = NowMs();
        IKrControlInfo* info = nullptr;
        if (SUCCEEDED(::CoCreateInstance(CLSID_KrControlInfo, nullptr, CLSCTX_ALL,
                                         IID_IKrControlInfo, reinterpret_cast<void**>(&info))) &&
            info) {
            info->Initialize();
            info->Release();
        }
        component.push_back(NowMs() - t0);
        t0 = NowMs();
        HFONT f = ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                L"\x5B8B\x4F53");
        HDC dc = ::GetDC(nullptr);
        HGDIOBJ old = ::SelectObject(dc, f);
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, L"BAL01", 5, &extent);
        ::SelectObject(dc, old);
        ::ReleaseDC(nullptr, dc);
        ::DeleteObject(f);
        font.push_back(NowMs() - t0);
    }
    Line(" call-up parts timed alone (median of %d)", s.callups);
    Line("  control-information component: CoCreateInstance + Initialize + Release %8.3f ms",
         Median(component));
    Line("  title font: CreateFontW + select + GetTextExtentPoint32W          %8.3f ms",
         Median(font));
}

// ---- CPU per faceplate-tick ----

// What a control shows: its text, check state and enabled state.
struct Look {
    std::wstring text;
    LRESULT check = 0;
    bool enabled = false;
};

Look LookOf(HWND h) {
    Look l;
    l.text = kfw::GetWindowTextW(h);
    wchar_t cls[16] = {};
    ::GetClassNameW(h, cls, 16);
    if (!_wcsicmp(cls, L"Button"))
        l.check = ::SendMessageW(h, BM_GETCHECK, 0, 0);
    l.enabled = ::IsWindowEnabled(h) != 0;
    return l;
}

// A control by its id and which control of that id it is (in z-order, depth first): the same
// control in the faceplate and in bare dialogs of the same templates.
struct ControlKey {
    int id = 0;
    int occurrence = 0;
    bool operator<(const ControlKey& o) const {
        return id != o.id ? id < o.id : occurrence < o.occurrence;
    }
};

std::map<ControlKey, HWND> ControlsByKey(HWND root) {
    std::map<ControlKey, HWND> keyed;
    std::map<int, int> seen;
    for (HWND h : Descendants(root)) {
        const int id = ::GetDlgCtrlID(h);
        keyed[{id, seen[id]++}] = h;
    }
    return keyed;
}

// One change a tick made to a control: the look before and after.
struct Change {
    ControlKey key;
    Look before, after;
    bool inFront = false; // visible: on the faceplate or on the page in front
};

struct TickAnatomy {
    std::map<std::string, int> touched; // "WM_SETTEXT to id 32760 (Static)" -> count
    int setTexts = 0;                   // WM_SETTEXT messages
    std::vector<Change> changes;        // of the faceplate that changed most
    int changedTexts = 0, changedChecks = 0, changedEnables = 0;
    int changedInFront = 0; // changes of visible controls
    int painted = 0;        // controls that got WM_PAINT or WM_ERASEBKGND
    int faceplates = 1;     // the counts above are totals over this many
};

TickAnatomy* g_anatomy = nullptr;
std::vector<HWND> g_anatomyRoots;
std::map<HWND, bool>* g_paintedControls = nullptr;

const char* MessageName(UINT msg) {
    switch (msg) {
    case WM_SETTEXT:
        return "WM_SETTEXT";
    case BM_SETCHECK:
        return "BM_SETCHECK";
    case BM_SETSTATE:
        return "BM_SETSTATE";
    case WM_SETFONT:
        return "WM_SETFONT";
    case WM_ENABLE:
        return "WM_ENABLE";
    case WM_PAINT:
        return "WM_PAINT";
    case WM_ERASEBKGND:
        return "WM_ERASEBKGND";
    case WM_CTLCOLORSTATIC:
        return "WM_CTLCOLORSTATIC";
    case WM_CTLCOLOREDIT:
        return "WM_CTLCOLOREDIT";
    case WM_CTLCOLORBTN:
        return "WM_CTLCOLORBTN";
    default:
        return nullptr;
    }
}

void Tally(HWND hwnd, UINT msg) {
    const char* name = MessageName(msg);
    if (!g_anatomy || !name)
        return;
    const bool mine = std::any_of(g_anatomyRoots.begin(), g_anatomyRoots.end(),
                                  [&](HWND root) { return hwnd == root || ::IsChild(root, hwnd); });
    if (!mine)
        return;
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    char key[160];
    snprintf(key, sizeof key, "%s to id %d (%s)", name, ::GetDlgCtrlID(hwnd),
             kfw::Narrow(cls).c_str());
    ++g_anatomy->touched[key];
    if (msg == WM_SETTEXT)
        ++g_anatomy->setTexts;
    if ((msg == WM_PAINT || msg == WM_ERASEBKGND) && g_paintedControls &&
        std::find(g_anatomyRoots.begin(), g_anatomyRoots.end(), hwnd) == g_anatomyRoots.end())
        (*g_paintedControls)[hwnd] = true;
}

LRESULT CALLBACK SentHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        auto* m = reinterpret_cast<CWPSTRUCT*>(lp);
        Tally(m->hwnd, m->message);
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK PostedHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        auto* m = reinterpret_cast<MSG*>(lp);
        Tally(m->hwnd, m->message);
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

std::map<ControlKey, Look> Looks(HWND root) {
    std::map<ControlKey, Look> looks;
    for (const auto& [key, h] : ControlsByKey(root))
        looks[key] = LookOf(h);
    return looks;
}

void Round(const std::vector<HWND>& fps) {
    for (HWND fp : fps)
        ::SendMessageW(fp, WM_TIMER, kRefreshTimer, 0);
    PumpFor(kRoundMs);
}

// One round of ticks of every faceplate: the messages to their controls, and what changed.
TickAnatomy Anatomy(const std::vector<HWND>& fps) {
    TickAnatomy a;
    a.faceplates = static_cast<int>(fps.size());
    std::vector<std::map<ControlKey, Look>> before;
    for (HWND fp : fps)
        before.push_back(Looks(fp));
    std::map<HWND, bool> painted;
    g_anatomy = &a;
    g_anatomyRoots = fps;
    g_paintedControls = &painted;
    HHOOK sent = ::SetWindowsHookExW(WH_CALLWNDPROC, SentHook, nullptr, ::GetCurrentThreadId());
    HHOOK posted = ::SetWindowsHookExW(WH_GETMESSAGE, PostedHook, nullptr, ::GetCurrentThreadId());
    Round(fps);
    ::UnhookWindowsHookEx(sent);
    ::UnhookWindowsHookEx(posted);
    g_anatomy = nullptr;
    g_paintedControls = nullptr;
    a.painted = static_cast<int>(painted.size());
    std::vector<std::vector<Change>> perFaceplate(fps.size());
    for (size_t i = 0; i < fps.size(); ++i) {
        for (const auto& [key, h] : ControlsByKey(fps[i])) {
            auto it = before[i].find(key);
            if (it == before[i].end())
                continue;
            const Look now = LookOf(h);
            const Look& was = it->second;
            const bool text = now.text != was.text, check = now.check != was.check,
                       enabled = now.enabled != was.enabled;
            a.changedTexts += text;
            a.changedChecks += check;
            a.changedEnables += enabled;
            if (!text && !check && !enabled)
                continue;
            const bool inFront = ::IsWindowVisible(h) != 0;
            a.changedInFront += inFront;
            perFaceplate[i].push_back({key, was, now, inFront});
        }
    }
    // The changes of the faceplate that changed most: one that has no data changes nothing.
    for (auto& changes : perFaceplate)
        if (changes.size() > a.changes.size())
            a.changes = std::move(changes);
    return a;
}

// The platform's cost of exactly `changes` (texts set, check states set, controls enabled or
// disabled, on the same controls of bare dialogs of the same templates), made on `faceplates`
// bare dialogs per round and painted after every round: CPU per faceplate-tick. Every round
// turns each control to the other of its two looks, so that every message changes something.
// `unmatched` counts the changes whose control the bare templates do not have.
double BareChangeCostMs(bool detail, const std::vector<Change>& changes, int faceplates, int rounds,
                        int& unmatched) {
    unmatched = 0;
    if (changes.empty())
        return 0.0;
    BareDialogs bare(detail);
    std::vector<std::pair<HWND, const Change*>> targets;
    for (int i = 0; i < faceplates; ++i) {
        HWND main = bare.Add();
        const auto keyed = ControlsByKey(main);
        for (const Change& c : changes) {
            auto it = keyed.find(c.key);
            if (it != keyed.end())
                targets.emplace_back(it->second, &c);
            else if (i == 0)
                ++unmatched;
        }
    }
    PumpFor(200);
    const double cpu0 = ThreadCpuMs();
    for (int r = 0; r < rounds; ++r) {
        for (const auto& [h, c] : targets) {
            const Look& look = r % 2 ? c->before : c->after;
            if (c->before.text != c->after.text)
                ::SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(look.text.c_str()));
            if (c->before.check != c->after.check)
                ::SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(look.check), 0);
            if (c->before.enabled != c->after.enabled)
                ::EnableWindow(h, look.enabled);
        }
        bare.Paint();
    }
    return (ThreadCpuMs() - cpu0) / (faceplates * rounds);
}

// Setting `texts` texts per faceplate-tick on bare dialogs of the same templates, painted
// after every round: CPU per faceplate-tick.
double BareTextCostMs(bool detail, int texts, int faceplates, int rounds) {
    if (texts <= 0)
        return 0.0;
    BareDialogs bare(detail);
    std::vector<HWND> controls;
    for (int i = 0; i < faceplates; ++i) {
        HWND main = bare.Add();
        std::vector<HWND> mine;
        for (HWND h : Descendants(main)) {
            wchar_t cls[16] = {};
            ::GetClassNameW(h, cls, 16);
            if (!_wcsicmp(cls, L"Edit") || !_wcsicmp(cls, L"Static"))
                mine.push_back(h);
        }
        // The visible ones first: a faceplate's changed texts are mostly on screen.
        std::stable_partition(mine.begin(), mine.end(),
                              [](HWND h) { return ::IsWindowVisible(h) != 0; });
        controls.insert(controls.end(), mine.begin(),
                        mine.begin() + std::min<size_t>(mine.size(), texts));
    }
    PumpFor(200);
    const int perFaceplate = static_cast<int>(controls.size()) / std::max(1, faceplates);
    const double cpu0 = ThreadCpuMs();
    for (int r = 0; r < rounds; ++r) {
        wchar_t text[32];
        swprintf(text, 32, L"%d.%03d", 100 + r, r * 7 % 1000);
        for (int i = 0; i < faceplates; ++i)
            for (int k = 0; k < texts; ++k)
                ::SendMessageW(controls[static_cast<size_t>(i * perFaceplate + k % perFaceplate)],
                               WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        bare.Paint();
    }
    return (ThreadCpuMs() - cpu0) / (faceplates * rounds);
}

// Messages the thread dispatches in `ms` of pumping with nothing to do: a faceplate at rest
// costs next to nothing; a paint that never ends starves its timers (WM_TIMER comes last).
std::map<UINT, int>* g_idleCounts = nullptr;
std::map<std::string, int>* g_idlePainted = nullptr; // "id 12151 (Button)" -> WM_PAINT count
LRESULT CALLBACK IdleHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE && g_idleCounts) {
        const MSG* m = reinterpret_cast<MSG*>(lp);
        ++(*g_idleCounts)[m->message];
        if (m->message == WM_PAINT && g_idlePainted) {
            wchar_t cls[64] = {};
            ::GetClassNameW(m->hwnd, cls, 64);
            char key[96];
            snprintf(key, sizeof key, "id %d (%s)", ::GetDlgCtrlID(m->hwnd),
                     kfw::Narrow(cls).c_str());
            ++(*g_idlePainted)[key];
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

// The first paint of faceplates just opened is still queued when their data is shown (WM_PAINT
// comes after every other message): it is done before anything is counted at rest.
void FinishFirstPaint(const std::vector<HWND>& fps) {
    PumpPending();
    for (HWND fp : fps)
        ::RedrawWindow(fp, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpPending();
}

void PrintIdleMessages(DWORD ms) {
    std::map<UINT, int> counts;
    std::map<std::string, int> painted;
    g_idleCounts = &counts;
    g_idlePainted = &painted;
    HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, IdleHook, nullptr, ::GetCurrentThreadId());
    PumpFor(ms);
    ::UnhookWindowsHookEx(hook);
    g_idleCounts = nullptr;
    g_idlePainted = nullptr;
    int total = 0;
    for (const auto& [msg, n] : counts)
        total += n;
    Line("  at rest for %lu ms the thread dispatched %d messages: %d WM_PAINT, %d WM_TIMER",
         static_cast<unsigned long>(ms), total, counts[WM_PAINT], counts[WM_TIMER]);
    std::vector<std::pair<int, std::string>> most;
    for (const auto& [key, n] : painted)
        most.emplace_back(n, key);
    std::sort(most.rbegin(), most.rend());
    for (size_t i = 0; i < most.size() && i < kIdlePaintedShown; ++i)
        Line("    WM_PAINT to %-40s %d", most[i].second.c_str(), most[i].first);
}

// The server's lines about requests it refused or notifications it could not deliver: why a
// faceplate has no data.
void PrintServerComplaints(ServerProcess& server) {
    const std::string out = server.Output();
    int shown = 0, total = 0;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        if (end == std::string::npos)
            end = out.size();
        const std::string line = out.substr(pos, end - pos);
        pos = end + 1;
        if (line.find("refused") == std::string::npos &&
            line.find("not delivered") == std::string::npos &&
            line.find("freed") == std::string::npos &&
            line.find("not answered") == std::string::npos)
            continue;
        ++total;
        if (shown++ < 8)
            Line("  server: %s", line.substr(0, line.find_last_not_of("\r") + 1).c_str());
    }
    if (total > shown)
        Line("  server: ... %d such lines in all", total);
}

// Waits until every faceplate has shown data once (with every value changing, the mode
// switch turns over at every change, so they need not all show it at the same moment).
bool AllShowedData(const std::vector<HWND>& fps, DWORD timeoutMs, int* missing = nullptr) {
    std::vector<HWND> waiting = fps;
    const bool all = PumpUntil(
        [&] {
            waiting.erase(std::remove_if(waiting.begin(), waiting.end(), ShowsData), waiting.end());
            return waiting.empty();
        },
        timeoutMs);
    if (missing)
        *missing = static_cast<int>(waiting.size());
    for (HWND fp : waiting) {
        RECT rc{};
        ::GetWindowRect(fp, &rc);
        Line("  faceplate %d showed no data within %lu ms (status line \"%s\", mode on %d, off %d, "
             "width %ld, visible %d)",
             static_cast<int>(std::find(fps.begin(), fps.end(), fp) - fps.begin()) + 1,
             static_cast<unsigned long>(timeoutMs),
             kfw::Narrow(ControlText(fp, kStatusLine)).c_str(), Checked(fp, kModeOn),
             Checked(fp, 32769), rc.right - rc.left, ::IsWindowVisible(fp));
        for (HWND h : Descendants(fp))
            if (::GetDlgCtrlID(h) == kModeOn) {
                wchar_t cls[32] = {};
                ::GetClassNameW(h, cls, 32);
                Line("    id %d: %s, parent is the faceplate %d, visible %d, check %d", kModeOn,
                     kfw::Narrow(cls).c_str(), ::GetParent(h) == fp, ::IsWindowVisible(h),
                     static_cast<int>(::SendMessageW(h, BM_GETCHECK, 0, 0)));
            }
    }
    return all;
}

void TickFigures(const Settings& s, bool detail, bool changing, bool printAnatomy) {
    const int count = detail ? kMaxDetailViews : kTickFaceplatesCompact;
    ServerProcess server;
    std::string error;
    ServerOptions options;
    options.blocks = count;
    options.periodMs = changing ? kChangingPeriodMs : kFrozenPeriodMs;
    options.changeAll = changing;
    if (!server.Start(options, error)) {
        Line("fpbench: %s", error.c_str());
        return;
    }
    auto host = MakeHost(count);
    if (!host)
        return;
    std::vector<HWND> fps;
    for (int i = 0; i < count; ++i)
        if (HWND fp = OpenShown(*host, TagName(i), detail ? OpenMode::Detail : OpenMode::Compact))
            fps.push_back(fp);
    const bool allData = AllShowedData(fps, kDataTimeoutMs);
    if (!allData)
        PrintServerComplaints(server);
    FinishFirstPaint(fps);
    PrintIdleMessages(kIdleLookMs);
    for (HWND fp : fps)
        ::KillTimer(fp, kRefreshTimer); // ticks by hand from here on
    Round(fps);
    Round(fps);
    TickAnatomy anatomy = Anatomy(fps);

    double cpu0 = ThreadCpuMs();
    for (int r = 0; r < s.rounds; ++r)
        PumpFor(kRoundMs);
    const double idle = ThreadCpuMs() - cpu0;
    cpu0 = ThreadCpuMs();
    for (int r = 0; r < s.rounds; ++r)
        Round(fps);
    const double busy = ThreadCpuMs() - cpu0;
    const int ticks = static_cast<int>(fps.size()) * s.rounds;
    const double perTick = std::max(0.0, busy - idle) / ticks;
    host->CloseAll();
    host.reset();
    server.Kill();
    PumpFor(200);

    std::vector<Change> inFront;
    for (const Change& c : anatomy.changes)
        if (c.inFront)
            inFront.push_back(c);
    int unmatched = 0, unmatchedInFront = 0;
    const double bareChanged =
        BareChangeCostMs(detail, anatomy.changes, count, s.rounds, unmatched);
    const double bareInFront =
        detail ? BareChangeCostMs(detail, inFront, count, s.rounds, unmatchedInFront) : 0.0;
    const int perFp = std::max(1, anatomy.faceplates);
    const int setTexts = anatomy.setTexts / perFp;
    const double bareSet = BareTextCostMs(detail, setTexts, count, s.rounds);
    char what[96];
    snprintf(what, sizeof what, "%s, %s", detail ? "detail" : "compact",
             changing ? "every value changing" : "constant values");
    Line(" CPU per faceplate-tick, %s (%d faceplates x %d ticks%s)", what,
         static_cast<int>(fps.size()), s.rounds, allData ? "" : "; NOT all showed data");
    Line("  one tick of one faceplate changed %d texts, %d check states, %d enabled states (%d of "
         "them visible); it sent %d WM_SETTEXT; %d controls were erased or painted",
         anatomy.changedTexts / perFp, anatomy.changedChecks / perFp,
         anatomy.changedEnables / perFp, anatomy.changedInFront / perFp, setTexts,
         anatomy.painted / perFp);
    if (unmatched)
        Line("  (%d changed controls are not in the bare templates: not in the bare cost)",
             unmatched);
    char ref[64];
    snprintf(ref, sizeof ref, "bare: the same %d changes",
             static_cast<int>(anatomy.changes.size()));
    Figure("faceplate tick", perTick, "ms", ref, bareChanged);
    if (detail) {
        snprintf(ref, sizeof ref, "bare: the %d visible ones", static_cast<int>(inFront.size()));
        Figure("faceplate tick", perTick, "ms", ref, bareInFront);
    }
    snprintf(ref, sizeof ref, "bare: %d WM_SETTEXT as today", setTexts);
    Figure("faceplate tick", perTick, "ms", ref, bareSet);
    if (printAnatomy) {
        Line("  touched in one round of %d faceplate-ticks (message to control: count):",
             anatomy.faceplates);
        for (const auto& [key, n] : anatomy.touched)
            Line("    %-60s %d", key.c_str(), n);
    }
    // Goals: CPU per faceplate-tick; with values changing, against the bare cost of the
    // changes (of the page in front, for the detail view); with constant values, nothing
    // painted.
    char figure[96];
    snprintf(figure, sizeof figure, "%s tick, %s, CPU per faceplate-tick",
             detail ? "detail" : "compact", changing ? "every value changing" : "constant values");
    const double goalMs = detail ? (changing ? 0.0 : kGoalDetailTickMs)
                                 : (changing ? kGoalCompactChangingMs : kGoalCompactTickMs);
    if (goalMs > 0.0)
        Goal(figure, perTick, "ms", goalMs, "ms", perTick <= goalMs);
    if (changing) {
        const double ref2 = detail ? bareInFront : bareChanged;
        const double ratio = ref2 > 0.0 ? perTick / ref2 : 0.0;
        snprintf(figure, sizeof figure, "%s tick, every value changing / bare changes%s",
                 detail ? "detail" : "compact", detail ? " in front" : "");
        Goal(figure, ratio, "x", kGoalChangeRatio, "x", ref2 > 0.0 && ratio <= kGoalChangeRatio);
    } else if (detail) {
        Goal("detail tick, constant values, controls painted", anatomy.painted / perFp, "", 0, "",
             anatomy.painted == 0);
    }
}

// ---- station load ----

void StationFigures(const Settings& s) {
    ServerProcess server;
    std::string error;
    ServerOptions options;
    options.blocks = kStationCompact + kStationDetail;
    if (!server.Start(options, error)) {
        Line("fpbench: %s", error.c_str());
        return;
    }
    auto host = MakeHost(options.blocks);
    if (!host)
        return;
    std::vector<HWND> fps;
    for (int i = 0; i < options.blocks; ++i)
        if (HWND fp = OpenShown(*host, TagName(i),
                                i < kStationDetail ? OpenMode::Detail : OpenMode::Compact))
            fps.push_back(fp);
    int withoutData = 0;
    const bool allData = AllShowedData(fps, kDataTimeoutMs * 2, &withoutData);
    if (!allData)
        PrintServerComplaints(server);
    FinishFirstPaint(fps);
    PrintIdleMessages(kIdleLookMs);
    PumpFor(1000);
    const double host0 = ProcessCpuMs(), server0 = ProcessCpuMs(server.Process()), t0 = NowMs();
    PumpFor(static_cast<DWORD>(s.stationSeconds) * 1000);
    const double wall = NowMs() - t0;
    const double hostCpu = ProcessCpuMs() - host0;
    const double serverCpu = ProcessCpuMs(server.Process()) - server0;
    int failing = 0;
    for (HWND fp : fps)
        failing += ControlText(fp, kStatusLine) == kCommFail;
    Line(" station load: %d compact + %d detail faceplates at 1 Hz for %.0f s (%s data on all, %d "
         "in COMM_FAIL at the end)",
         kStationCompact, kStationDetail, wall / 1000.0, allData ? "first" : "NOT all", failing);
    Line("  host process   %8.0f ms CPU = %5.2f %% of one core (%.3f ms per faceplate-tick)",
         hostCpu, 100.0 * hostCpu / wall, hostCpu / (fps.size() * wall / 1000.0));
    const double percent = 100.0 * hostCpu / wall;
    Goal("station 28 compact + 4 detail at 1 Hz, host CPU (natively)", percent, "%",
         kGoalStationCpuPercent, "%", percent <= kGoalStationCpuPercent);
    Goal("station, faceplates that showed no data", withoutData + failing, "", 0, "",
         allData && failing == 0);
    if (serverCpu == hostCpu)
        // Wine answers GetProcessTimes of another process with the caller's own times.
        Line("  server process: not measurable here (its times read the same as the host's)");
    else
        Line("  server process %8.0f ms CPU = %5.2f %% of one core", serverCpu,
             100.0 * serverCpu / wall);
    host->CloseAll();
}

// ---- open/close cycles ----

void PrintCounts(const char* when, const ResourceCounts& c) {
    Line("  %-8s handles %6ld  GDI objects %6ld  windows %5ld  committed %9.1f KiB", when,
         c.handles, c.gdiObjects, c.windows, c.committedBytes / 1024.0);
}

void CycleFigures(const Settings& s) {
    std::string report;
    const bool countersOk = CheckCounters(report);
    Line(" counters checked: %s (%s)", countersOk ? "ok" : "FAILED", report.c_str());
    ServerProcess server;
    std::string error;
    if (!server.Start(ServerOptions{}, error)) {
        Line("fpbench: %s", error.c_str());
        return;
    }
    auto host = MakeHost(1);
    if (!host)
        return;
    int noData = 0;
    auto cycle = [&](int i) {
        const OpenMode mode =
            i % kDetailEvery == kDetailEvery - 1 ? OpenMode::Detail : OpenMode::Compact;
        HWND fp = OpenShown(*host, TagName(0), mode);
        if (!fp || !PumpUntil([&] { return ShowsData(fp); }, kDataTimeoutMs))
            ++noData;
        host->CloseAll();
        PumpPending();
    };
    for (int i = 0; i < kWarmupCycles; ++i)
        cycle(i);
    PumpFor(500);
    const ResourceCounts before = CountResources();
    const double t0 = NowMs();
    for (int i = 0; i < s.cycles; ++i)
        cycle(i);
    const double wall = NowMs() - t0;
    PumpFor(500);
    const ResourceCounts after = CountResources();
    Line(" %d open/close cycles (every %dth with the detail view), %.1f ms per cycle, %d without "
         "data",
         s.cycles, kDetailEvery, wall / s.cycles, noData);
    PrintCounts("before", before);
    PrintCounts("after", after);
    Line("  growth   handles %+6ld  GDI objects %+6ld  windows %+5ld  committed %+9.1f KiB",
         after.handles - before.handles, after.gdiObjects - before.gdiObjects,
         after.windows - before.windows,
         (static_cast<double>(after.committedBytes) - static_cast<double>(before.committedBytes)) /
             1024.0);
}

// Which way Wine runs this program, as the scripts decided it (scripts/env.sh exports
// WINE_VIA_QEMU, and Wine hands the Linux environment to its programs): figures of the two
// ways differ several times over and must never be compared with each other.
const char* WinePath() {
    char value[8] = {};
    const DWORD n = ::GetEnvironmentVariableA("WINE_VIA_QEMU", value, sizeof value);
    if (n == 0 || n >= sizeof value)
        return "unknown (WINE_VIA_QEMU not set: run through scripts/bench.sh)";
    return strcmp(value, "1") == 0 ? "emulated through qemu" : "native 32-bit";
}

bool ParseArgs(int argc, char** argv, Settings& s) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--quick") {
            s = kQuick;
        } else if (a == "--only" && hasValue) {
            s.only = argv[++i];
            if (s.only != "callup" && s.only != "tick" && s.only != "station" &&
                s.only != "cycles") {
                fprintf(stderr, "fpbench: --only takes callup, tick, station or cycles\n");
                return false;
            }
        } else if (a == "--cycles" && hasValue) {
            s.cycles = std::max(1, atoi(argv[++i]));
        } else if (a == "--station-seconds" && hasValue) {
            s.stationSeconds = std::max(1, atoi(argv[++i]));
        } else if (a == "--callups" && hasValue) {
            s.callups = std::max(1, atoi(argv[++i]));
        } else if (a == "--rounds" && hasValue) {
            s.rounds = std::max(1, atoi(argv[++i]));
        } else {
            fprintf(stderr, "usage: fpbench [--quick] [--only callup|tick|station|cycles] "
                            "[--cycles N] [--station-seconds S] [--callups N] [--rounds N]\n");
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Settings s;
    if (!ParseArgs(argc, argv, s))
        return 2;
    SYSTEM_INFO si{};
    ::GetSystemInfo(&si);
    Line("fpbench: Wine path: %s; %lu processors; FP_BALANCE8 faceplate against the platform's "
         "own cost",
         WinePath(), si.dwNumberOfProcessors);
    {
        const double cpu0 = ThreadCpuMs(), process0 = ProcessCpuMs(), t0 = NowMs();
        volatile unsigned spin = 0;
        while (NowMs() - t0 < kClockCheckMs)
            spin = spin + 1;
        Line(" CPU clock check: a %.0f ms busy loop read as %.0f ms thread CPU, %.0f ms process "
             "CPU (less when other programs share the cores)",
             NowMs() - t0, ThreadCpuMs() - cpu0, ProcessCpuMs() - process0);
    }

    if (s.Runs("callup")) {
        ServerProcess server;
        std::string error;
        if (!server.Start(ServerOptions{}, error)) {
            Line("fpbench: %s", error.c_str());
            return 1;
        }
        auto host = MakeHost(1);
        if (!host)
            return 1;
        Line("");
        CallUpFigures(*host, s, false);
        CallUpFigures(*host, s, true);
        ShowDetailFigure(*host, s);
        CallUpParts(s);
        CallUpSteps(*host);
    }
    if (s.Runs("tick")) {
        Line("");
        TickFigures(s, false, false, true);
        TickFigures(s, false, true, false);
        TickFigures(s, true, false, true);
        TickFigures(s, true, true, false);
    }
    if (s.Runs("station")) {
        Line("");
        StationFigures(s);
    }
    if (s.Runs("cycles")) {
        Line("");
        CycleFigures(s);
    }
    PrintGoals();
    return 0;
}
