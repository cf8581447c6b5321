#include "KrStringDB.h"

#include "KrStationConfig.h"
#include "KrToolkit.h"
#include "KrTrace.h"

#include <windows.h>

#include <mutex>
#include <vector>

namespace krdb {
namespace {

constexpr size_t kMaxLanguageChars = 32;
constexpr DWORD kMaxFileBytes = 16 * 1024 * 1024;

std::mutex g_lock;
std::map<std::wstring, Table> g_tables; // by language
std::wstring g_languageOverride;

std::wstring FromUtf8(const std::string& text) {
    if (text.empty())
        return {};
    // Invalid UTF-8 gives an empty text rather than replacement characters.
    const int size = static_cast<int>(text.size());
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, out.data(), n);
    return out;
}

std::string ToCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty())
        return {};
    int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              n, nullptr, nullptr);
    return out;
}

bool ValidLanguage(const std::wstring& lang) {
    if (lang.empty() || lang.size() > kMaxLanguageChars)
        return false;
    for (wchar_t c : lang) {
        bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                  (c >= L'0' && c <= L'9') || c == L'-' || c == L'_';
        if (!ok)
            return false;
    }
    return true;
}

// KrStation.ini is checked once per file: its problems go to the station's problem report.
// Caller holds g_lock.
void CheckStationIniLocked() {
    static std::vector<std::wstring> checked;
    const std::wstring ini = krcfg::IniPath();
    for (const std::wstring& done : checked)
        if (done == ini)
            return;
    checked.push_back(ini);
    std::wstring text;
    if (!krcfg::ReadIniText(ini, text))
        return; // no file: every setting takes its default
    const std::string file = ToCodePage(ini, CP_ACP);
    for (const krcfg::IniProblem& p : krcfg::CheckIniText(text))
        KrReportProblem((file + " line " + std::to_string(p.line) + ": " + p.message).c_str());
}

// Caller holds g_lock.
std::wstring LanguageLocked() {
    CheckStationIniLocked();
    std::wstring lang = g_languageOverride;
    if (lang.empty())
        krcfg::GetEnv(krcfg::kEnvLanguage, lang);
    if (lang.empty())
        lang = krcfg::ReadIni(L"Language", L"Language", kDefaultLanguage);
    if (!ValidLanguage(lang)) {
        krtrace::Trace("[KrToolkit] invalid language \"%s\", using %s\n",
                       ToCodePage(lang, CP_ACP).c_str(),
                       ToCodePage(kDefaultLanguage, CP_ACP).c_str());
        lang = kDefaultLanguage;
    }
    return lang;
}

bool ReadFileBytes(const std::wstring& path, std::string& out) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart <= kMaxFileBytes;
    if (ok) {
        out.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = out.empty() ||
             (::ReadFile(file, out.data(), static_cast<DWORD>(out.size()), &read, nullptr) &&
              read == out.size());
    }
    ::CloseHandle(file);
    return ok;
}

// Caller holds g_lock.
const Table& TableLocked(const std::wstring& lang) {
    auto it = g_tables.find(lang);
    if (it != g_tables.end())
        return it->second;
    std::wstring path = krcfg::ModuleFolder(krcfg::SelfModule()) + kFilePrefix + lang + kFileSuffix;
    std::string bytes;
    Table table;
    if (!ReadFileBytes(path, bytes)) {
        krtrace::Trace("[KrToolkit] string database %s cannot be read\n",
                       ToCodePage(path, CP_ACP).c_str());
    } else {
        std::vector<Problem> problems;
        table = Parse(bytes, &problems);
        const std::string file = ToCodePage(path, CP_ACP);
        for (const Problem& p : problems)
            KrReportProblem((file + " line " + std::to_string(p.line) + ": " + p.message).c_str());
    }
    return g_tables.emplace(lang, std::move(table)).first->second;
}

std::string Unescape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

Table Parse(const std::string& utf8, std::vector<Problem>* problems) {
    Table table;
    std::map<std::string, int> lineOfKey;
    auto problem = [&](int line, const std::string& message) {
        if (problems)
            problems->push_back(Problem{line, message});
    };
    int lineNo = 0;
    size_t pos = 0;
    if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0)
        pos = 3;
    while (pos < utf8.size()) {
        ++lineNo;
        size_t end = utf8.find('\n', pos);
        if (end == std::string::npos)
            end = utf8.size();
        std::string line = utf8.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        size_t tab = line.find('\t');
        if (tab == 0 || tab == std::string::npos) {
            problem(lineNo, "expected KEY<TAB>text; line skipped");
            continue;
        }
        std::string key = line.substr(0, tab);
        std::wstring text = FromUtf8(Unescape(line.substr(tab + 1)));
        if (text.empty() && tab + 1 < line.size()) { // invalid UTF-8
            problem(lineNo, "text of " + key + " is not UTF-8; line skipped");
            continue;
        }
        if (text.size() > kMaxTextChars) {
            problem(lineNo, "text of " + key + " has " + std::to_string(text.size()) +
                                " characters, more than " + std::to_string(kMaxTextChars) +
                                "; line skipped");
            continue;
        }
        auto [earlier, first] = lineOfKey.emplace(key, lineNo);
        if (!first) {
            problem(lineNo, "key " + key + " repeats line " + std::to_string(earlier->second) +
                                "; the text of line " + std::to_string(lineNo) + " is used");
            earlier->second = lineNo;
        }
        table[key] = text;
    }
    return table;
}

} // namespace krdb

using namespace krdb;

CKrString CKrStringDBWrapper::GetString(const char* key) {
    CKrString result;
    if (!key) {
        krtrace::Trace("[KrToolkit] GetString with a null key\n");
        return result;
    }
    std::lock_guard<std::mutex> guard(g_lock);
    const Table& table = TableLocked(LanguageLocked());
    auto it = table.find(key);
    if (it == table.end()) {
        krtrace::Trace("[KrToolkit] unknown string key %s\n", key);
        return result;
    }
    result = ToCodePage(it->second, CP_ACP).c_str();
    return result;
}

CKrString CKrStringDBWrapper::GetLanguage() {
    std::lock_guard<std::mutex> guard(g_lock);
    return CKrString(ToCodePage(LanguageLocked(), CP_ACP).c_str());
}

void CKrStringDBWrapper::SetLanguage(const char* language) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_languageOverride.clear();
    if (language && *language) {
        std::wstring lang = FromUtf8(language); // a language name is ASCII
        if (ValidLanguage(lang))
            g_languageOverride = lang;
        else
            krtrace::Trace("[KrToolkit] SetLanguage: invalid language \"%s\"\n", language);
    }
}

bool CKrStringDBWrapper::HasKey(const char* key) {
    if (!key)
        return false;
    std::lock_guard<std::mutex> guard(g_lock);
    const Table& table = TableLocked(LanguageLocked());
    return table.find(key) != table.end();
}
