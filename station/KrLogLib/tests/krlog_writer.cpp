// Test helper: krlog_writer <writer id> <count> writes <count> records "writer <id> record <i>"
// to the log of the environment (KR_LOG_PATH); exit code = number of failed writes.
#include "KrLogLib.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 100;
    int id = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
    int count = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
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
    return failed;
}
