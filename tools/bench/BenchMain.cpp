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
}

void ShowDetailFigure(fphost::Host& host, const Settings& s) {
    std::vector<double> times;
    for (int i = 0; i < s.callups; ++i) {
        HWND fp = OpenShown(host, TagName(0), OpenMode::Compact);
        if (!fp || !PumpUntil([&] { return ShowsData(fp); }, kDataTimeoutMs))
            continue;
        const double t0 = NowMs();
        host.ShowDetail(TagName(0), true);
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

struct TickAnatomy {
    std::map<std::string, int> touched; // "WM_SETTEXT id 32760 (Static)" -> count
    int setTexts = 0;                   // WM_SETTEXT messages
    int changedTexts = 0;               // controls whose text differs after the tick
};

TickAnatomy* g_anatomy = nullptr;
HWND g_anatomyRoot = nullptr;

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
    if (!g_anatomy || !name || (hwnd != g_anatomyRoot && !::IsChild(g_anatomyRoot, hwnd)))
        return;
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    char key[160];
    snprintf(key, sizeof key, "%s to id %d (%s)", name, ::GetDlgCtrlID(hwnd),
             kfw::Narrow(cls).c_str());
    ++g_anatomy->touched[key];
    if (msg == WM_SETTEXT)
        ++g_anatomy->setTexts;
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

std::map<HWND, std::wstring> Texts(HWND root) {
    std::map<HWND, std::wstring> texts;
    for (HWND h : Descendants(root))
        texts[h] = kfw::GetWindowTextW(h);
    return texts;
}

void Round(const std::vector<HWND>& fps) {
    for (HWND fp : fps)
        ::SendMessageW(fp, WM_TIMER, kRefreshTimer, 0);
    PumpFor(kRoundMs);
}

TickAnatomy Anatomy(HWND fp) {
    TickAnatomy a;
    const auto before = Texts(fp);
    g_anatomy = &a;
    g_anatomyRoot = fp;
    HHOOK sent = ::SetWindowsHookExW(WH_CALLWNDPROC, SentHook, nullptr, ::GetCurrentThreadId());
    HHOOK posted = ::SetWindowsHookExW(WH_GETMESSAGE, PostedHook, nullptr, ::GetCurrentThreadId());
    Round({fp});
    ::UnhookWindowsHookEx(sent);
    ::UnhookWindowsHookEx(posted);
    g_anatomy = nullptr;
    for (const auto& [h, text] : Texts(fp)) {
        auto it = before.find(h);
        if (it != before.end() && it->second != text)
            ++a.changedTexts;
    }
    return a;
}

// Setting `texts` changed texts per faceplate-tick on bare dialogs of the same templates,
// painted after every round: CPU per faceplate-tick.
double BareTextCostMs(bool detail, int texts, int faceplates, int rounds) {
    if (texts <= 0)
        return 0.0;
    std::vector<std::pair<HWND, HWND>> bare; // main, owner
    std::vector<HWND> controls;
    for (int i = 0; i < faceplates; ++i) {
        HWND owner = nullptr;
        HWND main = CreateBare(detail, owner);
        bare.emplace_back(main, owner);
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
        PumpPending();
        for (auto& b : bare)
            ::UpdateWindow(b.first);
    }
    const double cpu = ThreadCpuMs() - cpu0;
    for (auto& b : bare)
        DestroyBare(b.first, b.second);
    return cpu / (faceplates * rounds);
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
    PumpUntil(
        [&] { return std::all_of(fps.begin(), fps.end(), [](HWND fp) { return ShowsData(fp); }); },
        kDataTimeoutMs);
    for (HWND fp : fps)
        ::KillTimer(fp, kRefreshTimer); // ticks by hand from here on
    Round(fps);
    Round(fps);
    TickAnatomy anatomy = Anatomy(fps.front());

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

    const double bareChanged = BareTextCostMs(detail, anatomy.changedTexts, count, s.rounds);
    const double bareSet = BareTextCostMs(detail, anatomy.setTexts, count, s.rounds);
    char what[96];
    snprintf(what, sizeof what, "%s, %s", detail ? "detail" : "compact",
             changing ? "every value changing" : "constant values");
    Line(" CPU per faceplate-tick, %s (%d faceplates x %d ticks; %d texts changed, %d "
         "WM_SETTEXT per tick)",
         what, static_cast<int>(fps.size()), s.rounds, anatomy.changedTexts, anatomy.setTexts);
    char ref[64];
    snprintf(ref, sizeof ref, "bare: the %d changed texts", anatomy.changedTexts);
    Figure("faceplate tick", perTick, "ms", ref, bareChanged);
    snprintf(ref, sizeof ref, "bare: %d WM_SETTEXT as today", anatomy.setTexts);
    Figure("faceplate tick", perTick, "ms", ref, bareSet);
    if (printAnatomy) {
        Line("  touched in one tick of one faceplate (message to control: count):");
        for (const auto& [key, n] : anatomy.touched)
            Line("    %-60s %d", key.c_str(), n);
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
    const bool allData = PumpUntil(
        [&] { return std::all_of(fps.begin(), fps.end(), [](HWND fp) { return ShowsData(fp); }); },
        kDataTimeoutMs * 2);
    PumpFor(2000);
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
    return 0;
}
