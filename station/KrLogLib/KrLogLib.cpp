// kr_WriteLog: one record appended under a machine-wide named mutex per log file, so that
// several processes reading the last hash and appending never interleave or lose a line.
#include "KrLogChain.h"
#include "KrLogLib.h"
#include "KrTrace.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr DWORD kLockTimeoutMs = 10000;
constexpr wchar_t kMutexPrefix[] = L"Local\\KrLogLib.";
constexpr size_t kMutexHashChars = 32;
constexpr DWORD kTailChunk = 4096;

std::string Narrow(const std::wstring& w) {
    int n = ::WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 1), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    s.resize(s.size() - 1);
    return s;
}

// One mutex per log file: the name is derived from the file's full path, case-folded.
std::wstring MutexName(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2];
    DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    std::wstring key = (n > 0 && n < MAX_PATH * 2) ? full : path;
    ::CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    std::string bytes(reinterpret_cast<const char*>(key.data()), key.size() * sizeof(wchar_t));
    std::string hash = krlog::Sha256Hex(bytes).substr(0, kMutexHashChars);
    return kMutexPrefix + std::wstring(hash.begin(), hash.end());
}

bool ReadAt(HANDLE file, LONGLONG offset, DWORD size, std::string& out) {
    out.assign(size, '\0');
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    return ::ReadFile(file, out.data(), size, &read, &ov) && read == size;
}

// The hash of the last complete line and whether the file ends inside a line (torn write).
bool LastHash(HANDLE file, LONGLONG size, std::string& hash, bool& torn) {
    hash = krlog::kGenesisHash;
    torn = false;
    if (size == 0)
        return true;
    std::string last;
    if (!ReadAt(file, size - 1, 1, last))
        return false;
    torn = last[0] != '\n';
    // Walk back from the end to the line feed that ends the last complete line, then to the one
    // before it.
    std::string tail;
    LONGLONG end = size;
    while (end > 0) {
        LONGLONG start = std::max<LONGLONG>(0, end - kTailChunk);
        std::string chunk;
        if (!ReadAt(file, start, static_cast<DWORD>(end - start), chunk))
            return false;
        tail = chunk + tail;
        end = start;
        size_t lastFeed = tail.rfind('\n');
        if (lastFeed == std::string::npos)
            continue;
        size_t prevFeed = lastFeed == 0 ? std::string::npos : tail.rfind('\n', lastFeed - 1);
        if (prevFeed == std::string::npos && start > 0)
            continue;
        std::string line =
            tail.substr(prevFeed == std::string::npos ? 0 : prevFeed + 1,
                        lastFeed - (prevFeed == std::string::npos ? 0 : prevFeed + 1));
        if (line.size() > krlog::kHashHexChars)
            hash = line.substr(line.size() - krlog::kHashHexChars);
        return true;
    }
    return true; // no complete line yet: chain to the start
}

class MutexLock {
public:
    explicit MutexLock(const std::wstring& name) {
        m_mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
        if (!m_mutex)
            return;
        DWORD wait = ::WaitForSingleObject(m_mutex, kLockTimeoutMs);
        // An abandoned mutex is owned now; a torn last line is dealt with by the writer.
        m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~MutexLock() {
        if (m_owned)
            ::ReleaseMutex(m_mutex);
        if (m_mutex)
            ::CloseHandle(m_mutex);
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    bool Owned() const { return m_owned; }

private:
    HANDLE m_mutex = nullptr;
    bool m_owned = false;
};

int WriteRecord(const tagFPLogRecord& record) {
    bool isDefault = false;
    std::wstring path = krlog::LogPath(&isDefault);
    if (isDefault) {
        std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    MutexLock lock(MutexName(path));
    if (!lock.Owned()) {
        krtrace::Trace("[KrLogLib] kr_WriteLog: log %s is locked by another writer\n",
                       Narrow(path).c_str());
        return 0;
    }
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        krtrace::Trace("[KrLogLib] kr_WriteLog: cannot open %s (error %lu)\n", Narrow(path).c_str(),
                       ::GetLastError());
        return 0;
    }
    LARGE_INTEGER size{};
    std::string previous;
    bool torn = false;
    bool ok = ::GetFileSizeEx(file, &size) && LastHash(file, size.QuadPart, previous, torn);
    if (ok) {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        std::string content = krlog::RecordContent(record, now);
        std::string hash = krlog::ChainHash(previous, content);
        ok = !hash.empty();
        // A line torn by a writer that died is closed first; the reader reports it.
        std::string line = (torn ? "\n" : "") + content + "\t" + hash + "\n";
        LARGE_INTEGER zero{};
        DWORD written = 0;
        ok = ok && ::SetFilePointerEx(file, zero, nullptr, FILE_END) &&
             ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
             written == line.size() && ::FlushFileBuffers(file);
        if (!ok) {
            DWORD error = ::GetLastError();
            // Take a partly written line back so that the log holds whole records only.
            ::SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
            ::SetEndOfFile(file);
            ::FlushFileBuffers(file);
            krtrace::Trace("[KrLogLib] kr_WriteLog: writing %s failed (error %lu)\n",
                           Narrow(path).c_str(), error);
        }
    } else {
        krtrace::Trace("[KrLogLib] kr_WriteLog: cannot read %s (error %lu)\n", Narrow(path).c_str(),
                       ::GetLastError());
    }
    ::CloseHandle(file);
    return ok ? 1 : 0;
}

} // namespace

extern "C" int kr_WriteLog(const tagFPLogRecord* record) {
    if (!record)
        return 0;
    try {
        return WriteRecord(*record);
    } catch (...) { // out of memory: no exception leaves the DLL
        return 0;
    }
}
