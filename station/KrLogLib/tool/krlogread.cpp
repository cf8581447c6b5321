// krlogread: prints the operation log and verifies its hash chain.
//   krlogread [-q] [log file]
// Without a file it reads the log KrLogLib.dll writes (same configuration). -q prints only the
// verdict. Exit code: 0 chain intact, 1 broken (the first broken line is named), 2 unreadable.
#include "KrLogChain.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kExitIntact = 0;
constexpr int kExitBroken = 1;
constexpr int kExitUnreadable = 2;

bool ReadAll(const std::wstring& path, std::string& out) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(file, &size) && size.HighPart == 0;
    if (ok) {
        out.resize(size.LowPart);
        DWORD read = 0;
        ok = out.empty() ||
             (::ReadFile(file, out.data(), size.LowPart, &read, nullptr) && read == size.LowPart);
    }
    ::CloseHandle(file);
    return ok;
}

// Writes UTF-8 bytes as they are (the log is UTF-8).
void Out(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    bool quiet = false;
    std::wstring path;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"-q")
            quiet = true;
        else
            path = arg;
    }
    if (path.empty())
        path = krlog::LogPath();
    std::string contents;
    if (!ReadAll(path, contents)) {
        std::fprintf(stderr, "krlogread: cannot read the log (error %lu)\n", ::GetLastError());
        return kExitUnreadable;
    }
    krlog::VerifyResult result = krlog::Verify(contents);
    if (!quiet) {
        size_t pos = 0;
        for (size_t lineNo = 1; pos < contents.size(); ++lineNo) {
            size_t end = contents.find('\n', pos);
            std::string line =
                contents.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            pos = end == std::string::npos ? contents.size() : end + 1;
            std::vector<std::string> f = krlog::SplitFields(line);
            std::string shown = std::to_string(lineNo) + ": ";
            if (f.size() == krlog::kFieldCount)
                shown += f[0] + " kind " + f[1] + " | " + f[2] + " | " + f[3] + " | " + f[4] +
                         " | " + f[5];
            else
                shown += line;
            Out(shown + "\n");
        }
    }
    if (result.brokenLine) {
        Out("BROKEN at line " + std::to_string(result.brokenLine) + ": " + result.problem + " (" +
            std::to_string(result.records) + " intact records before it)\n");
        return kExitBroken;
    }
    Out("OK: " + std::to_string(result.records) + " records, hash chain intact\n");
    return kExitIntact;
}
