// fpsoak.exe: a soak run of the BALANCE8 faceplate. Two host processes (this program with
// --worker) open four faceplates each and write through the real confirmation dialog while
// random messages and keys hit every faceplate window; then the server is killed and
// restarted. The run checks the server's and the operation log's counts, the log's chain and
// seal, and how fast the faceplates see the server go and come back.
//
//   fpsoak [--writes N] [--restarts N]        (defaults 1000 and 10)
#include "BenchStation.h"

#include "BlockTable.h"
#include "Host.h"
#include "Text.h"
#include "UiActions.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace bench;
using fphost::OpenMode;

namespace {

constexpr int kWorkers = 2;
constexpr int kFaceplatesPerWorker = 4;
constexpr int kWrittenSwitch = IDC_LOOP_41; // loop switch of item 98: the one the operator may operate
constexpr uint16_t kWrittenItem = 98;
constexpr uint16_t kLockedLevel = 7; // every other item: above the operator's level 5
constexpr UINT kDriverPeriodMs = 40;
constexpr int kFuzzPerPeriod = 6;
constexpr DWORD kPromptTimeoutMs = 10000;
constexpr DWORD kPhaseTimeoutMs = 60000;
constexpr DWORD kWriteTimeoutPerWriteMs = 6000;
constexpr int kMaxTicksToFail = 8;
constexpr int kMaxTicksToRecover = 2;
constexpr UINT kEditEnter = 2024, kEditFocus = 2026, kInteract = 4069, kReleased = 3010;
// Commands the fuzz leaves out: they close the faceplate, open the detail view or a peer
// program, or write through the one operable switch (whose writes are counted).
const std::set<int> kSparedCommands = {IDOK,  IDCANCEL, 32762, 32763,
                                       32764, 32765,    32766, kWrittenSwitch};

std::wstring EventName(const wchar_t* what, DWORD pid) {
    return std::wstring(L"FpSoak") + what + std::to_wstring(pid);
}

// ---- worker: one host process ----

struct Worker {
    int index = 0;
    int writes = 0;
    std::unique_ptr<fphost::Host> host;
    std::vector<std::string> tags;
    std::vector<HWND> fps;
    std::vector<long> ticks;
    std::mt19937 random{12345};
    int accepted = 0, unexpectedPrompts = 0, lostClicks = 0, messageBoxes = 0, reopened = 0;
    long fuzzMessages = 0, keys = 0;
    bool pending = false;
    DWORD pendingSince = 0;
    bool writesAnnounced = false;
};
Worker* g_worker = nullptr;

HWND FaceplateOf(HWND hwnd) {
    for (HWND fp : g_worker->fps)
        if (hwnd == fp || ::IsChild(fp, hwnd))
            return fp;
    return nullptr;
}

void Reopen(Worker& w) {
    for (size_t i = 0; i < w.fps.size(); ++i) {
        if (::IsWindow(w.fps[i]))
            continue;
        std::string error;
        w.fps[i] = w.host->Open(w.tags[i], i == 0 ? OpenMode::Detail : OpenMode::Compact, error);
        ++w.reopened;
    }
}

void Fuzz(Worker& w) {
    std::uniform_int_distribution<int> pick(0, 5);
    for (int n = 0; n < kFuzzPerPeriod; ++n) {
        HWND fp = w.fps[w.random() % w.fps.size()];
        if (!::IsWindow(fp))
            continue;
        // The faceplate or one of its pages.
        std::vector<HWND> targets{fp};
        std::vector<HWND> edits;
        for (HWND h : Descendants(fp)) {
            wchar_t cls[32] = {};
            ::GetClassNameW(h, cls, 32);
            if (!wcscmp(cls, L"#32770"))
                targets.push_back(h);
            else if (!_wcsicmp(cls, L"Edit"))
                edits.push_back(h);
        }
        HWND target = targets[w.random() % targets.size()];
        const WPARAM wp = w.random();
        const LPARAM lp = static_cast<LPARAM>(w.random());
        switch (pick(w.random)) {
        case 0:
            ::PostMessageW(target, kEditEnter, wp & 0xFFFF, lp);
            break;
        case 1:
            ::PostMessageW(target, w.random() % 2 ? kEditFocus : kReleased, wp, lp);
            break;
        case 2:
            ::PostMessageW(target, kInteract, wp % 2, lp);
            break;
        case 3: {
            int id = static_cast<int>(w.random() % 0xFFFF) + 1;
            if (kSparedCommands.count(id))
                break;
            ::PostMessageW(target, WM_COMMAND, MAKEWPARAM(id, w.random() % 4 ? BN_CLICKED : wp),
                           w.random() % 2 ? 0 : lp);
            break;
        }
        case 4: {
            // Data with a pointer cannot be posted: it is sent, as another program would.
            char bytes[64];
            for (char& b : bytes)
                b = static_cast<char>(w.random());
            COPYDATASTRUCT data{static_cast<ULONG_PTR>(wp), w.random() % sizeof bytes, bytes};
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                  SMTO_NORMAL, 1000, &result);
            break;
        }
        default: {
            if (edits.empty())
                break;
            HWND edit = edits[w.random() % edits.size()];
            static const wchar_t kKeys[] = L"0123456789.-+eE \b\r";
            const wchar_t ch = kKeys[w.random() % (sizeof kKeys / sizeof kKeys[0] - 1)];
            if (ch == L'\r') {
                ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
                ::PostMessageW(edit, WM_CHAR, L'\r', 1);
                ::PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
            } else {
                ::PostMessageW(edit, WM_CHAR, ch, 1);
            }
            ++w.keys;
            continue;
        }
        }
        ++w.fuzzMessages;
    }
}

// Runs on a thread timer, so also inside the confirmation's modal loop.
void CALLBACK DriveWorker(HWND, UINT, UINT_PTR, DWORD) {
    Worker& w = *g_worker;
    // Prompts and message boxes are owned by a faceplate (the faceplates themselves by their
    // containers).
    auto owned = [&](HWND owner) { return FaceplateOf(owner) != nullptr; };
    if (HWND box = fphost::FindOwnedDialog(owned, false)) {
        ++w.messageBoxes; // a message box a fuzzed command opened
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    if (HWND prompt = fphost::FindOwnedDialog(owned, true)) {
        if (w.pending) {
            w.pending = false;
            ++w.accepted;
            fphost::AnswerDialog(prompt, true, L"soak " + std::to_wstring(w.accepted));
        } else {
            ++w.unexpectedPrompts; // a confirmation nobody asked for: refused
            fphost::AnswerDialog(prompt, false, L"");
        }
        return;
    }
    if (w.pending && ::GetTickCount() - w.pendingSince > kPromptTimeoutMs) {
        ++w.lostClicks;
        w.pending = false;
    }
    Fuzz(w);
    if (!w.pending && w.accepted < w.writes) {
        HWND fp = w.fps[static_cast<size_t>(w.accepted) % w.fps.size()];
        if (::IsWindow(fp) && ShowsData(fp) && ControlText(fp, kStatusLine) != kCommFail) {
            if (HWND sw = fphost::FindControl(fp, kWrittenSwitch)) {
                w.pending = true;
                w.pendingSince = ::GetTickCount();
                fphost::ClickControl(sw);
            }
        }
    }
}

int RunWorker(int index, int writes, DWORD parentPid) {
    Worker w;
    g_worker = &w;
    w.index = index;
    w.writes = writes;
    w.random.seed(static_cast<unsigned>(index * 7919 + 17));
    fphost::HostConfig config = MakeHostConfig(kWorkers * kFaceplatesPerWorker);
    for (fphost::TagConfig& tag : config.tags) {
        tag.confirm = 1;
        tag.itemConfirm = 1;
        tag.itemLevel = kLockedLevel;
        tag.itemLevels.push_back({std::to_string(kWrittenItem), 1});
    }
    w.host = std::make_unique<fphost::Host>(config);
    fphost::BlockTable table;
    std::string error;
    if (!fphost::LoadBalance8Table(table, error) || !w.host->Prepare(table, error) ||
        !w.host->LoadModule(error)) {
        printf("worker %d: %s\n", index, error.c_str());
        return 1;
    }
    for (int i = 0; i < kFaceplatesPerWorker; ++i) {
        w.tags.push_back(TagName(index * kFaceplatesPerWorker + i));
        w.fps.push_back(
            w.host->Open(w.tags.back(), i == 0 ? OpenMode::Detail : OpenMode::Compact, error));
    }
    w.ticks.assign(w.fps.size(), 0);
    PumpUntil([&] { return std::all_of(w.fps.begin(), w.fps.end(), ShowsData); }, kPhaseTimeoutMs);
    HANDLE down = ::OpenEventW(SYNCHRONIZE, FALSE, EventName(L"Down", parentPid).c_str());
    HANDLE quit = ::OpenEventW(SYNCHRONIZE, FALSE, EventName(L"Quit", parentPid).c_str());
    ::SetTimer(nullptr, 0, kDriverPeriodMs, DriveWorker);

    bool serverDown = false;
    int round = 0;
    bool waiting = false;
    std::vector<long> base(w.fps.size(), 0);
    std::vector<int> reached(w.fps.size(), -1);
    while (::WaitForSingleObject(quit, 0) != WAIT_OBJECT_0) {
        if (!w.writesAnnounced && w.accepted >= w.writes && !w.pending) {
            w.writesAnnounced = true;
            printf("worker %d: writes done %d\n", index, w.accepted);
            fflush(stdout);
        }
        const bool nowDown = ::WaitForSingleObject(down, 0) == WAIT_OBJECT_0;
        if (nowDown != serverDown) {
            serverDown = nowDown;
            round += nowDown ? 1 : 0;
            waiting = true;
            base = w.ticks;
            std::fill(reached.begin(), reached.end(), -1);
        }
        MSG msg;
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            Reopen(w);
            continue;
        }
        const auto it = std::find(w.fps.begin(), w.fps.end(), msg.hwnd);
        const bool tick =
            msg.message == WM_TIMER && msg.wParam == kRefreshTimer && it != w.fps.end();
        if (tick)
            ++w.ticks[static_cast<size_t>(it - w.fps.begin())];
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        if (!waiting)
            continue;
        for (size_t i = 0; i < w.fps.size(); ++i)
            if (reached[i] < 0 && (ControlText(w.fps[i], kStatusLine) == kCommFail) == serverDown)
                reached[i] = static_cast<int>(w.ticks[i] - base[i]);
        if (std::all_of(reached.begin(), reached.end(), [](int r) { return r >= 0; })) {
            printf("worker %d: %s %d ticks %d\n", index, serverDown ? "down" : "up", round,
                   *std::max_element(reached.begin(), reached.end()));
            fflush(stdout);
            waiting = false;
        }
    }
    printf("worker %d: accepted %d unexpected_prompts %d lost_clicks %d message_boxes %d "
           "reopened %d fuzz %ld keys %ld\n",
           index, w.accepted, w.unexpectedPrompts, w.lostClicks, w.messageBoxes, w.reopened,
           w.fuzzMessages, w.keys);
    fflush(stdout);
    w.host->CloseAll();
    return 0;
}

// ---- the run ----

int Field(const std::string& text, const std::string& key) {
    size_t at = text.find(key + " ");
    return at == std::string::npos ? -1 : atoi(text.c_str() + at + key.size() + 1);
}

size_t CountLines(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

int RunSoak(int writes, int restarts) {
    const DWORD pid = ::GetCurrentProcessId();
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring log = std::wstring(temp) + L"fpsoak_operation.log";
    ::DeleteFileW(log.c_str());
    ::DeleteFileW((log + L".seal").c_str());
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", log.c_str());
    HANDLE down = ::CreateEventW(nullptr, TRUE, FALSE, EventName(L"Down", pid).c_str());
    HANDLE quit = ::CreateEventW(nullptr, TRUE, FALSE, EventName(L"Quit", pid).c_str());

    ServerProcess server;
    std::string error;
    ServerOptions options;
    options.blocks = kWorkers * kFaceplatesPerWorker;
    if (!server.Start(options, error)) {
        printf("fpsoak: %s\n", error.c_str());
        return 1;
    }
    kt::ChildProcess workers[kWorkers];
    const double start = ::GetTickCount();
    for (int k = 0; k < kWorkers; ++k) {
        std::wstring args = L"--worker " + std::to_wstring(k) + L" --writes " +
                            std::to_wstring(writes / kWorkers + (k < writes % kWorkers)) +
                            L" --parent " + std::to_wstring(pid);
        workers[k].Start(kt::BinPath(L"fpsoak.exe"), args);
    }
    bool ok = true;
    for (auto& worker : workers)
        ok &=
            worker.WaitForOutput("writes done", kWriteTimeoutPerWriteMs * writes + kPhaseTimeoutMs);
    const double writeSeconds = (::GetTickCount() - start) / 1000.0;
    ::Sleep(2000); // the last writes reach the server

    int worstFail = 0, worstRecover = 0, failsInTime = 0, recoveriesInTime = 0;
    for (int r = 1; ok && r <= restarts; ++r) {
        server.Kill();
        ::SetEvent(down);
        for (auto& worker : workers)
            ok &= worker.WaitForOutput("down " + std::to_string(r) + " ", kPhaseTimeoutMs);
        if (!server.Start(options, error)) {
            ok = false;
            break;
        }
        ::ResetEvent(down);
        for (auto& worker : workers)
            ok &= worker.WaitForOutput("up " + std::to_string(r) + " ", kPhaseTimeoutMs);
        int fail = 0, recover = 0;
        for (auto& worker : workers) {
            const std::string out = worker.Output();
            fail = std::max(fail, Field(out, "down " + std::to_string(r) + " ticks"));
            recover = std::max(recover, Field(out, "up " + std::to_string(r) + " ticks"));
        }
        worstFail = std::max(worstFail, fail);
        worstRecover = std::max(worstRecover, recover);
        failsInTime += fail >= 0 && fail <= kMaxTicksToFail;
        recoveriesInTime += recover >= 0 && recover <= kMaxTicksToRecover;
    }
    ::SetEvent(quit);
    int crashed = 0, accepted = 0, unexpected = 0, lost = 0, boxes = 0, reopened = 0;
    long fuzz = 0, keys = 0;
    for (auto& worker : workers) {
        DWORD code = 1;
        if (!worker.WaitForExit(kPhaseTimeoutMs, &code) || code != 0)
            ++crashed;
        const std::string out = worker.Output();
        accepted += std::max(0, Field(out, "accepted"));
        unexpected += std::max(0, Field(out, "unexpected_prompts"));
        lost += std::max(0, Field(out, "lost_clicks"));
        boxes += std::max(0, Field(out, "message_boxes"));
        reopened += std::max(0, Field(out, "reopened"));
        fuzz += std::max(0, Field(out, "fuzz"));
        keys += std::max(0, Field(out, "keys"));
    }
    server.Kill();

    // Every write the server took, and to what address: only the operable switch's.
    const std::string serverLog = server.Output();
    const size_t serverWrites = CountLines(serverLog, "write: slot");
    std::set<std::string> allowed;
    for (int i = 0; i < options.blocks; ++i) {
        char address[32];
        snprintf(address, sizeof address, "address 0x%X,",
                 0x1000 + 0x600 * i + b8::FindItem(kWrittenItem)->offset);
        allowed.insert(address);
    }
    size_t foreignWrites = 0;
    for (size_t at = serverLog.find("write: slot"); at != std::string::npos;
         at = serverLog.find("write: slot", at + 1)) {
        const size_t a = serverLog.find("address ", at);
        const size_t comma = serverLog.find(',', a);
        if (a == std::string::npos || !allowed.count(serverLog.substr(a, comma - a + 1)))
            ++foreignWrites;
    }
    const size_t refused = CountLines(serverLog, "refused write");

    size_t records = 0;
    {
        std::ifstream in(log.c_str());
        for (std::string line; std::getline(in, line);)
            records += !line.empty();
    }
    kt::ChildProcess reader;
    DWORD verdict = 99;
    reader.Start(kt::BinPath(L"krlogread.exe"), L"-q \"" + log + L"\"");
    reader.WaitForExit(kPhaseTimeoutMs, &verdict);

    const bool pass =
        ok && crashed == 0 && accepted == writes && serverWrites == static_cast<size_t>(writes) &&
        records == static_cast<size_t>(writes) && verdict == 0 && foreignWrites == 0 &&
        unexpected == 0 && failsInTime == restarts && recoveriesInTime == restarts;
    printf("fpsoak: %s | confirmed %d, server writes %u (foreign %u, refused %u), log records %u, "
           "chain and seal %s | %.0f s of writes | fuzz %ld messages, %ld keys, unexpected "
           "prompts %d, lost clicks %d, message boxes %d, reopened %d, crashed %d | restarts %d: "
           "COMM_FAIL within %d ticks (%d/%d), recovery within %d ticks (%d/%d)\n",
           pass ? "PASS" : "FAIL", accepted, static_cast<unsigned>(serverWrites),
           static_cast<unsigned>(foreignWrites), static_cast<unsigned>(refused),
           static_cast<unsigned>(records), verdict == 0 ? "intact" : "BROKEN", writeSeconds, fuzz,
           keys, unexpected, lost, boxes, reopened, crashed, restarts, worstFail, failsInTime,
           restarts, worstRecover, recoveriesInTime, restarts);
    if (!pass)
        for (auto& worker : workers)
            printf("%s", worker.Output().c_str());
    fflush(stdout);
    ::CloseHandle(down);
    ::CloseHandle(quit);
    return pass ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    int writes = 1000, restarts = 10, worker = -1;
    DWORD parent = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--writes")
            writes = std::max(0, atoi(argv[i + 1]));
        else if (a == "--restarts")
            restarts = std::max(0, atoi(argv[i + 1]));
        else if (a == "--worker")
            worker = atoi(argv[i + 1]);
        else if (a == "--parent")
            parent = static_cast<DWORD>(strtoul(argv[i + 1], nullptr, 10));
    }
    if (worker >= 0)
        return RunWorker(worker, writes, parent);
    return RunSoak(writes, restarts);
}
