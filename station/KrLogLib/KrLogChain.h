// Lines of the operation log, their keyed chain and the seal beside the log: shared by
// KrLogLib.dll, krlogread.exe and the tests.
#pragma once

#include "KrLogRecord.h"

#include <windows.h>

#include <string>
#include <vector>

namespace krlog {

constexpr size_t kMacHexChars = 64;
constexpr size_t kKeyBytes = 32;
constexpr size_t kFieldCount = 7; // time, kind, category, source, user, text, MAC
constexpr char kGenesisMac[] = "0000000000000000000000000000000000000000000000000000000000000000";
constexpr wchar_t kDefaultLogFolder[] = L"KrLog";
constexpr wchar_t kDefaultLogFile[] = L"operation.log";
constexpr wchar_t kSealSuffix[] = L".seal";
constexpr wchar_t kSealTempSuffix[] = L".seal.tmp";
constexpr wchar_t kKeyFileName[] = L"KrLog.key";
constexpr DWORD kLockTimeoutMs = 10000;

// Lower-case hex SHA-256 and HMAC-SHA256 (Windows CNG); empty when the provider fails.
std::string Sha256Hex(const std::string& data);
std::string HmacSha256Hex(const std::string& key, const std::string& data);
// UTF-8 of a field of the record (ANSI code page, at most `size` bytes, NUL optional).
std::string FieldToUtf8(const char* field, size_t size);
// Escapes backslash and control characters so that a field holds no tab and no line break.
std::string Escape(const std::string& utf8);
std::string Unescape(const std::string& escaped);
// The line of a record, without MAC and line feed.
std::string RecordContent(const tagFPLogRecord& record, const SYSTEMTIME& time);
// The MAC that follows `content` on its line: HMAC of the previous line's MAC, a line feed and
// the content, under the station key.
std::string ChainMac(const std::string& key, const std::string& previousMac,
                     const std::string& content);
// Splits a line (without line feed) at its tabs.
std::vector<std::string> SplitFields(const std::string& line);
// The MAC field at the end of a line and the content before it; false when the line has none.
bool SplitMac(const std::string& line, std::string& content, std::string& mac);

// The station key: KrLog.key in the folder of the station configuration in force (KrStation.ini
// next to the DLLs, or the folder of KR_STATION_INI).
std::wstring KeyPath();
// Reads the key; false with a reason when it is missing or not kKeyBytes long.
bool LoadKey(const std::wstring& path, std::string& key, std::string& problem);
// Reads the key, creating it once from random bytes when it does not exist yet; processes that
// race to create it end up with the same key.
bool LoadOrCreateKey(const std::wstring& path, std::string& key, std::string& problem);

// The seal beside the log: how many records the log holds and the MAC of the last one, and the
// first inconsistency a writer found between the log and the seal (empty when none).
struct Seal {
    size_t count = 0;
    std::string lastMac = kGenesisMac;
    std::string note;
};
std::wstring SealPath(const std::wstring& logPath);
// The seal file's single line, ending in a MAC over the seal under the station key.
std::string FormatSeal(const std::string& key, const Seal& seal);
// False when the text is not a seal made with this key.
bool ParseSeal(const std::string& key, const std::string& text, Seal& seal);

enum class FileState { Missing, Read, Unreadable };
// The whole contents of a file (at most 4 GB).
FileState ReadFileBytes(const std::wstring& path, std::string& out);

// A log and its seal as found on disk.
struct LogFiles {
    bool logExists = false;
    bool sealExists = false;
    std::string contents;
    std::string seal;
};
// False when a file that exists cannot be read.
bool ReadLogFiles(const std::wstring& logPath, LogFiles& files);

struct VerifyResult {
    bool intact = true;
    size_t records = 0;    // records whose MAC chain holds (before the first broken line)
    size_t brokenLine = 0; // 1-based line of a broken chain; 0 when the chain holds
    size_t unsealed = 0;   // records after the sealed end (1 after a writer stopped before sealing)
    std::string problem;
    std::string lastMac = kGenesisMac;
};
// Checks every line (field count, MAC format, chain under the key), then the log against its seal:
// removed last records, an emptied or removed log, a missing, foreign or older seal, and an
// inconsistency a writer recorded in the seal.
VerifyResult Verify(const std::string& key, const LogFiles& files);

// The log file in force (see KrLogLib.h) and whether it is the built-in default.
std::wstring LogPath(bool* isDefault = nullptr);

// The machine-wide mutex that orders every writer (and the reader) of one log file.
class CLogLock {
public:
    CLogLock(const std::wstring& logPath, DWORD timeoutMs);
    ~CLogLock();
    CLogLock(const CLogLock&) = delete;
    CLogLock& operator=(const CLogLock&) = delete;
    bool Owned() const { return m_owned; }

private:
    HANDLE m_mutex = nullptr;
    bool m_owned = false;
};

} // namespace krlog
