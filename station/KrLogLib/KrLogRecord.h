// The operation-log records handed to the log library, natural layout. Text fields may fill
// their field without a terminating zero byte: a reader never reads past a field.
//   tagFPLogRecord   (kr_WriteLog): 436 bytes, texts in the host's ANSI code page.
//   tagFPLogRecordW  (kr_WriteLogW): the same fields as UTF-16 text, and a text field that holds
//                    a whole operation text (at most kLogTextSize bytes) with a confirmation
//                    reason of any Unicode characters appended.
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

constexpr size_t kLogRecordTextChars = 512;

struct tagFPLogRecordW {
    int nKind;
    wchar_t szCategory[16];
    wchar_t szSource[128];
    wchar_t szText[kLogRecordTextChars];
    wchar_t szUser[32];
};
