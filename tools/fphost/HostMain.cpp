// fphost.exe: the test host. Plays the operator station for a faceplate module: loads it,
// opens faceplates of configured tags and answers their callbacks from its own tag database.
// A script runs the whole session unattended; without one, the tag is opened and the host
// runs until its faceplates are closed.
#include "Host.h"
#include "KrToolkit.h"
#include "ScriptRunner.h"
#include "Text.h"

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace fphost;

namespace {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // a command or an expectation of the script failed
constexpr int kExitUsage = 2;  // command line, configuration or script malformed
constexpr int kExitModule = 3; // the faceplate module cannot be loaded
constexpr int kExitTable = 4;  // the block table is not available

constexpr wchar_t kDefaultIni[] = L"demo_host.ini";
constexpr UINT kIdleCheckMs = 500;

constexpr char kUsage[] =
    "usage: fphost.exe [--ini <file>] [--script <file>] [--tag <name>] [--open <mode>]\n"
    "                  [--<key> <value>]...\n"
    "  --ini      configuration (default: demo_host.ini next to fphost.exe, if present)\n"
    "  --script   runs the script and exits (0 = every command and expectation passed)\n"
    "  --tag      the configured tag that the following tag keys set (and --open opens)\n"
    "  --open     without a script: opens the tag (compact, detail, embedded, popchild,\n"
    "             popchild-detail; default detail) and runs until it is closed\n"
    "  --<key>    any [host] key (module, user, level, ack, callbacks, almstate, ...) or\n"
    "             [tag NAME] key (description, base, target, station, column, confirm,\n"
    "             security, operate_level, ...) of the configuration\n"
    "exit codes: 0 ok, 1 script failures, 2 usage/configuration/script errors,\n"
    "            3 faceplate module not loadable, 4 block table unavailable\n";

bool ReadFile(const std::wstring& path, std::string& text) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

struct Options {
    std::wstring ini;
    std::wstring script;
    std::string openMode = "detail";
    std::string tag;
    std::vector<std::pair<std::string, std::string>> settings; // in order, --tag included
};

bool ParseArgs(int argc, wchar_t** argv, Options& o, bool& help) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = kfw::Narrow(argv[i], CP_UTF8);
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            help = true;
            return true;
        }
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0 || i + 1 >= argc) {
            std::fprintf(stderr, "fphost: unexpected argument '%s'\n", arg.c_str());
            return false;
        }
        std::string key = arg.substr(2);
        std::wstring wvalue = argv[++i];
        std::string value = kfw::Narrow(wvalue.c_str(), CP_UTF8);
        if (key == "ini")
            o.ini = wvalue;
        else if (key == "script")
            o.script = wvalue;
        else if (key == "open")
            o.openMode = value;
        else
            o.settings.emplace_back(key, value);
    }
    return true;
}

// Applies the command-line settings on top of the ini: host keys, and tag keys to the tag
// last named with --tag (else the first configured tag).
bool ApplySettings(const Options& o, HostConfig& config, std::string& selected) {
    selected = config.tags.empty() ? "" : config.tags.front().name;
    for (const auto& [key, value] : o.settings) {
        std::string error;
        if (key == "tag") {
            // A tag made up on the command line would have no base: it would show another
            // block's data.
            const TagConfig* tag = config.FindTag(value);
            if (!tag) {
                std::string known;
                for (const TagConfig& t : config.tags)
                    known += (known.empty() ? "" : ", ") + t.name;
                std::fprintf(stderr,
                             "fphost: --tag '%s' names no configured tag (configured: %s)\n",
                             value.c_str(), known.empty() ? "none" : known.c_str());
                return false;
            }
            selected = tag->name;
            continue;
        }
        bool ok = false;
        if (IsHostKey(key)) {
            ok = SetHostKey(config, key, value, error);
        } else if (TagConfig* tag = config.FindTag(selected)) {
            ok = SetTagKey(*tag, key, value, error);
        } else {
            error = "no tag to apply it to (give --tag NAME first)";
        }
        if (!ok) {
            std::fprintf(stderr, "fphost: --%s %s: %s\n", key.c_str(), value.c_str(),
                         error.c_str());
            return false;
        }
    }
    return true;
}

int RunLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

Host* g_interactiveHost = nullptr;

// What the station's readers find wrong in their files reaches the user, not only the debug
// trace.
void __cdecl PrintStationProblem(const char* problem) {
    std::fprintf(stderr, "fphost: %s\n", problem);
    std::fflush(stderr);
}

// Ends the interactive session once no faceplate is visible any more.
void CALLBACK IdleCheck(HWND, UINT, UINT_PTR, DWORD) noexcept {
    if (!g_interactiveHost)
        return;
    try {
        if (g_interactiveHost->AnyFaceplateVisible())
            return;
    } catch (...) {
    }
    ::PostQuitMessage(0);
}

int Run(int argc, wchar_t** argv) {
    Options options;
    bool help = false;
    if (!ParseArgs(argc, argv, options, help)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }

    KrSetProblemSink(PrintStationProblem);
    HostConfig config;
    std::wstring ini = options.ini.empty() ? ExeFolder() + kDefaultIni : options.ini;
    std::string text;
    if (ReadFile(ini, text)) {
        std::string error;
        std::vector<std::string> warnings;
        const std::string file = kfw::Narrow(ini.c_str(), CP_UTF8);
        bool loaded = LoadIni(text, config, error, &warnings);
        for (const std::string& w : warnings)
            std::fprintf(stderr, "fphost: %s: %s\n", file.c_str(), w.c_str());
        if (!loaded) {
            std::fprintf(stderr, "fphost: %s: %s\n", file.c_str(), error.c_str());
            return kExitUsage;
        }
    } else if (!options.ini.empty()) {
        std::fprintf(stderr, "fphost: cannot read %s\n", kfw::Narrow(ini.c_str(), CP_UTF8).c_str());
        return kExitUsage;
    }
    std::string selected;
    if (!ApplySettings(options, config, selected))
        return kExitUsage;
    if (config.tags.empty()) {
        std::fprintf(stderr, "fphost: no tag is configured (give an ini file with a [tag NAME])\n");
        return kExitUsage;
    }

    std::vector<Command> commands;
    if (!options.script.empty()) {
        std::string script;
        if (!ReadFile(options.script, script)) {
            std::fprintf(stderr, "fphost: cannot read the script %s\n",
                         kfw::Narrow(options.script.c_str(), CP_UTF8).c_str());
            return kExitUsage;
        }
        std::vector<ScriptError> errors;
        commands = ParseScript(script, errors);
        for (const ScriptError& e : errors)
            std::fprintf(stderr, "fphost: script line %d: %s\n", e.line, e.message.c_str());
        if (!errors.empty())
            return kExitUsage;
    }

    Host host(config);
    std::string error;
    if (!host.LoadModule(error)) {
        std::fprintf(stderr, "fphost: %s\n", error.c_str());
        return kExitModule;
    }
    BlockTable table;
    if (!LoadBalance8Table(table, error)) {
        std::fprintf(stderr, "fphost: %s\n", error.c_str());
        return kExitTable;
    }
    if (!host.Prepare(table, error)) {
        std::fprintf(stderr, "fphost: %s\n", error.c_str());
        return kExitUsage;
    }

    if (!commands.empty()) {
        ScriptRunner runner(host, std::move(commands));
        runner.Start();
        RunLoop();
        host.CloseAll();
        std::printf("fphost: script done, %d failure(s)\n", runner.Failures());
        return runner.Failures() == 0 ? kExitOk : kExitFailed;
    }

    OpenMode mode = OpenMode::Detail;
    std::vector<ScriptError> errors;
    std::vector<Command> open = ParseScript("open " + selected + " " + options.openMode, errors);
    if (open.empty()) {
        std::fprintf(stderr, "fphost: --open: %s\n",
                     errors.empty() ? "?" : errors[0].message.c_str());
        return kExitUsage;
    }
    mode = open[0].mode;
    if (!host.Open(selected, mode, error)) {
        std::fprintf(stderr, "fphost: %s\n", error.c_str());
        return kExitFailed;
    }
    g_interactiveHost = &host;
    UINT_PTR timer = ::SetTimer(nullptr, 0, kIdleCheckMs, IdleCheck);
    RunLoop();
    ::KillTimer(nullptr, timer);
    g_interactiveHost = nullptr;
    host.CloseAll();
    return kExitOk;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fphost: %s\n", e.what());
        return kExitFailed;
    } catch (...) {
        return kExitFailed;
    }
}
