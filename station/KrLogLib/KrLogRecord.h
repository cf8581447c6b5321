// The operation-log record the faceplate hands to kr_WriteLog: 436 bytes, natural layout.
// Text fields are in the host's ANSI code page and may fill their field without a
// terminating zero byte: a reader never reads past a field.
#pragma once

#include <cstddef>

struct tagFPLogRecord {
    int nKind;           // 1 after initialisation, 2 for faceplate operations
    char szCategory[16]; // operation category
    char szSource[128];  // source (module part and suffix)
    char szText[256];    // operation text
    char szUser[32];     // user name
};

static_assert(offsetof(tagFPLogRecord, nKind) == 0, "tagFPLogRecord layout");
static_assert(offsetof(tagFPLogRecord, szCategory) == 4, "tagFPLogRecord layout");
static_assert(offsetof(tagFPLogRecord, szSource) == 20, "tagFPLogRecord layout");
static_assert(offsetof(tagFPLogRecord, szText) == 148, "tagFPLogRecord layout");
static_assert(offsetof(tagFPLogRecord, szUser) == 404, "tagFPLogRecord layout");
static_assert(sizeof(tagFPLogRecord) == 436, "tagFPLogRecord size");
