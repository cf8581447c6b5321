// Test helper:
//   krlog_writer <writer id> <count> [log file] writes <count> records "writer <id> record <i>"
//     to the log file given (set as KR_LOG_PATH), else to the log of the environment, then
//     waits for records that had to wait in the spool; exit code = number of writes not
//     reported as stored plus records still waiting at the end.
//   krlog_writer --hold <ms> <log file> takes the log's lock as a writer does, holds it for
//     <ms> and ends (exit code 1 when it could not take it).
#include "KrLogChain.h"
#include "KrLogLib.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {
constexpr DWORD kFlushTimeoutMs = 60000;
constexpr DWORD kHoldLockWaitMs = 10000;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 100;
    if (std::wcscmp(argv[1], L"--hold") == 0 && argc > 3) {
        krlog::CLogLock lock(argv[3], kHoldLockWaitMs);
        if (!lock.Owned())
            return 1;
        ::Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
        return 0;
    }
    int id = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
    int count = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    if (argc > 3)
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", argv[3]);
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        tagFPLogRecord record{};
        record.nKind = 2;
        std::snprintf(record.szCategory, sizeof record.szCategory, "test");
        std::snprintf(record.szSource, sizeof record.szSource, "writer%d", id);
        std::snprintf(record.szText, sizeof record.szText, "writer %d record %d", id, i);
        std::snprintf(record.szUser, sizeof record.szUser, "op%d", id);
        if (!kr_WriteLog(&record))
            ++failed;
    }
    int waiting = kr_FlushLog(kFlushTimeoutMs);
    return failed + (waiting < 0 ? count : waiting);
}
