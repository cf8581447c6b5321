// kr_WriteLog: one record appended under the lock of the log file, so that several processes
// reading the last MAC and appending never interleave or lose a line; the log is only ever
// appended to. The new seal is written to a temporary file first, the record is flushed, then
// the seal is moved into place (see KrLogLib.h for why in this order). A record that finds the
// log locked longer than the caller may wait goes to this process's spool and is appended, in
// order, as soon as the log is free.
#include "KrLogChain.h"
#include "KrLogLib.h"
#include "KrTrace.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTailChunk = 4096;
constexpr size_t kTailLines = 2; // the last record and the one before it
constexpr DWORD kDrainPollMs = 100; // how often waiting records look for a free log

std::string Narrow(const std::wstring& w) {
    int n = ::WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 1), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    s.resize(s.size() - 1);
    return s;
}

bool ReadAt(HANDLE file, LONGLONG offset, DWORD size, std::string& out) {
    out.assign(size, '\0');
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    return ::ReadFile(file, out.data(), size, &read, &ov) && read == size;
}

// The last complete lines (oldest first, at most kTailLines) and, when the file ends inside a
// line (a writer stopped in the middle of one), that torn fragment.
bool ReadTail(HANDLE file, LONGLONG size, std::vector<std::string>& lines, bool& torn,
              std::string& fragment) {
    lines.clear();
    torn = false;
    fragment.clear();
    if (size == 0)
        return true;
    std::string tail;
    LONGLONG start = size;
    // Enough bytes for kTailLines complete lines and the line feed before them.
    while (start > 0 &&
           static_cast<size_t>(std::count(tail.begin(), tail.end(), '\n')) <= kTailLines) {
        LONGLONG from = std::max<LONGLONG>(0, start - kTailChunk);
        std::string chunk;
        if (!ReadAt(file, from, static_cast<DWORD>(start - from), chunk))
            return false;
        tail = chunk + tail;
        start = from;
    }
    torn = tail.back() != '\n';
    size_t end = tail.rfind('\n');
    if (torn) {
        if (end == std::string::npos && start > 0)
            return false; // a fragment longer than the tail read: not a line of this library
        fragment = end == std::string::npos ? tail : tail.substr(end + 1);
    }
    if (end == std::string::npos)
        return true; // no complete line yet
    std::vector<std::string> pieces;
    for (size_t pos = 0; pos <= end;) {
        size_t feed = tail.find('\n', pos);
        pieces.push_back(tail.substr(pos, feed - pos));
        pos = feed + 1;
    }
    // The first piece is only a whole line when the read reached the start of the file.
    size_t first = start == 0 ? 0 : 1;
    for (size_t i = std::max(first, pieces.size() >= kTailLines ? pieces.size() - kTailLines : 0);
         i < pieces.size(); ++i)
        lines.push_back(pieces[i]);
    return true;
}

bool CountLines(HANDLE file, LONGLONG size, size_t& count) {
    count = 0;
    for (LONGLONG at = 0; at < size; at += kTailChunk) {
        std::string chunk;
        if (!ReadAt(file, at, static_cast<DWORD>(std::min<LONGLONG>(kTailChunk, size - at)), chunk))
            return false;
        count += static_cast<size_t>(std::count(chunk.begin(), chunk.end(), '\n'));
    }
    return true;
}

// The new seal goes to a temporary file first: when that cannot be written, nothing is appended.
std::wstring SealTemp(const std::wstring& logPath) {
    return logPath + krlog::kSealTempSuffix;
}

bool WriteSealTemp(const std::wstring& logPath, const std::string& key, const krlog::Seal& seal) {
    std::wstring temp = SealTemp(logPath);
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string text = krlog::FormatSeal(key, seal);
    DWORD written = 0;
    bool ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size() && ::FlushFileBuffers(file);
    DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!ok) {
        ::DeleteFileW(temp.c_str());
        ::SetLastError(error);
    }
    return ok;
}

// Replaces the seal in one step: a crash leaves either the old seal or the new one.
bool CommitSeal(const std::wstring& logPath) {
    return ::MoveFileExW(SealTemp(logPath).c_str(), krlog::SealPath(logPath).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Where the next record goes: the MAC it chains to, how many lines the log holds, and the
// seal's note. A log that disagrees with its seal is still written (the operation log must go
// on), but the disagreement is kept in every later seal, so that no write launders it.
struct Position {
    std::string lastMac = krlog::kGenesisMac;
    size_t count = 0;
    std::string note;
};

bool Locate(HANDLE file, LONGLONG size, const krlog::LogFiles& found,
            const krlog::SealingKey& key, Position& at, bool& torn, std::string& fragment) {
    std::vector<std::string> lines;
    if (!ReadTail(file, size, lines, torn, fragment))
        return false;
    std::string content, mac, prevMac = krlog::kGenesisMac;
    if (lines.size() == kTailLines && !krlog::SplitMac(lines[0], content, prevMac))
        prevMac.clear();
    bool lastHasMac = !lines.empty() && krlog::SplitMac(lines.back(), content, mac);
    if (lastHasMac)
        at.lastMac = mac;
    else if (!lines.empty() && lines.back().size() >= krlog::kMacHexChars)
        at.lastMac = lines.back().substr(lines.back().size() - krlog::kMacHexChars); // reported
    // The seal of n lines is made under the key of line n + 1: the sealing key, or a later one
    // when its writer stopped before moving the sealing key on.
    size_t claimed = 0;
    krlog::SealingKey sealKey = key;
    bool sealOk = found.sealExists && krlog::SealCount(found.seal, claimed) &&
                  sealKey.index <= claimed + 1;
    while (sealOk && sealKey.index < claimed + 1) {
        sealKey.key = krlog::EvolveKey(sealKey.key);
        ++sealKey.index;
    }
    krlog::Seal seal;
    sealOk = sealOk && krlog::ParseSeal(sealKey.key, found.seal, seal);
    std::string problem;
    if (sealOk && seal.lastMac == at.lastMac) {
        at.count = seal.count;
    } else if (sealOk && lastHasMac && seal.lastMac == prevMac &&
               krlog::ChainMac(sealKey.key, prevMac, content) == mac) {
        at.count = seal.count + 1; // its writer stopped before sealing it
    } else {
        problem = !found.sealExists ? "the seal was missing"
                  : !sealOk
                      ? "the seal was damaged, older than the log's key or made with another key"
                      : "the log did not end with its sealed record " + std::to_string(seal.count);
        if (!CountLines(file, size, at.count))
            return false;
    }
    at.note = sealOk ? seal.note : std::string();
    if (at.note.empty() && !problem.empty())
        at.note = "before record " + std::to_string(at.count + 1) + ": " + problem;
    if (!problem.empty())
        krtrace::Trace("[KrLogLib] kr_WriteLog: %s\n", at.note.c_str());
    ::SecureZeroMemory(sealKey.key.data(), sealKey.key.size());
    return true;
}

// The log, locked by the caller, open for appending at its end: closes a torn last line, then
// appends records one at a time, each sealed before the next.
class CLogAppender {
public:
    explicit CLogAppender(const std::wstring& path) : m_path(path) {}
    ~CLogAppender() {
        if (m_file != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_file);
        ::SecureZeroMemory(m_key.key.data(), m_key.key.size());
    }
    CLogAppender(const CLogAppender&) = delete;
    CLogAppender& operator=(const CLogAppender&) = delete;

    bool Open() {
        krlog::LogFiles found;
        krlog::FileState seal = krlog::ReadFileBytes(krlog::SealPath(m_path), found.seal);
        if (seal == krlog::FileState::Unreadable)
            return Fail("cannot read the seal of");
        found.sealExists = seal == krlog::FileState::Read;
        found.logExists = ::GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES;
        // A new log is sealed empty before it exists, so that no state of it is ever without a
        // seal.
        if (!found.logExists && !found.sealExists) {
            // A log begun (anew): its own keys, the seal of no line under the key of line 1.
            std::string problem;
            krlog::Seal empty;
            if (!krlog::CreateKeys(krlog::KeyPath(m_path), krlog::VerifyKeyPath(m_path), true,
                                   m_key, problem)) {
                krtrace::Trace("[KrLogLib] kr_WriteLog: %s\n", problem.c_str());
                return Fail("cannot make the keys of");
            }
            if (!WriteSealTemp(m_path, m_key.key, empty) || !CommitSeal(m_path))
                return Fail("cannot seal");
            found.sealExists = true;
            found.seal = krlog::FormatSeal(m_key.key, empty);
        } else {
            std::string problem;
            if (!krlog::LoadSealingKey(krlog::KeyPath(m_path), m_key, problem)) {
                krtrace::Trace("[KrLogLib] kr_WriteLog: %s\n", problem.c_str());
                return Fail("no sealing key for");
            }
        }
        // Appending only: every write lands at the end, whatever another handle did.
        m_file = ::CreateFileW(m_path.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_file == INVALID_HANDLE_VALUE)
            return Fail("cannot open");
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(m_file, &size) ||
            !Locate(m_file, size.QuadPart, found, m_key, m_at, m_torn, m_fragment))
            return Fail("cannot read");
        return true;
    }

    // One record line; false when it is not in the log.
    bool Append(const std::string& content) {
        if (m_torn) {
            // The fragment becomes a line of its own, closed by a mark that names it, so that
            // the crash costs only the record of the writer that stopped.
            SYSTEMTIME now;
            ::GetLocalTime(&now);
            if (!AppendLine("\n", krlog::TornContent(m_fragment, now), m_at.count + 2))
                return false;
            krtrace::Trace("[KrLogLib] kr_WriteLog: closed a torn line of %u bytes in %s\n",
                           static_cast<unsigned>(m_fragment.size()), Narrow(m_path).c_str());
            m_torn = false;
        }
        return AppendLine("", content, m_at.count + 1);
    }

private:
    bool Fail(const char* what) {
        DWORD error = ::GetLastError();
        krtrace::Trace("[KrLogLib] kr_WriteLog: %s %s (error %lu)\n", what, Narrow(m_path).c_str(),
                       error);
        return false;
    }

    // Line `count` under its key, preceded by a filler line for every line number the sealing
    // key has passed that the log lacks (lines removed): the numbers stay those of the keys, and
    // the reader reports the fillers. Its seal is made under the key of the next line.
    bool AppendLine(const std::string& prefix, const std::string& content, size_t count) {
        std::string fill;
        size_t missing = 0;
        if (m_key.index > count) {
            missing = static_cast<size_t>(m_key.index - count);
            SYSTEMTIME now;
            ::GetLocalTime(&now);
            for (size_t i = 0; i < missing; ++i)
                fill += krlog::MissingContent(now) + "\t" + krlog::kGenesisMac + "\n";
            count += missing;
        }
        while (m_key.index < count) {
            m_key.key = krlog::EvolveKey(m_key.key);
            ++m_key.index;
        }
        std::string mac = krlog::ChainMac(m_key.key, m_at.lastMac, content);
        krlog::SealingKey next{m_key.index + 1, krlog::EvolveKey(m_key.key)};
        bool prepared = !mac.empty() &&
                        WriteSealTemp(m_path, next.key, krlog::Seal{count, mac, m_at.note});
        if (!prepared) {
            ::SecureZeroMemory(next.key.data(), next.key.size());
            return Fail("cannot prepare the seal of");
        }
        if (missing)
            krtrace::Trace("[KrLogLib] kr_WriteLog: %u line(s) the key had passed are missing "
                           "from %s\n",
                           static_cast<unsigned>(missing), Narrow(m_path).c_str());
        std::string line = prefix + fill + content + "\t" + mac + "\n";
        LARGE_INTEGER zero{};
        DWORD written = 0;
        bool ok = ::SetFilePointerEx(m_file, zero, nullptr, FILE_END) &&
                  ::WriteFile(m_file, line.data(), static_cast<DWORD>(line.size()), &written,
                              nullptr) &&
                  written == line.size() && ::FlushFileBuffers(m_file);
        if (!ok) {
            // Nothing is cut back: what reached the file stays, a torn line the next writer
            // closes; another writer's records are never touched.
            Fail("writing");
            ::DeleteFileW(SealTemp(m_path).c_str());
            return false;
        }
        // The record is in the log: it counts as written even when the seal cannot follow (the
        // next writer seals it). Then the key of this line is dropped for good.
        if (!CommitSeal(m_path))
            Fail("cannot move the new seal into place for");
        ::SecureZeroMemory(m_key.key.data(), m_key.key.size());
        m_key = next;
        if (!krlog::SaveSealingKey(krlog::KeyPath(m_path), m_key))
            Fail("cannot move the sealing key on for");
        m_at.lastMac = mac;
        m_at.count = count;
        return true;
    }

    std::wstring m_path;
    krlog::SealingKey m_key;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    Position m_at;
    bool m_torn = false;
    std::string m_fragment;
};

// Record lines of a spool file, oldest first.
std::vector<std::string> SpoolLines(HANDLE file) {
    std::vector<std::string> lines;
    LARGE_INTEGER size{};
    std::string text;
    if (!::GetFileSizeEx(file, &size) || size.HighPart != 0 ||
        !ReadAt(file, 0, size.LowPart, text))
        return lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            break; // a spool line cut by a crash never reached the log's format
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

// Rewrites a spool file with the lines not yet in the log.
bool KeepSpoolLines(HANDLE file, const std::vector<std::string>& lines, size_t from) {
    std::string rest;
    for (size_t i = from; i < lines.size(); ++i)
        rest += lines[i] + "\n";
    LARGE_INTEGER zero{};
    DWORD written = 0;
    return ::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) &&
           (rest.empty() || ::WriteFile(file, rest.data(), static_cast<DWORD>(rest.size()),
                                        &written, nullptr)) &&
           ::SetEndOfFile(file) && ::FlushFileBuffers(file);
}

// Appends a spool's lines in order; the spool keeps what could not be appended. True when
// none is left.
bool DrainSpool(HANDLE file, CLogAppender& log) {
    std::vector<std::string> lines = SpoolLines(file);
    size_t done = 0;
    while (done < lines.size() && log.Append(lines[done]))
        ++done;
    if (done == lines.size())
        return true;
    KeepSpoolLines(file, lines, done);
    return false;
}

void DeleteOnClose(HANDLE file) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    ::SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
}

// This process's records that waited for the log, kept in <log>.spool.<process id> while they
// wait. The file stays open without write sharing, which tells other writers that its owner
// lives; the spool of a process that ended is appended by the next writer of the log.
class CSpool {
public:
    std::mutex lock; // orders this process's writers and its drain thread

    size_t Waiting() const { return m_count; }
    const std::wstring& LogPath() const { return m_logPath; }

    bool Add(const std::wstring& logPath, const std::string& content) {
        if (m_count > 0 && !SameFile(logPath, m_logPath))
            return false; // records of another log wait: one spool at a time
        if (m_file == INVALID_HANDLE_VALUE) {
            m_path = OwnPath(logPath);
            m_file = ::CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                   FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                   nullptr);
            if (m_file == INVALID_HANDLE_VALUE)
                return false;
            m_logPath = logPath;
            m_count = SpoolLines(m_file).size(); // left by an ended process of the same id
        }
        std::string line = content + "\n";
        LARGE_INTEGER zero{};
        DWORD written = 0;
        if (!::SetFilePointerEx(m_file, zero, nullptr, FILE_END) ||
            !::WriteFile(m_file, line.data(), static_cast<DWORD>(line.size()), &written,
                         nullptr) ||
            written != line.size() || !::FlushFileBuffers(m_file))
            return false;
        ++m_count;
        StartDrain();
        return true;
    }

    // Under the log's lock: the spools of ended processes, then this process's own.
    bool Drain(const std::wstring& logPath, CLogAppender& log) {
        for (const std::wstring& other : krlog::SpoolFiles(logPath)) {
            if (SameFile(other, OwnPath(logPath)))
                continue;
            HANDLE file = ::CreateFileW(other.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                continue; // its process lives and appends it itself
            if (DrainSpool(file, log))
                DeleteOnClose(file);
            ::CloseHandle(file);
        }
        if (m_count == 0 || !SameFile(logPath, m_logPath))
            return true;
        if (!DrainSpool(m_file, log)) {
            m_count = SpoolLines(m_file).size();
            return false;
        }
        DeleteOnClose(m_file);
        ::CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        m_count = 0;
        return true;
    }

private:
    static std::wstring OwnPath(const std::wstring& logPath) {
        return krlog::LongLogPath(logPath) + krlog::kSpoolInfix +
               std::to_wstring(::GetCurrentProcessId());
    }
    static bool SameFile(const std::wstring& a, const std::wstring& b) {
        return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL ||
               ::CompareStringOrdinal(krlog::LongLogPath(a).c_str(), -1,
                                      krlog::LongLogPath(b).c_str(), -1, TRUE) == CSTR_EQUAL;
    }
    void StartDrain();

    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::wstring m_path;
    std::wstring m_logPath;
    size_t m_count = 0;
    bool m_draining = false;
    friend DWORD WINAPI DrainThread(void*);
};

CSpool g_spool;

// Appends what waits, under the log's lock (taken within `waitMs`). Caller holds g_spool.lock.
bool DrainNow(DWORD waitMs) {
    std::wstring path = g_spool.LogPath();
    krlog::CLogLock lock(path, waitMs);
    if (!lock.Owned())
        return false;
    CLogAppender log(path);
    return log.Open() && g_spool.Drain(path, log);
}

// Appends this process's waiting records as soon as the log is free, then ends.
DWORD WINAPI DrainThread(void*) {
    for (;;) {
        ::Sleep(kDrainPollMs);
        std::lock_guard<std::mutex> guard(g_spool.lock);
        if (g_spool.Waiting() > 0)
            DrainNow(0);
        if (g_spool.Waiting() == 0) {
            g_spool.m_draining = false;
            break;
        }
    }
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&DrainThread), &self);
    ::FreeLibraryAndExitThread(self, 0); // the reference StartDrain took
    return 0;
}

void CSpool::StartDrain() {
    if (m_draining)
        return;
    // The thread holds the DLL loaded until it ends.
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&DrainThread), &self))
        return;
    HANDLE thread = ::CreateThread(nullptr, 0, DrainThread, nullptr, 0, nullptr);
    if (!thread) {
        ::FreeLibrary(self);
        return; // the next write or kr_FlushLog appends the spool
    }
    ::CloseHandle(thread);
    m_draining = true;
}

int WriteRecord(const std::string& content) {
    bool isDefault = false;
    std::wstring path = krlog::LogPath(&isDefault);
    if (isDefault) {
        std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    std::lock_guard<std::mutex> guard(g_spool.lock);
    krlog::CLogLock lock(path, krlog::kWriteLockWaitMs);
    if (!lock.Owned()) {
        // Nobody holds up the caller: the record waits in the spool, flushed to disk.
        bool lockable = ::GetFileAttributesW(krlog::CLogLock::LockPath(path).c_str()) !=
                        INVALID_FILE_ATTRIBUTES;
        krtrace::Trace("[KrLogLib] kr_WriteLog: %s: %s\n", Narrow(path).c_str(),
                       lock.Problem().c_str());
        if (!lockable || !g_spool.Add(path, content)) {
            krtrace::Trace("[KrLogLib] kr_WriteLog: the record cannot wait for %s\n",
                           Narrow(path).c_str());
            return 0;
        }
        return 1;
    }
    CLogAppender log(path);
    if (!log.Open())
        return 0;
    // Records that waited come first; while they cannot be appended, this one waits behind them.
    if (!g_spool.Drain(path, log))
        return g_spool.Add(path, content) ? 1 : 0;
    return log.Append(content) ? 1 : 0;
}

template <typename Record> int WriteLogRecord(const Record* record) {
    if (!record)
        return 0;
    try {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        return WriteRecord(krlog::RecordContent(*record, now));
    } catch (...) { // out of memory: no exception leaves the DLL
        return 0;
    }
}

} // namespace

extern "C" int kr_WriteLog(const tagFPLogRecord* record) {
    return WriteLogRecord(record);
}

extern "C" int kr_WriteLogW(const tagFPLogRecordW* record) {
    return WriteLogRecord(record);
}

extern "C" int kr_LogPending(void) {
    try {
        std::lock_guard<std::mutex> guard(g_spool.lock);
        return static_cast<int>(g_spool.Waiting());
    } catch (...) {
        return 0;
    }
}

extern "C" int kr_FlushLog(DWORD timeoutMs) {
    try {
        std::lock_guard<std::mutex> guard(g_spool.lock);
        if (g_spool.Waiting() > 0)
            DrainNow(timeoutMs);
        return static_cast<int>(g_spool.Waiting());
    } catch (...) {
        return -1;
    }
}
