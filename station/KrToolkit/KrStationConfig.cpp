#include "KrStationConfig.h"

#include <cwctype>
#include <map>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace krcfg {
namespace {
constexpr DWORD kMaxValueChars = 1024;
constexpr wchar_t kAbsentMarker[] = L"\x01<absent>\x01";
constexpr LONGLONG kMaxIniBytes = 1024 * 1024;
} // namespace

HMODULE SelfModule() {
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

std::wstring ModuleFolder(HMODULE module) {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(module, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return L".\\";
        if (n < buf.size())
            break;
        buf.resize(buf.size() * 2);
    }
    std::wstring path(buf.data());
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L".\\" : path.substr(0, slash + 1);
}

bool GetEnv(const wchar_t* name, std::wstring& value) {
    DWORD n = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0)
        return false;
    std::wstring buf(n, L'\0');
    n = ::GetEnvironmentVariableW(name, buf.data(), n);
    buf.resize(n);
    value = buf;
    return true;
}

std::wstring IniPath() {
    std::wstring path;
    if (GetEnv(kEnvIniPath, path) && !path.empty())
        return path;
    return ModuleFolder(SelfModule()) + kIniFileName;
}

std::wstring ReadIni(const wchar_t* section, const wchar_t* key, const wchar_t* fallback) {
    std::wstring ini = IniPath();
    std::vector<wchar_t> buf(kMaxValueChars);
    ::GetPrivateProfileStringW(section, key, fallback, buf.data(), kMaxValueChars, ini.c_str());
    return buf.data();
}

std::wstring ResolvePath(const std::wstring& path) {
    bool absolute = !path.empty() &&
                    (path[0] == L'\\' || path[0] == L'/' || (path.size() >= 2 && path[1] == L':'));
    if (absolute || path.empty())
        return path;
    return ModuleFolder(SelfModule()) + path;
}

namespace {
std::wstring TrimBlanks(const std::wstring& s) {
    size_t b = s.find_first_not_of(L" \t\r");
    if (b == std::wstring::npos)
        return {};
    return s.substr(b, s.find_last_not_of(L" \t\r") - b + 1);
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::string Ascii(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}
} // namespace

std::vector<IniProblem> CheckIniText(const std::wstring& text) {
    std::vector<IniProblem> problems;
    std::map<std::wstring, int> sections;             // lower-case name -> line
    std::map<std::wstring, int> keys;                 // of the current section
    bool skipKeys = false;                            // a repeated section: reported once
    int lineNo = 0;
    size_t pos = text.compare(0, 1, L"\xFEFF") == 0 ? 1 : 0;
    while (pos <= text.size()) {
        ++lineNo;
        size_t nl = text.find(L'\n', pos);
        std::wstring line = TrimBlanks(text.substr(pos, nl == std::wstring::npos ? nl : nl - pos));
        pos = nl == std::wstring::npos ? text.size() + 1 : nl + 1;
        if (line.empty() || line[0] == L';' || line[0] == L'#')
            continue;
        if (line[0] == L'[') {
            if (line.back() != L']') {
                problems.push_back({lineNo, "section header without ']'"});
                continue;
            }
            std::wstring name = TrimBlanks(line.substr(1, line.size() - 2));
            auto [earlier, first] = sections.emplace(Lower(name), lineNo);
            keys.clear();
            skipKeys = !first;
            if (!first)
                problems.push_back({lineNo, "section [" + Ascii(name) + "] repeats line " +
                                                std::to_string(earlier->second) +
                                                "; only the first one is read"});
            continue;
        }
        size_t eq = line.find(L'=');
        if (eq == std::wstring::npos || TrimBlanks(line.substr(0, eq)).empty()) {
            problems.push_back({lineNo, "expected <key>=<value>; line not read"});
            continue;
        }
        if (sections.empty()) {
            problems.push_back({lineNo, "key outside a section; line not read"});
            continue;
        }
        if (skipKeys)
            continue;
        std::wstring key = TrimBlanks(line.substr(0, eq));
        auto [earlier, first] = keys.emplace(Lower(key), lineNo);
        if (!first)
            problems.push_back({lineNo, "key " + Ascii(key) + " repeats line " +
                                            std::to_string(earlier->second) +
                                            "; the value of line " +
                                            std::to_string(earlier->second) + " is used"});
        if (TrimBlanks(line.substr(eq + 1)).size() >= kMaxValueChars)
            problems.push_back({lineNo, "value of " + Ascii(key) + " is longer than " +
                                            std::to_string(kMaxValueChars - 1) +
                                            " characters and is cut"});
    }
    return problems;
}

bool ReadIniText(const std::wstring& path, std::wstring& text) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    std::string bytes;
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart <= kMaxIniBytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() ||
             (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
              read == bytes.size());
    }
    ::CloseHandle(file);
    if (!ok)
        return false;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        return true;
    }
    int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                  nullptr, 0);
    text.assign(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                              text.data(), n);
    return true;
}

} // namespace krcfg
