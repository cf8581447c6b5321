#include "KrStationConfig.h"

#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace krcfg {
namespace {
constexpr DWORD kMaxValueChars = 1024;
constexpr wchar_t kAbsentMarker[] = L"\x01<absent>\x01";
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

bool HasIniKey(const wchar_t* section, const wchar_t* key) {
    return ReadIni(section, key, kAbsentMarker) != kAbsentMarker;
}

std::wstring ResolvePath(const std::wstring& path) {
    bool absolute = !path.empty() &&
                    (path[0] == L'\\' || path[0] == L'/' || (path.size() >= 2 && path[1] == L':'));
    if (absolute || path.empty())
        return path;
    return ModuleFolder(SelfModule()) + path;
}

} // namespace krcfg
