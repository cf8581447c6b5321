// kr_WriteLog: one record appended under a machine-wide named mutex per log file, so that
// several processes reading the last MAC and appending never interleave or lose a line. The
// record is flushed first and sealed after it (see KrLogLib.h for why in this order).
#include "KrLogChain.h"
#include "KrLogLib.h"
#include "KrTrace.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTailChunk = 4096;
constexpr size_t kTailLines = 2; // the last record and the one before it

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

// The last complete lines (oldest first, at most kTailLines) and whether the file ends inside a
// line (a writer stopped in the middle of one).
bool ReadTail(HANDLE file, LONGLONG size, std::vector<std::string>& lines, bool& torn) {
    lines.clear();
    torn = false;
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

// Replaces the seal in one step: a crash leaves either the old seal or the new one.
bool WriteSeal(const std::wstring& logPath, const std::string& key, const krlog::Seal& seal) {
    std::wstring temp = logPath + krlog::kSealTempSuffix;
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string text = krlog::FormatSeal(key, seal);
    DWORD written = 0;
    bool ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size() && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    ok = ok && ::MoveFileExW(temp.c_str(), krlog::SealPath(logPath).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DWORD error = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        ::SetLastError(error);
    }
    return ok;
}

// Where the next record goes: the MAC it chains to, how many records the log holds, and the
// seal's note. A log that disagrees with its seal is still written (the operation log must go
// on), but the disagreement is kept in every later seal, so that no write launders it.
struct Position {
    std::string lastMac = krlog::kGenesisMac;
    size_t count = 0;
    std::string note;
};

bool Locate(HANDLE file, LONGLONG size, const krlog::LogFiles& found, const std::string& key,
            Position& at, bool& torn) {
    std::vector<std::string> lines;
    if (!ReadTail(file, size, lines, torn))
        return false;
    std::string content, mac, prevMac = krlog::kGenesisMac;
    if (lines.size() == kTailLines && !krlog::SplitMac(lines[0], content, prevMac))
        prevMac.clear();
    bool lastHasMac = !lines.empty() && krlog::SplitMac(lines.back(), content, mac);
    if (lastHasMac)
        at.lastMac = mac;
    else if (!lines.empty() && lines.back().size() >= krlog::kMacHexChars)
        at.lastMac = lines.back().substr(lines.back().size() - krlog::kMacHexChars); // reported
    krlog::Seal seal;
    bool sealOk = found.sealExists && krlog::ParseSeal(key, found.seal, seal);
    std::string problem;
    if (sealOk && seal.lastMac == at.lastMac) {
        at.count = seal.count;
    } else if (sealOk && lastHasMac && seal.lastMac == prevMac &&
               krlog::ChainMac(key, prevMac, content) == mac) {
        at.count = seal.count + 1; // its writer stopped before sealing it
    } else {
        problem = !found.sealExists ? "the seal was missing"
                  : !sealOk
                      ? "the seal was damaged or made with another key"
                      : "the log did not end with its sealed record " + std::to_string(seal.count);
        if (!CountLines(file, size, at.count))
            return false;
    }
    at.note = sealOk ? seal.note : std::string();
    if (at.note.empty() && !problem.empty())
        at.note = "before record " + std::to_string(at.count + 1) + ": " + problem;
    if (!problem.empty())
        krtrace::Trace("[KrLogLib] kr_WriteLog: %s\n", at.note.c_str());
    return true;
}

int WriteRecord(const tagFPLogRecord& record) {
    bool isDefault = false;
    std::wstring path = krlog::LogPath(&isDefault);
    if (isDefault) {
        std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    std::string key, keyProblem;
    if (!krlog::LoadOrCreateKey(krlog::KeyPath(), key, keyProblem)) {
        krtrace::Trace("[KrLogLib] kr_WriteLog: %s\n", keyProblem.c_str());
        return 0;
    }
    krlog::CLogLock lock(path, krlog::kLockTimeoutMs);
    if (!lock.Owned()) {
        krtrace::Trace("[KrLogLib] kr_WriteLog: log %s is locked by another writer\n",
                       Narrow(path).c_str());
        return 0;
    }
    // The seal; the log itself is read through its handle, from its end.
    krlog::LogFiles found;
    krlog::FileState seal = krlog::ReadFileBytes(krlog::SealPath(path), found.seal);
    if (seal == krlog::FileState::Unreadable) {
        krtrace::Trace("[KrLogLib] kr_WriteLog: cannot read the seal of %s (error %lu)\n",
                       Narrow(path).c_str(), ::GetLastError());
        return 0;
    }
    found.sealExists = seal == krlog::FileState::Read;
    found.logExists = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    // A new log is sealed empty before it exists, so that no state of it is ever without a seal.
    if (!found.logExists && !found.sealExists) {
        krlog::Seal empty;
        if (!WriteSeal(path, key, empty)) {
            krtrace::Trace("[KrLogLib] kr_WriteLog: cannot seal %s (error %lu)\n",
                           Narrow(path).c_str(), ::GetLastError());
            return 0;
        }
        found.sealExists = true;
        found.seal = krlog::FormatSeal(key, empty);
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
    Position at;
    bool torn = false;
    bool ok = ::GetFileSizeEx(file, &size) && Locate(file, size.QuadPart, found, key, at, torn);
    if (ok) {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        std::string content = krlog::RecordContent(record, now);
        std::string mac = krlog::ChainMac(key, at.lastMac, content);
        ok = !mac.empty();
        // A line torn by a writer that died is closed first; the reader reports it.
        std::string line = (torn ? "\n" : "") + content + "\t" + mac + "\n";
        LARGE_INTEGER zero{};
        DWORD written = 0;
        ok = ok && ::SetFilePointerEx(file, zero, nullptr, FILE_END) &&
             ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
             written == line.size() && ::FlushFileBuffers(file);
        ok = ok && WriteSeal(path, key, krlog::Seal{at.count + 1, mac, at.note});
        if (!ok) {
            DWORD error = ::GetLastError();
            // Take the record back so that the log holds whole, sealed records only.
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
