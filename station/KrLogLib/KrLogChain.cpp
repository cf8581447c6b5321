#include "KrLogChain.h"

#include "KrStationConfig.h"

#include <aclapi.h>
#include <bcrypt.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <iterator>

namespace krlog {
namespace {

constexpr ULONG kSha256Bytes = 32;
constexpr DWORD kLockPollMs = 5;
// The byte the writers lock: past any size a log reaches, so that reading is never blocked.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr size_t kSealFieldCount = 4; // count, last MAC, note, seal MAC
constexpr char kEvolveDomain[] = "KrLogEvolve\n";
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

// Writes a file under a temporary name and moves it into place only when none is there yet (or
// over the old one when `replace`).
bool WriteKeyFile(const std::wstring& path, const std::string& bytes, bool replace,
                  std::string& problem) {
    std::wstring temp = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = "cannot create a log key (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    DWORD written = 0;
    bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                          nullptr) &&
              written == bytes.size() && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    ok = ok && ::MoveFileExW(temp.c_str(), path.c_str(),
                             MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0));
    if (!ok) {
        problem = "cannot store a log key (error " + std::to_string(::GetLastError()) + ")";
        ::DeleteFileW(temp.c_str());
    }
    return ok;
}

std::string SealingKeyBytes(const SealingKey& key) {
    std::string bytes(sizeof key.index, '\0');
    for (size_t i = 0; i < sizeof key.index; ++i)
        bytes[i] = static_cast<char>((key.index >> (8 * i)) & 0xFF);
    return bytes + key.key;
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
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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

namespace {
std::string WideToUtf8(const wchar_t* text, size_t n) {
    if (n == 0)
        return {};
    int un = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr,
                                   nullptr);
    std::string utf8(static_cast<size_t>(un > 0 ? un : 0), '\0');
    if (un > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), utf8.data(), un, nullptr,
                              nullptr);
    return utf8;
}
} // namespace

std::string FieldToUtf8(const char* field, size_t size) {
    size_t n = 0;
    while (n < size && field[n])
        ++n;
    // A field cut after the lead byte of a double-byte character: drop that half character.
    size_t whole = 0;
    for (size_t i = 0; i < n;) {
        size_t step = ::IsDBCSLeadByte(static_cast<BYTE>(field[i])) ? 2 : 1;
        if (i + step > n)
            break;
        i += step;
        whole = i;
    }
    n = whole;
    if (n == 0)
        return {};
    int wn = ::MultiByteToWideChar(CP_ACP, 0, field, static_cast<int>(n), nullptr, 0);
    if (wn <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(wn), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, field, static_cast<int>(n), wide.data(), wn);
    return WideToUtf8(wide.data(), wide.size());
}

std::string FieldToUtf8(const wchar_t* field, size_t size) {
    size_t n = 0;
    while (n < size && field[n])
        ++n;
    if (n == size && n > 0 && IS_HIGH_SURROGATE(field[n - 1]))
        --n; // the field ends between the halves of a pair
    return WideToUtf8(field, n);
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

namespace {
std::string TimeText(const SYSTEMTIME& t) {
    char time[64];
    std::snprintf(time, sizeof time, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return time;
}

// time, kind, category, source, user, text: tab-separated, each field escaped.
template <typename Record> std::string Content(const Record& record, const SYSTEMTIME& t) {
    std::string line = TimeText(t);
    line += '\t';
    line += std::to_string(record.nKind);
    line += '\t';
    line += Escape(FieldToUtf8(record.szCategory, std::size(record.szCategory)));
    line += '\t';
    line += Escape(FieldToUtf8(record.szSource, std::size(record.szSource)));
    line += '\t';
    line += Escape(FieldToUtf8(record.szUser, std::size(record.szUser)));
    line += '\t';
    line += Escape(FieldToUtf8(record.szText, std::size(record.szText)));
    return line;
}

std::string TornText(const std::string& fragment) {
    return std::string(kTornText) + std::to_string(fragment.size()) + " bytes, SHA-256 " +
           Sha256Hex(fragment);
}
} // namespace

std::string RecordContent(const tagFPLogRecord& record, const SYSTEMTIME& t) {
    return Content(record, t);
}

std::string RecordContent(const tagFPLogRecordW& record, const SYSTEMTIME& t) {
    return Content(record, t);
}

std::string MissingContent(const SYSTEMTIME& t) {
    return TimeText(t) + "\t" + kTornKind + "\t\t" + kTornSource + "\t\t" + kMissingText;
}

std::string TornContent(const std::string& fragment, const SYSTEMTIME& t) {
    return TimeText(t) + "\t" + kTornKind + "\t\t" + kTornSource + "\t\t" + TornText(fragment);
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

std::string EvolveKey(const std::string& key) {
    std::string next = Sha256Hex(kEvolveDomain + key);
    std::string bytes(kKeyBytes, '\0');
    for (size_t i = 0; i < kKeyBytes && 2 * i + 1 < next.size(); ++i)
        bytes[i] = static_cast<char>(std::strtol(next.substr(2 * i, 2).c_str(), nullptr, 16));
    return bytes;
}

const std::string& CKeyLadder::Key(unsigned long long index) {
    while (m_keys.size() <= index)
        m_keys.push_back(EvolveKey(m_keys.back()));
    return m_keys[static_cast<size_t>(index)];
}

std::wstring KeyPath(const std::wstring& logPath) {
    return logPath + kKeySuffix;
}

std::wstring VerifyKeyPath(const std::wstring& logPath) {
    std::wstring folder;
    if (!krcfg::GetEnv(kEnvVerifyKeys, folder) || folder.empty())
        folder = krcfg::ReadIni(L"Log", kIniVerifyKeys, L"");
    if (folder.empty())
        return logPath + kVerifyKeySuffix;
    size_t slash = logPath.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? logPath : logPath.substr(slash + 1);
    if (folder.back() != L'\\' && folder.back() != L'/')
        folder += L'\\';
    return krcfg::ResolvePath(folder) + name + kVerifyKeySuffix;
}

bool LoadKey(const std::wstring& path, std::string& key, std::string& problem) {
    switch (ReadFileBytes(path, key)) {
    case FileState::Missing:
        problem = "the verification key is missing";
        return false;
    case FileState::Unreadable:
        problem = "the verification key cannot be read (error " +
                  std::to_string(::GetLastError()) + ")";
        return false;
    case FileState::Read:
        break;
    }
    if (key.size() != kKeyBytes) {
        problem = "the verification key is damaged";
        key.clear();
        return false;
    }
    return true;
}

bool LoadSealingKey(const std::wstring& path, SealingKey& key, std::string& problem) {
    std::string bytes;
    switch (ReadFileBytes(path, bytes)) {
    case FileState::Missing:
        problem = "the sealing key is missing";
        return false;
    case FileState::Unreadable:
        problem =
            "the sealing key cannot be read (error " + std::to_string(::GetLastError()) + ")";
        return false;
    case FileState::Read:
        break;
    }
    if (bytes.size() != sizeof key.index + kKeyBytes) {
        problem = "the sealing key is damaged";
        return false;
    }
    key.index = 0;
    for (size_t i = 0; i < sizeof key.index; ++i)
        key.index |= static_cast<unsigned long long>(static_cast<unsigned char>(bytes[i]))
                     << (8 * i);
    key.key = bytes.substr(sizeof key.index);
    ::SecureZeroMemory(bytes.data(), bytes.size());
    return true;
}

bool SaveSealingKey(const std::wstring& path, const SealingKey& key) {
    std::string problem, bytes = SealingKeyBytes(key);
    bool ok = WriteKeyFile(path, bytes, true, problem);
    ::SecureZeroMemory(bytes.data(), bytes.size());
    return ok;
}

bool CreateKeys(const std::wstring& path, const std::wstring& verifyPath, bool replace,
                SealingKey& key, std::string& problem) {
    unsigned char bytes[kKeyBytes];
    if (!BCRYPT_SUCCESS(
            ::BCryptGenRandom(nullptr, bytes, kKeyBytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        problem = "no random bytes for the log keys";
        return false;
    }
    std::string start(reinterpret_cast<const char*>(bytes), kKeyBytes);
    ::SecureZeroMemory(bytes, sizeof bytes);
    // The verification key first: a sealing key never exists without it.
    SealingKey first{1, EvolveKey(start)};
    bool ok = WriteKeyFile(verifyPath, start, replace, problem) &&
              WriteKeyFile(path, SealingKeyBytes(first), true, problem);
    ::SecureZeroMemory(start.data(), start.size());
    ::SecureZeroMemory(first.key.data(), first.key.size());
    return ok && LoadSealingKey(path, key, problem);
}

std::wstring SealPath(const std::wstring& logPath) {
    return logPath + kSealSuffix;
}

std::string FormatSeal(const std::string& key, const Seal& seal) {
    std::string body = std::to_string(seal.count) + "\t" + seal.lastMac + "\t" + Escape(seal.note);
    return body + "\t" + HmacSha256Hex(key, kSealDomain + body) + "\n";
}

bool SealCount(const std::string& text, size_t& count) {
    std::vector<std::string> fields = SplitFields(text.substr(0, text.find('\n')));
    if (fields.size() != kSealFieldCount || !IsNumber(fields[0]))
        return false;
    count = static_cast<size_t>(std::strtoull(fields[0].c_str(), nullptr, 10));
    return true;
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
    SealingKey key;
    std::string problem;
    files.keyIndex = LoadSealingKey(KeyPath(logPath), key, problem) ? key.index : 0;
    ::SecureZeroMemory(key.key.data(), key.key.size());
    return log != FileState::Unreadable && seal != FileState::Unreadable;
}

namespace {

constexpr char kProblemFields[] = "wrong number of fields";
constexpr char kProblemMac[] = "malformed MAC";
constexpr char kProblemChain[] = "MAC does not match (line changed, removed or inserted, or the "
                                 "chain was computed without the log's key)";
constexpr char kProblemTornMark[] = "a torn-line mark that does not close the line before it";
// How many lines removed or inserted in one place the check finds its way back after.
constexpr long long kMaxShift = 16;
constexpr char kProblemMissing[] = "lines removed: a writer found the log without lines its key "
                                   "had passed";

// One complete line as the chain sees it.
struct ChainLine {
    std::string mac;     // its MAC field; empty when it has none
    bool good = false;   // its MAC chains
    bool record = false; // a record (not a torn-line mark, not a torn line)
};

// The chain of every line. A broken line does not end the walk: the next line is checked
// against the last MAC that held and against the broken line's own MAC field, so that a single
// changed line breaks only itself and every further change is found too.
VerifyResult VerifyChain(CKeyLadder& keys, const std::string& contents,
                         std::vector<ChainLine>& chain) {
    VerifyResult result;
    chain.assign(1, ChainLine{kGenesisMac, true, false}); // chain[n] = line n
    std::string lastGood = kGenesisMac;
    std::vector<std::string> texts(1);
    long long shift = 0; // line n is under key n + shift: lines removed (> 0) or inserted (< 0)
    // Whether the content chains to `previous` under the key of line + shift.
    auto chains = [&](const std::string& content, const std::string& mac, size_t lineNo,
                      long long by, const std::string& previous) {
        long long index = static_cast<long long>(lineNo) + by;
        return index > 0 && ChainMac(keys.Key(static_cast<unsigned long long>(index)), previous,
                                     content) == mac;
    };
    auto breakLine = [&](size_t lineNo, const char* problem) {
        if (!result.broken.empty() && result.broken.back().last + 1 == lineNo)
            result.broken.back().last = lineNo;
        else
            result.broken.push_back(BrokenRange{lineNo, lineNo, problem});
    };
    size_t pos = 0;
    while (pos < contents.size()) {
        size_t end = contents.find('\n', pos);
        if (end == std::string::npos) {
            result.tornAtEnd = true; // a writer stopped inside it; the next one closes it
            break;
        }
        std::string line = contents.substr(pos, end - pos);
        pos = end + 1;
        const size_t lineNo = chain.size();
        texts.push_back(line);
        ChainLine entry;
        std::vector<std::string> fields = SplitFields(line);
        std::string content;
        if (!SplitMac(line, content, entry.mac))
            entry.mac.clear();
        const ChainLine& before = chain.back();
        // After a broken line the chain is found again through the broken line's own MAC field,
        // or past lines removed or inserted there.
        bool linked = false;
        if (!entry.mac.empty()) {
            linked = chains(content, entry.mac, lineNo, shift, lastGood) ||
                     (!before.good && !before.mac.empty() &&
                      chains(content, entry.mac, lineNo, shift, before.mac));
            for (long long by = shift - kMaxShift; !linked && !before.good && by <= shift + kMaxShift;
                 ++by)
                if (by != shift && (chains(content, entry.mac, lineNo, by, lastGood) ||
                                    (!before.mac.empty() &&
                                     chains(content, entry.mac, lineNo, by, before.mac)))) {
                    linked = true;
                    shift = by;
                }
        }
        if (fields.size() != kFieldCount) {
            breakLine(lineNo, kProblemFields);
        } else if (fields[1] == kTornKind && fields[5] == kMissingText) {
            breakLine(lineNo, kProblemMissing);
        } else if (entry.mac.empty()) {
            breakLine(lineNo, kProblemMac);
        } else if (!linked) {
            breakLine(lineNo, kProblemChain);
        } else if (fields[1] == kTornKind) {
            // Closes the torn line before it: that line is no break but a lost record.
            bool closes = !before.good && !result.broken.empty() &&
                          result.broken.back().last == lineNo - 1 &&
                          fields[5] == TornText(texts[lineNo - 1]);
            if (closes) {
                BrokenRange& range = result.broken.back();
                if (range.first == range.last)
                    result.broken.pop_back();
                else
                    --range.last;
                result.tornClosed.push_back(lineNo - 1);
                entry.good = true;
            } else {
                breakLine(lineNo, kProblemTornMark);
            }
        } else {
            entry.good = true;
            entry.record = true;
        }
        if (entry.good) {
            lastGood = entry.mac;
            result.records += entry.record ? 1 : 0;
        }
        chain.push_back(entry);
    }
    result.lines = chain.size() - 1;
    result.lastMac = lastGood;
    if (!result.broken.empty()) {
        result.intact = false;
        result.brokenLine = result.broken.front().first;
        result.problem = result.broken.front().problem;
    }
    return result;
}

} // namespace

VerifyResult Verify(const std::string& verifyKey, const LogFiles& files) {
    std::vector<ChainLine> chain;
    CKeyLadder keys(verifyKey);
    VerifyResult result = VerifyChain(keys, files.contents, chain);
    if (!result.intact) {
        // The chain speaks for itself; what a writer found stays worth saying.
        Seal seal;
        size_t claimed = 0;
        if (SealCount(files.seal, claimed) && ParseSeal(keys.Key(claimed + 1), files.seal, seal))
            result.sealNote = seal.note;
        return result;
    }
    auto tampered = [&](const std::string& problem) {
        result.intact = false;
        result.problem = problem;
        return result;
    };
    if (!files.sealExists)
        return tampered("the seal is missing: removed records cannot be ruled out");
    Seal seal;
    size_t claimed = 0;
    if (!SealCount(files.seal, claimed) || !ParseSeal(keys.Key(claimed + 1), files.seal, seal))
        return tampered("the seal is damaged or was not made with the log's key");
    const std::string sealed = std::to_string(seal.count);
    if (!files.logExists && seal.count > 0)
        return tampered("the log file was removed (the seal holds " + sealed + " records)");
    if (result.lines == 0 && seal.count > 0)
        return tampered("the log was emptied (the seal holds " + sealed + " records)");
    if (result.lines < seal.count)
        return tampered("the last " + std::to_string(seal.count - result.lines) +
                        " record(s) were removed (the seal holds " + sealed + ", the log " +
                        std::to_string(result.lines) + ")");
    if (chain[seal.count].mac != seal.lastMac)
        return tampered("line " + sealed + " is not the sealed one (records replaced)");
    // The sealing key is never ahead of the log by more than the line a writer is on.
    if (files.keyIndex > result.lines + 1 + (result.tornAtEnd ? 1 : 0))
        return tampered("the log's key has passed line " + std::to_string(files.keyIndex - 1) +
                        ", the log ends at line " + std::to_string(result.lines) +
                        " (lines removed, or the log and its seal put back)");
    for (size_t n = seal.count + 1; n < chain.size(); ++n)
        result.unsealed += chain[n].record ? 1 : 0;
    // One writer at a time appends one record and then seals it: a writer that stopped in between
    // leaves one record after the seal, never more.
    if (result.unsealed > 1)
        return tampered(std::to_string(result.unsealed) +
                        " records follow the sealed end (the seal was replaced by an older one)");
    if (!seal.note.empty())
        return tampered("a writer found the log inconsistent with its seal " + seal.note);
    return result;
}

std::vector<std::wstring> SpoolFiles(const std::wstring& logPath) {
    std::vector<std::wstring> files;
    std::wstring pattern = LongLogPath(logPath) + kSpoolInfix + L"*";
    size_t slash = pattern.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? L"" : pattern.substr(0, slash + 1);
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW(pattern.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(folder + found.cFileName);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return files;
}

size_t CountSpooled(const std::wstring& logPath) {
    size_t count = 0;
    for (const std::wstring& file : SpoolFiles(logPath)) {
        std::string text;
        if (ReadFileBytes(file, text) == FileState::Read)
            count += static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    return count;
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
    // Seal, lock and spools are named after the long form: every spelling finds the same ones.
    return LongLogPath(krcfg::ResolvePath(path));
}

std::wstring LongLogPath(const std::wstring& logPath) {
    wchar_t full[MAX_PATH * 2];
    DWORD n = ::GetLongPathNameW(logPath.c_str(), full, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : logPath;
}

std::wstring CLogLock::LockPath(const std::wstring& logPath) {
    return LongLogPath(logPath) + kLockSuffix;
}

namespace {

// This process's account (the station account the writers run under).
std::string AccountSid() {
    std::string sid;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return sid;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size ? size : 1);
    if (size && ::GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
        PSID raw = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
        sid.assign(static_cast<const char*>(raw), ::GetLengthSid(raw));
    }
    ::CloseHandle(token);
    return sid;
}

// Owner: this account; access: this account and the system only.
PSECURITY_DESCRIPTOR AccountOnlyDescriptor() {
    std::string sid = AccountSid();
    if (sid.empty())
        return nullptr;
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(const_cast<char*>(sid.data()), &text))
        return nullptr;
    std::wstring sddl = std::wstring(L"O:") + text + L"D:P(A;;FA;;;" + text + L")(A;;FA;;;SY)";
    ::LocalFree(text);
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                               &sd, nullptr))
        return nullptr;
    return sd;
}

bool OwnedByThisAccount(HANDLE file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return false;
    std::string sid = AccountSid();
    bool same = owner && !sid.empty() && ::EqualSid(owner, const_cast<char*>(sid.data()));
    ::LocalFree(sd);
    return same;
}

} // namespace

CLogLock::CLogLock(const std::wstring& logPath, DWORD timeoutMs, bool create) {
    std::wstring path = LockPath(logPath);
    PSECURITY_DESCRIPTOR sd = AccountOnlyDescriptor();
    SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
    m_file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, sd ? &sa : nullptr,
                           create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = ::GetLastError();
    if (sd)
        ::LocalFree(sd);
    if (m_file == INVALID_HANDLE_VALUE) {
        m_problem = "cannot open the lock file (error " + std::to_string(error) + ")";
        return;
    }
    if (!OwnedByThisAccount(m_file)) {
        m_problem = "the lock file belongs to another account";
        return;
    }
    const DWORD start = ::GetTickCount();
    for (;;) {
        OVERLAPPED at{};
        at.OffsetHigh = kLockOffsetHigh;
        if (::LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                         &at)) {
            m_owned = true;
            return;
        }
        error = ::GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
            m_problem = "cannot lock the log (error " + std::to_string(error) + ")";
            return;
        }
        if (::GetTickCount() - start >= timeoutMs) {
            m_problem = "the log is locked by another writer";
            return;
        }
        ::Sleep(kLockPollMs);
    }
}

CLogLock::~CLogLock() {
    if (m_owned) {
        OVERLAPPED at{};
        at.OffsetHigh = kLockOffsetHigh;
        ::UnlockFileEx(m_file, 0, 1, 0, &at);
    }
    if (m_file != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_file);
}

} // namespace krlog
