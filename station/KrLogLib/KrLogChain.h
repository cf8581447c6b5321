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
constexpr wchar_t kKeySuffix[] = L".key";
constexpr wchar_t kVerifyKeySuffix[] = L".verify";
// The folder of the verification keys (KR_LOG_VERIFY_KEYS, else [Log] VerifyKeys of the
// station configuration, else beside each log).
constexpr wchar_t kEnvVerifyKeys[] = L"KR_LOG_VERIFY_KEYS";
constexpr wchar_t kIniVerifyKeys[] = L"VerifyKeys";
constexpr wchar_t kLockSuffix[] = L".lock";
// Spool files of records that waited for the log: <log>.spool.<process id>.
constexpr wchar_t kSpoolInfix[] = L".spool.";
// The longest a writer waits for the log on the caller's (user-interface) thread; then the
// record goes to the spool.
constexpr DWORD kWriteLockWaitMs = 250;
// A line that closes a torn line (the fragment a writer left when it stopped inside a line):
// kind kTornKind, text kTornText followed by the fragment's size and SHA-256.
constexpr char kTornKind[] = "0";
constexpr char kTornSource[] = "KrLogLib";
constexpr char kTornText[] = "closed a torn line: ";
// A line a writer puts where the log lacks lines its key had passed (lines removed); its MAC is
// the genesis MAC, so it never verifies.
constexpr char kMissingText[] = "a line the log's key had passed is missing here";

// Lower-case hex SHA-256 and HMAC-SHA256 (Windows CNG); empty when the provider fails.
std::string Sha256Hex(const std::string& data);
std::string HmacSha256Hex(const std::string& key, const std::string& data);
// UTF-8 of a field of the record (ANSI code page, at most `size` bytes, NUL optional). A field
// that ends inside a double-byte character loses that half character, nothing else.
std::string FieldToUtf8(const char* field, size_t size);
// UTF-8 of a UTF-16 field (at most `size` units, NUL optional); a high surrogate that ends the
// field without its pair is dropped.
std::string FieldToUtf8(const wchar_t* field, size_t size);
// Escapes backslash and control characters so that a field holds no tab and no line break.
std::string Escape(const std::string& utf8);
std::string Unescape(const std::string& escaped);
// The line of a record, without MAC and line feed.
std::string RecordContent(const tagFPLogRecord& record, const SYSTEMTIME& time);
std::string RecordContent(const tagFPLogRecordW& record, const SYSTEMTIME& time);
// The line that closes a torn fragment (without MAC and line feed).
std::string TornContent(const std::string& fragment, const SYSTEMTIME& time);
// The line that stands for a missing line (without MAC and line feed).
std::string MissingContent(const SYSTEMTIME& time);
// The MAC that follows `content` on its line: HMAC of the previous line's MAC, a line feed and
// the content, under the key of its line.
std::string ChainMac(const std::string& key, const std::string& previousMac,
                     const std::string& content);
// Splits a line (without line feed) at its tabs.
std::vector<std::string> SplitFields(const std::string& line);
// The MAC field at the end of a line and the content before it; false when the line has none.
bool SplitMac(const std::string& line, std::string& content, std::string& mac);

// Forward-secure keys, one sequence per log. The log's verification key K(0) (32 random bytes,
// <log>.verify) starts it; K(n+1) = SHA-256("KrLogEvolve\n" K(n)). Line n of the log is chained
// under K(n), a seal of n lines is made under K(n+1). The writers keep only the key of the next
// line and its number (<log>.key, the sealing key) and move it on after each line, so the keys
// of the lines written are gone: whoever reads the sealing key can make the keys of later
// lines, never of an earlier one, and cannot change, remove or reorder a line written before,
// nor seal the log as it was before. Only the verification key gives every key back.
std::string EvolveKey(const std::string& key);
struct SealingKey {
    unsigned long long index = 0; // the line `key` is for
    std::string key;
};
// K(index) from the verification key; every key made is kept for the next question.
class CKeyLadder {
public:
    explicit CKeyLadder(const std::string& verifyKey) : m_keys(1, verifyKey) {}
    const std::string& Key(unsigned long long index);

private:
    std::vector<std::string> m_keys;
};

// The sealing key of a log (<log>.key) and its verification key (see kEnvVerifyKeys).
std::wstring KeyPath(const std::wstring& logPath);
std::wstring VerifyKeyPath(const std::wstring& logPath);
// Reads a verification key; false with a reason when it is missing or not kKeyBytes long.
bool LoadKey(const std::wstring& path, std::string& key, std::string& problem);
bool LoadSealingKey(const std::wstring& path, SealingKey& key, std::string& problem);
// Replaces the sealing key in one step (flushed).
bool SaveSealingKey(const std::wstring& path, const SealingKey& key);
// Makes the keys of a new log: the verification key first, then the sealing key of line 1.
// A verification key that is there is replaced only when `replace` (a log begun anew).
bool CreateKeys(const std::wstring& path, const std::wstring& verifyPath, bool replace,
                SealingKey& key, std::string& problem);

// The seal beside the log: how many lines the log holds and the MAC of the last one, and the
// first inconsistency a writer found between the log and the seal (empty when none).
struct Seal {
    size_t count = 0;
    std::string lastMac = kGenesisMac;
    std::string note;
};
std::wstring SealPath(const std::wstring& logPath);
// The seal file's single line, ending in a MAC over the seal under `key` (K(count + 1)).
std::string FormatSeal(const std::string& key, const Seal& seal);
// The count a seal claims, its MAC unchecked; false when the text is no seal.
bool SealCount(const std::string& text, size_t& count);
// False when the text is not a seal made with this key.
bool ParseSeal(const std::string& key, const std::string& text, Seal& seal);

enum class FileState { Missing, Read, Unreadable };
// The whole contents of a file (at most 4 GB).
FileState ReadFileBytes(const std::wstring& path, std::string& out);

// A log and its seal as found on disk.
struct LogFiles {
    bool logExists = false;
    bool sealExists = false;
    unsigned long long keyIndex = 0; // the line the sealing key is for; 0 when not read
    std::string contents;
    std::string seal;
};
// False when a file that exists cannot be read.
bool ReadLogFiles(const std::wstring& logPath, LogFiles& files);

// A run of lines whose chain does not hold (1-based, inclusive).
struct BrokenRange {
    size_t first = 0;
    size_t last = 0;
    std::string problem;
};

struct VerifyResult {
    bool intact = true;
    size_t lines = 0;      // complete lines
    size_t records = 0;    // records whose MAC chain holds
    size_t brokenLine = 0; // 1-based first line of the first broken range; 0 when none
    std::vector<BrokenRange> broken; // every broken range, in order
    std::vector<size_t> tornClosed;  // lines torn by a writer that stopped, closed by the next
    bool tornAtEnd = false;          // the log ends inside a line no writer has closed yet
    size_t unsealed = 0;   // records after the sealed end (1 after a writer stopped before sealing)
    std::string problem;   // the first problem found
    std::string sealNote;  // with a broken chain: what a writer found and kept in the seal
    std::string lastMac = kGenesisMac;
};
// Checks every line (field count, MAC format, chain under the key of its line) with the log's
// verification key, and goes on after a broken
// line, so that every broken range is found; then the log against its seal: removed last
// records, an emptied or removed log, a missing, foreign or older seal, and an inconsistency a
// writer recorded in the seal. A torn line closed by a later writer is no break: it is the lost
// record of a writer that stopped inside it.
VerifyResult Verify(const std::string& key, const LogFiles& files);

// The spool files of a log (full paths) and the records waiting in them.
std::vector<std::wstring> SpoolFiles(const std::wstring& logPath);
size_t CountSpooled(const std::wstring& logPath);

// The log file in force (see KrLogLib.h) and whether it is the built-in default.
std::wstring LogPath(bool* isDefault = nullptr);

// The lock of one log file, whatever the spelling of its path: an exclusive byte-range lock
// on <log>.lock beside it (long file name), a file only this account and the system may open,
// owned by this account (a lock file another account made is never used). The wait is polled
// up to `timeoutMs`. A reader (`create` false) never creates the lock file.
class CLogLock {
public:
    CLogLock(const std::wstring& logPath, DWORD timeoutMs, bool create = true);
    ~CLogLock();
    CLogLock(const CLogLock&) = delete;
    CLogLock& operator=(const CLogLock&) = delete;
    bool Owned() const { return m_owned; }
    // Why the lock is not owned (empty when it is).
    const std::string& Problem() const { return m_problem; }
    // The lock file of a log.
    static std::wstring LockPath(const std::wstring& logPath);

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    bool m_owned = false;
    std::string m_problem;
};

// The log path with its file name in its long form (a short 8.3 name names the same file).
std::wstring LongLogPath(const std::wstring& logPath);

} // namespace krlog
