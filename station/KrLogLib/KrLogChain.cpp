#include "KrLogChain.h"

#include "KrStationConfig.h"

#include <bcrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace krlog {
namespace {

constexpr ULONG kSha256Bytes = 32;

std::string ToHex(const unsigned char* bytes, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string hex(n * 2, '0');
    for (size_t i = 0; i < n; ++i) {
        hex[2 * i] = digits[bytes[i] >> 4];
        hex[2 * i + 1] = digits[bytes[i] & 0xF];
    }
    return hex;
}

bool IsHex(const std::string& s) {
    if (s.size() != kHashHexChars)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

std::string Sha256Hex(const std::string& data) {
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return {};
    std::string result;
    BCRYPT_HASH_HANDLE hash = nullptr;
    unsigned char digest[kSha256Bytes];
    if (BCRYPT_SUCCESS(::BCryptCreateHash(alg, &hash, nullptr, 0, nullptr, 0, 0))) {
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

std::string ChainHash(const std::string& previousHash, const std::string& content) {
    return Sha256Hex(previousHash + "\n" + content);
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

VerifyResult Verify(const std::string& contents) {
    VerifyResult result;
    size_t pos = 0;
    size_t lineNo = 0;
    while (pos < contents.size()) {
        ++lineNo;
        size_t end = contents.find('\n', pos);
        if (end == std::string::npos) {
            result.brokenLine = lineNo;
            result.problem = "incomplete last line (torn write)";
            return result;
        }
        std::string line = contents.substr(pos, end - pos);
        pos = end + 1;
        std::vector<std::string> fields = SplitFields(line);
        if (fields.size() != kFieldCount) {
            result.brokenLine = lineNo;
            result.problem = "wrong number of fields";
            return result;
        }
        const std::string& hash = fields.back();
        if (!IsHex(hash)) {
            result.brokenLine = lineNo;
            result.problem = "malformed hash";
            return result;
        }
        std::string content = line.substr(0, line.size() - kHashHexChars - 1);
        if (ChainHash(result.lastHash, content) != hash) {
            result.brokenLine = lineNo;
            result.problem = "hash does not match (line changed, removed or inserted)";
            return result;
        }
        result.lastHash = hash;
        ++result.records;
    }
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

} // namespace krlog
