// commserver.exe: the station's communication server with simulated BALANCE8 controllers.
#include "CommServer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace commsim;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitStartFailed = 3;
constexpr UINT_PTR kExitTimer = 0x4558;

const char kUsage[] =
    "usage: commserver [options]\n"
    "  --config FILE          station configuration (default: one block BAL101 at 0x1000)\n"
    "  --period MS            model cycle in milliseconds (overrides the configuration)\n"
    "  --seed N               noise seed (overrides the configuration)\n"
    "  --exit-after MS        end after this time\n"
    "  --quit-event NAME      end when this named event is set (default KrCommServerQuit)\n"
    "  --no-refresh           never answer refresh requests\n"
    "  --no-refresh-after MS  stop answering refresh requests after this time\n"
    "  --refuse-register      refuse every registration\n"
    "  --refuse-subscribe     refuse every subscription\n"
    "  --bad-magic            publish a wrong magic in the handle segment\n"
    "  --hang-on COMMAND      sleep in the handler of this request (register, unregister,\n"
    "                         subscribe, refresh or write; may be repeated)\n"
    "  --keep-writes          never take a write request out of the write area\n"
    "  --leave-write-area     apply write requests but never touch the write area\n"
    "  --register-delay MS    grant every register at once, answer it after this time\n"
    "  --change-all           change every value each period instead of running the models\n";

// Request names accepted by --hang-on.
struct NamedCommand {
    const char* name;
    uint16_t command;
};
constexpr NamedCommand kCommandNames[] = {
    {"register", commproto::kCmdRegister},   {"unregister", commproto::kCmdUnregister},
    {"subscribe", commproto::kCmdSubscribe}, {"refresh", commproto::kCmdRefresh},
    {"write", commproto::kCmdWrite},
};

bool ParseCommand(const char* text, uint16_t& command) {
    for (const NamedCommand& c : kCommandNames) {
        if (text && strcmp(text, c.name) == 0) {
            command = c.command;
            return true;
        }
    }
    return false;
}

bool ParseCount(const char* text, unsigned long long max, unsigned long long& out) {
    if (!text || !*text || *text == '-')
        return false;
    char* end = nullptr;
    out = strtoull(text, &end, 0);
    return *end == '\0' && out <= max;
}

struct Options {
    std::string config;
    std::string quitEvent = kDefaultQuitEvent;
    unsigned long long period = 0, seed = 0, exitAfter = 0;
    bool hasSeed = false;
    bool changeAll = false;
    ServerFaults faults;
};

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long long n = 0;
        if (a == "--config" && next) {
            o.config = argv[++i];
        } else if (a == "--quit-event" && next && *next) {
            o.quitEvent = argv[++i];
        } else if (a == "--period" && ParseCount(next, 60000, n) && n > 0) {
            o.period = n;
            ++i;
        } else if (a == "--seed" && ParseCount(next, UINT64_MAX, n)) {
            o.seed = n;
            o.hasSeed = true;
            ++i;
        } else if (a == "--exit-after" && ParseCount(next, 0x7FFFFFFF, n) && n > 0) {
            o.exitAfter = n;
            ++i;
        } else if (a == "--no-refresh-after" && ParseCount(next, 0x7FFFFFFF, n) && n > 0) {
            o.faults.noRefreshAfterMs = static_cast<DWORD>(n);
            ++i;
        } else if (a == "--no-refresh") {
            o.faults.noRefresh = true;
        } else if (a == "--refuse-register") {
            o.faults.refuseRegister = true;
        } else if (a == "--refuse-subscribe") {
            o.faults.refuseSubscribe = true;
        } else if (a == "--bad-magic") {
            o.faults.badMagic = true;
        } else if (uint16_t command = 0; a == "--hang-on" && ParseCommand(next, command)) {
            o.faults.hangCommands |= 1u << command;
            ++i;
        } else if (a == "--register-delay" && ParseCount(next, 600000, n) && n > 0) {
            o.faults.registerDelayMs = static_cast<DWORD>(n);
            ++i;
        } else if (a == "--keep-writes") {
            o.faults.keepWrites = true;
        } else if (a == "--leave-write-area") {
            o.faults.leaveWriteArea = true;
        } else if (a == "--change-all") {
            o.changeAll = true;
        } else {
            fprintf(stderr, "commserver: bad argument %s\n%s", a.c_str(), kUsage);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArgs(argc, argv, options))
        return kExitUsage;

    StationConfig config = DefaultStationConfig();
    std::string error;
    if (!options.config.empty() && !LoadStationConfig(options.config.c_str(), config, error)) {
        ServerLog("configuration %s: %s", options.config.c_str(), error.c_str());
        return kExitUsage;
    }
    if (options.period)
        config.periodMs = static_cast<uint32_t>(options.period);
    if (options.hasSeed)
        config.seed = options.seed;

    CStation station;
    if (!station.Build(config, error)) {
        ServerLog("configuration: %s", error.c_str());
        return kExitUsage;
    }
    HANDLE quit = ::CreateEventA(nullptr, TRUE, FALSE, options.quitEvent.c_str());
    CCommServer server(station, options.faults, config.periodMs);
    server.SetChangeEveryValue(options.changeAll);
    if (!server.Start(error)) {
        ServerLog("cannot start: %s", error.c_str());
        if (quit)
            ::CloseHandle(quit);
        return kExitStartFailed;
    }
    ServerLog("started: %u blocks, memory %u bytes, period %u ms, seed %llu%s",
              static_cast<unsigned>(station.BlockCount()), station.Memory().Size(), config.periodMs,
              static_cast<unsigned long long>(config.seed),
              options.changeAll ? ", every value changing" : "");
    for (size_t i = 0; i < station.BlockCount(); ++i)
        ServerLog("block %s at 0x%X, %u bytes", station.Block(i).tag.c_str(), station.Block(i).base,
                  static_cast<unsigned>(b8::kWholeSize));

    if (options.exitAfter)
        ::SetTimer(nullptr, kExitTimer, static_cast<UINT>(options.exitAfter), nullptr);
    MSG msg{};
    bool running = true;
    while (running) {
        DWORD count = quit ? 1 : 0;
        DWORD wait = ::MsgWaitForMultipleObjects(count, &quit, FALSE, INFINITE, QS_ALLINPUT);
        if (quit && wait == WAIT_OBJECT_0) {
            ServerLog("quit event set: ending");
            server.DestroyWindow();
        }
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                running = false;
                break;
            }
            if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
                ServerLog("exit time reached: ending");
                server.DestroyWindow();
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (quit)
        ::CloseHandle(quit);
    ServerLog("ended");
    return kExitOk;
}
