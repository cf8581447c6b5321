#include "KrLogChain.h"

#include "KrStationConfig.h"

#include <bcrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace krlog {
namespace {

constexpr ULONG kSha256Bytes = 32;
constexpr wchar_t kMutexPrefix[] = L"Local\\KrLogLib.";
constexpr size_t kMutexHashChars = 32;
constexpr size_t kSealFieldCount = 4; // count, last MAC, note, seal MAC
// Keeps a seal's MAC apart from every record MAC made with the same key.
constexpr char kSealDomain[] = "KrLogSeal\n";

std::string ToHex(const unsigned char* bytes, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string hex(n * 2, '0');
    for (size_t i = 0; i < n; ++i) {
        hex[2 * i] = digits[bytes[i] >> 4];
        hex[2 * i + 1] = digits[bytes[i] & 0xF];
    }
    return hex;
}

bool IsMac(const std::string& s) {
    if (s.size() != kMacHexChars)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

bool IsNumber(const std::string& s) {
    if (s.empty() || s.size() > 18)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// SHA-256 of data, keyed (HMAC) when `key` is given.
std::string Digest(const std::string* key, const std::string& data) {
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                      key ? BCRYPT_ALG_HANDLE_HMAC_FLAG : 0)))
        return {};
    std::string result;
    BCRYPT_HASH_HANDLE hash = nullptr;
    unsigned char digest[kSha256Bytes];
    PUCHAR secret = key ? reinterpret_cast<PUCHAR>(const_cast<char*>(key->data())) : nullptr;
    ULONG secretSize = key ? static_cast<ULONG>(key->size()) : 0;
    if (BCRYPT_SUCCESS(::BCryptCreateHash(alg, &hash, nullptr, 0, secret, secretSize, 0))) {
        bool ok = BCRYPT_SUCCESS(::BCryptHashData(
                      hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                      static_cast<ULONG>(data.size()), 0)) &&
                  BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest, kSha256Bytes, 0));
        if (ok)
            result = ToHex(digest, kSha256Bytes);
        ::BCryptDestroyHash(hash);
    }
    ::BCryptCloseAlgorithmProvider(alg, 0);
    return result;
}

// One mutex per file: the name is derived from the file's full path, case-folded.
std::wstring LockName(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2];
    DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    std::wstring name = (n > 0 && n < MAX_PATH * 2) ? full : path;
    ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    std::string bytes(reinterpret_cast<const char*>(name.data()), name.size() * sizeof(wchar_t));
    std::string hash = Sha256Hex(bytes).substr(0, kMutexHashChars);
    return kMutexPrefix + std::wstring(hash.begin(), hash.end());
}

// Writes the key under a temporary name and moves it into place only when no key is there yet.
bool CreateKey(const std::wstring& path, std::string& problem) {
    unsigned char bytes[kKeyBytes];
    if (!BCRYPT_SUCCESS(
            ::BCryptGenRandom(nullptr, bytes, kKeyBytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        problem = "no random bytes for the station key";
        return false;
    }
    std::wstring temp = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = "cannot create the station key (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    DWORD written = 0;
    bool ok = ::WriteFile(file, bytes, kKeyBytes, &written, nullptr) && written == kKeyBytes &&
              ::FlushFileBuffers(file);
    ::CloseHandle(file);
    ::SecureZeroMemory(bytes, sizeof bytes);
    ok = ok && ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        problem = "cannot store the station key (error " + std::to_string(::GetLastError()) + ")";
        ::DeleteFileW(temp.c_str());
    }
    return ok;
}

} // namespace

std::string Sha256Hex(const std::string& data) {
    return Digest(nullptr, data);
}

std::string HmacSha256Hex(const std::string& key, const std::string& data) {
    return Digest(&key, data);
}

FileState ReadFileBytes(const std::wstring& path, std::string& out) {
    out.clear();
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? FileState::Missing
                   : FileState::Unreadable;
    }
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(file, &size) && size.HighPart == 0;
    if (ok && size.LowPart > 0) {
        out.resize(size.LowPart);
        DWORD read = 0;
        ok = ::ReadFile(file, out.data(), size.LowPart, &read, nullptr) && read == size.LowPart;
    }
    ::CloseHandle(file);
    return ok ? FileState::Read : FileState::Unreadable;
}

std::string FieldToUtf8(const char* field, size_t size) {
    size_t n = 0;
    while (n < size && field[n])
        ++n;
    if (n == 0)
        return {};
    int wn = ::MultiByteToWideChar(CP_ACP, 0, field, static_cast<int>(n), nullptr, 0);
    if (wn <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(wn), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, field, static_cast<int>(n), wide.data(), wn);
    int un = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wn, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(un > 0 ? un : 0), '\0');
    if (un > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wn, utf8.data(), un, nullptr, nullptr);
    return utf8;
}

std::string Escape(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", u);
                out += hex;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string Unescape(const std::string& escaped) {
    std::string out;
    for (size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\' || i + 1 >= escaped.size()) {
            out += escaped[i];
            continue;
        }
        char next = escaped[++i];
        if (next == 't')
            out += '\t';
        else if (next == 'n')
            out += '\n';
        else if (next == 'r')
            out += '\r';
        else if (next == 'x' && i + 2 < escaped.size()) {
            out += static_cast<char>(std::strtol(escaped.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else
            out += next;
    }
    return out;
}

std::string RecordContent(const tagFPLogRecord& record, const SYSTEMTIME& t) {
    char time[64];
    std::snprintf(time, sizeof time, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    std::string line = time;
    line += '\t';
    line += std::to_string(record.nKind);
    line += '\t';
    line += Escape(FieldToUtf8(record.szCategory, sizeof record.szCategory));
    line += '\t';
    line += Escape(FieldToUtf8(record.szSource, sizeof record.szSource));
    line += '\t';
    line += Escape(FieldToUtf8(record.szUser, sizeof record.szUser));
    line += '\t';
    line += Escape(FieldToUtf8(record.szText, sizeof record.szText));
    return line;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(
            line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    return fields;
}

std::string ChainMac(const std::string& key, const std::string& previousMac,
                     const std::string& content) {
    return HmacSha256Hex(key, previousMac + "\n" + content);
}

bool SplitMac(const std::string& line, std::string& content, std::string& mac) {
    if (line.size() <= kMacHexChars || line[line.size() - kMacHexChars - 1] != '\t')
        return false;
    mac = line.substr(line.size() - kMacHexChars);
    content = line.substr(0, line.size() - kMacHexChars - 1);
    return IsMac(mac);
}

std::wstring KeyPath() {
    std::wstring ini = krcfg::IniPath();
    size_t slash = ini.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? L"" : ini.substr(0, slash + 1);
    return krcfg::ResolvePath(folder + kKeyFileName);
}

bool LoadKey(const std::wstring& path, std::string& key, std::string& problem) {
    switch (ReadFileBytes(path, key)) {
    case FileState::Missing:
        problem = "the station key is missing";
        return false;
    case FileState::Unreadable:
        problem = "the station key cannot be read (error " + std::to_string(::GetLastError()) + ")";
        return false;
    case FileState::Read:
        break;
    }
    if (key.size() != kKeyBytes) {
        problem = "the station key is damaged";
        key.clear();
        return false;
    }
    return true;
}

bool LoadOrCreateKey(const std::wstring& path, std::string& key, std::string& problem) {
    if (LoadKey(path, key, problem))
        return true;
    // Creation is ordered by a mutex of the key file, so that racing processes share one key.
    CLogLock lock(path, kLockTimeoutMs);
    if (!lock.Owned()) {
        problem = "the station key is locked by another process";
        return false;
    }
    if (LoadKey(path, key, problem))
        return true;
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false; // there but damaged: never replaced, or every record so far would break
    return CreateKey(path, problem) && LoadKey(path, key, problem);
}

std::wstring SealPath(const std::wstring& logPath) {
    return logPath + kSealSuffix;
}

std::string FormatSeal(const std::string& key, const Seal& seal) {
    std::string body = std::to_string(seal.count) + "\t" + seal.lastMac + "\t" + Escape(seal.note);
    return body + "\t" + HmacSha256Hex(key, kSealDomain + body) + "\n";
}

bool ParseSeal(const std::string& key, const std::string& text, Seal& seal) {
    std::string line = text;
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    std::vector<std::string> fields = SplitFields(line);
    if (fields.size() != kSealFieldCount || !IsNumber(fields[0]) || !IsMac(fields[1]) ||
        !IsMac(fields[3]))
        return false;
    std::string body = line.substr(0, line.size() - kMacHexChars - 1);
    if (HmacSha256Hex(key, kSealDomain + body) != fields[3])
        return false;
    seal.count = static_cast<size_t>(std::strtoull(fields[0].c_str(), nullptr, 10));
    seal.lastMac = fields[1];
    seal.note = Unescape(fields[2]);
    return true;
}

bool ReadLogFiles(const std::wstring& logPath, LogFiles& files) {
    FileState log = ReadFileBytes(logPath, files.contents);
    FileState seal = ReadFileBytes(SealPath(logPath), files.seal);
    files.logExists = log == FileState::Read;
    files.sealExists = seal == FileState::Read;
    return log != FileState::Unreadable && seal != FileState::Unreadable;
}

namespace {

// The chain of every line; stops at the first broken one.
VerifyResult VerifyChain(const std::string& key, const std::string& contents,
                         std::vector<std::string>& macs) {
    VerifyResult result;
    macs.assign(1, kGenesisMac); // macs[n] = MAC of record n
    size_t pos = 0;
    size_t lineNo = 0;
    auto broken = [&](const char* problem) {
        result.intact = false;
        result.brokenLine = lineNo;
        result.problem = problem;
        return result;
    };
    while (pos < contents.size()) {
        ++lineNo;
        size_t end = contents.find('\n', pos);
        if (end == std::string::npos)
            return broken("incomplete last line (torn write)");
        std::string line = contents.substr(pos, end - pos);
        pos = end + 1;
        if (SplitFields(line).size() != kFieldCount)
            return broken("wrong number of fields");
        std::string content, mac;
        if (!SplitMac(line, content, mac))
            return broken("malformed MAC");
        if (ChainMac(key, result.lastMac, content) != mac)
            return broken("MAC does not match (line changed, removed or inserted, or the chain "
                          "was computed without the station key)");
        result.lastMac = mac;
        macs.push_back(mac);
        ++result.records;
    }
    return result;
}

} // namespace

VerifyResult Verify(const std::string& key, const LogFiles& files) {
    std::vector<std::string> macs;
    VerifyResult result = VerifyChain(key, files.contents, macs);
    if (!result.intact)
        return result;
    auto tampered = [&](const std::string& problem) {
        result.intact = false;
        result.problem = problem;
        return result;
    };
    if (!files.sealExists)
        return tampered("the seal is missing: removed records cannot be ruled out");
    Seal seal;
    if (!ParseSeal(key, files.seal, seal))
        return tampered("the seal is damaged or was not made with the station key");
    const std::string sealed = std::to_string(seal.count);
    if (!files.logExists && seal.count > 0)
        return tampered("the log file was removed (the seal holds " + sealed + " records)");
    if (result.records == 0 && seal.count > 0)
        return tampered("the log was emptied (the seal holds " + sealed + " records)");
    if (result.records < seal.count)
        return tampered("the last " + std::to_string(seal.count - result.records) +
                        " record(s) were removed (the seal holds " + sealed + ", the log " +
                        std::to_string(result.records) + ")");
    if (macs[seal.count] != seal.lastMac)
        return tampered("record " + sealed + " is not the sealed one (records replaced)");
    result.unsealed = result.records - seal.count;
    // One writer at a time appends one record and then seals it: a writer that stopped in between
    // leaves one record after the seal, never more.
    if (result.unsealed > 1)
        return tampered(std::to_string(result.unsealed) +
                        " records follow the sealed end (the seal was replaced by an older one)");
    if (!seal.note.empty())
        return tampered("a writer found the log inconsistent with its seal " + seal.note);
    return result;
}

std::wstring LogPath(bool* isDefault) {
    std::wstring path;
    if (!krcfg::GetEnv(krcfg::kEnvLogPath, path) || path.empty())
        path = krcfg::ReadIni(L"Log", L"Path", L"");
    bool fallback = path.empty();
    if (fallback)
        path = std::wstring(kDefaultLogFolder) + L"\\" + kDefaultLogFile;
    if (isDefault)
        *isDefault = fallback;
    return krcfg::ResolvePath(path);
}

CLogLock::CLogLock(const std::wstring& path, DWORD timeoutMs) {
    m_mutex = ::CreateMutexW(nullptr, FALSE, LockName(path).c_str());
    if (!m_mutex)
        return;
    DWORD wait = ::WaitForSingleObject(m_mutex, timeoutMs);
    // An abandoned mutex is owned now: its holder stopped before sealing or inside a line, which
    // the next writer and the reader both tolerate or report.
    m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

CLogLock::~CLogLock() {
    if (m_owned)
        ::ReleaseMutex(m_mutex);
    if (m_mutex)
        ::CloseHandle(m_mutex);
}

} // namespace krlog
