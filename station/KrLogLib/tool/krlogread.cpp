// krlogread: prints the operation log and verifies its keyed chain and its seal.
//   krlogread [-q] [-k verification key] [log file]
// Without a file it reads the log KrLogLib.dll writes (same configuration); without -k the
// verification key is the log's (<log>.verify in KR_LOG_VERIFY_KEYS, else in [Log] VerifyKeys,
// else beside the log).
// -q prints only the verdict. Exit code: 0 intact, 1 tampered (every
// broken range of lines, or the disagreement with the seal, is named), 2 log, seal or key
// unreadable. Torn lines closed by a later writer and records waiting in spools are reported;
// they are no tampering.
#include "KrLogChain.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kExitIntact = 0;
constexpr int kExitBroken = 1;
constexpr int kExitUnreadable = 2;
// The reader waits this long for a writer to finish its record and seal; then it reads anyway
// (a record written but not yet sealed is accepted).
constexpr DWORD kReadLockTimeoutMs = 2000;

// Writes UTF-8 bytes as they are (the log is UTF-8).
void Out(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintLines(const std::string& contents) {
    size_t pos = 0;
    for (size_t lineNo = 1; pos < contents.size(); ++lineNo) {
        size_t end = contents.find('\n', pos);
        std::string line =
            contents.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? contents.size() : end + 1;
        std::vector<std::string> f = krlog::SplitFields(line);
        std::string shown = std::to_string(lineNo) + ": ";
        if (f.size() == krlog::kFieldCount && f[1] == krlog::kTornKind)
            shown += f[0] + " | " + f[5];
        else if (f.size() == krlog::kFieldCount)
            shown +=
                f[0] + " kind " + f[1] + " | " + f[2] + " | " + f[3] + " | " + f[4] + " | " + f[5];
        else
            shown += line;
        Out(shown + "\n");
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    bool quiet = false;
    std::wstring path, keyPath;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"-q")
            quiet = true;
        else if (arg == L"-k" && i + 1 < argc)
            keyPath = argv[++i];
        else
            path = arg;
    }
    path = path.empty() ? krlog::LogPath() : krlog::LongLogPath(path);
    if (keyPath.empty())
        keyPath = krlog::VerifyKeyPath(path);
    std::string key, problem;
    if (!krlog::LoadKey(keyPath, key, problem)) {
        std::fprintf(stderr, "krlogread: %s\n", problem.c_str());
        return kExitUnreadable;
    }
    krlog::LogFiles files;
    bool readable = false;
    {
        krlog::CLogLock lock(path, kReadLockTimeoutMs, false); // log and seal of one moment
        readable = krlog::ReadLogFiles(path, files);
    }
    if (!readable || (!files.logExists && !files.sealExists)) {
        std::fprintf(stderr, "krlogread: cannot read the log (error %lu)\n", ::GetLastError());
        return kExitUnreadable;
    }
    krlog::VerifyResult result = krlog::Verify(key, files);
    if (!quiet)
        PrintLines(files.contents);
    for (size_t line : result.tornClosed)
        Out("line " + std::to_string(line) +
            ": torn by a writer that stopped inside it; closed by the next writer (that record "
            "is lost)\n");
    if (result.tornAtEnd)
        Out("the last line is torn by a writer that stopped inside it; the next writer closes "
            "it\n");
    if (size_t waiting = krlog::CountSpooled(path))
        Out(std::to_string(waiting) + " record(s) wait in spool files for the log\n");
    if (!result.intact) {
        std::string records = std::to_string(result.records);
        for (const krlog::BrokenRange& range : result.broken) {
            std::string to = range.last > range.first
                                 ? " (lines " + std::to_string(range.first) + " to " +
                                       std::to_string(range.last) + ")"
                                 : "";
            Out("BROKEN at line " + std::to_string(range.first) + ": " + range.problem + to +
                "\n");
        }
        if (!result.sealNote.empty())
            Out("BROKEN: a writer found the log inconsistent with its seal " + result.sealNote +
                "\n");
        if (!result.broken.empty())
            Out("BROKEN: " + std::to_string(result.broken.size()) + " broken range(s), " + records +
                " records whose chain holds\n");
        else
            Out("BROKEN: " + result.problem + " (" + records + " records in an intact chain)\n");
        return kExitBroken;
    }
    std::string unsealed =
        result.unsealed ? ", the last one not yet sealed (its writer stopped before sealing)" : "";
    Out("OK: " + std::to_string(result.records) + " records, chain and seal intact" + unsealed +
        "\n");
    return kExitIntact;
}
