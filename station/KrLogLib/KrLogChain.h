// Lines of the operation log and their hash chain: shared by KrLogLib.dll, krlogread.exe and
// the tests.
#pragma once

#include "KrLogRecord.h"

#include <windows.h>

#include <string>
#include <vector>

namespace krlog {

constexpr size_t kHashHexChars = 64;
constexpr size_t kFieldCount = 7; // time, kind, category, source, user, text, hash
constexpr char kGenesisHash[] = "0000000000000000000000000000000000000000000000000000000000000000";
constexpr wchar_t kDefaultLogFolder[] = L"KrLog";
constexpr wchar_t kDefaultLogFile[] = L"operation.log";

// Lower-case hex SHA-256 (Windows CNG); empty when the provider fails.
std::string Sha256Hex(const std::string& data);
// UTF-8 of a field of the record (ANSI code page, at most `size` bytes, NUL optional).
std::string FieldToUtf8(const char* field, size_t size);
// Escapes backslash and control characters so that a field holds no tab and no line break.
std::string Escape(const std::string& utf8);
std::string Unescape(const std::string& escaped);
// The line of a record, without hash and line feed.
std::string RecordContent(const tagFPLogRecord& record, const SYSTEMTIME& time);
// The hash that follows `content` on its line.
std::string ChainHash(const std::string& previousHash, const std::string& content);
// Splits a line (without line feed) at its tabs.
std::vector<std::string> SplitFields(const std::string& line);

struct VerifyResult {
    size_t records = 0;    // intact lines before the first broken one
    size_t brokenLine = 0; // 1-based number of the first broken line; 0 when all are intact
    std::string problem;
    std::string lastHash = kGenesisHash;
};
// Checks every line of a log's contents: field count, hash format and chain.
VerifyResult Verify(const std::string& contents);

// The log file in force (see KrLogLib.h) and whether it is the built-in default.
std::wstring LogPath(bool* isDefault = nullptr);

} // namespace krlog
