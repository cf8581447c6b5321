// KrLogLib.dll: the station's operation log.
//
// Storage: an append-only UTF-8 text file, one record per line, tab-separated:
//   time  kind  category  source  user  text  hash
// (time as "YYYY-MM-DD HH:MM:SS.mmm" local time; backslash, tab, CR, LF and other control
// characters inside fields escaped as \\ \t \r \n \xHH). hash is the lower-case hex SHA-256
// of the previous line's hash, a line feed, and this line up to (not including) its last tab;
// the first line chains to 64 zeros. krlogread.exe prints a log and verifies the chain.
//
// File: KR_LOG_PATH, else [Log] Path of KrStation.ini (relative paths start at the DLL's
// folder), else KrLog\operation.log next to the DLL (that folder is created when missing).
#pragma once

#include "KrLogRecord.h"

#ifdef KRLOGLIB_BUILD
#define KRLOGLIB_API __declspec(dllexport)
#else
#define KRLOGLIB_API __declspec(dllimport)
#endif

extern "C" {
// Appends one record; non-zero only when the record is written and flushed to disk. Several
// processes may write the same log at once. The record is only read during the call.
KRLOGLIB_API int kr_WriteLog(const tagFPLogRecord* record);
}
