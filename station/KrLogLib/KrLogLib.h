// KrLogLib.dll: the station's operation log.
//
// Storage: an append-only UTF-8 text file, one record per line, tab-separated:
//   time  kind  category  source  user  text  mac
// (time as "YYYY-MM-DD HH:MM:SS.mmm" local time; backslash, tab, CR, LF and other control
// characters inside fields escaped as \\ \t \r \n \xHH). mac is the lower-case hex HMAC-SHA256,
// under the station key, of the previous line's mac, a line feed, and this line up to (not
// including) its last tab; the first line chains to 64 zeros.
//
// Seal: <log>.seal holds one line "count  last mac  note  seal mac" (the seal mac is an HMAC
// over the rest under the same key). A writer appends and flushes its record first and then
// replaces the seal in one step (write a temporary file, move it over the seal), both under the
// log's named mutex. A writer that stops in between leaves one record after the sealed end,
// which the next writer seals and the reader accepts; the other order would leave a seal
// naming a record the log never got, indistinguishable from a removed record. A new log is
// sealed empty before the log file is created. A writer that finds the log and its seal
// disagreeing still writes, but keeps the finding as the seal's note in every later seal.
//
// Station key: KrLog.key (32 random bytes) in the folder of the station configuration in force
// (KrStation.ini next to the DLLs, or the folder of KR_STATION_INI), created by the first writer.
// krlogread.exe prints a log and verifies chain and seal with the same key (see README.md).
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
// Appends one record; non-zero only when the record is written, flushed to disk and sealed (a
// record that cannot be sealed is taken back). Several processes may write the same log at once.
// The record is only read during the call.
KRLOGLIB_API int kr_WriteLog(const tagFPLogRecord* record);
}
