// KrLogLib.dll: the station's operation log.
//
// Storage: an append-only UTF-8 text file, one record per line, tab-separated:
//   time  kind  category  source  user  text  mac
// (time as "YYYY-MM-DD HH:MM:SS.mmm" local time; backslash, tab, CR, LF and other control
// characters inside fields escaped as \\ \t \r \n \xHH). mac is the lower-case hex HMAC-SHA256,
// under the key of the line, of the previous line's mac, a line feed, and this line up to (not
// including) its last tab; the first line chains to 64 zeros.
//
// Seal: <log>.seal holds one line "count  last mac  note  seal mac" (count: lines of the log;
// the seal mac is an HMAC over the rest under the key of the line after the last). A writer writes the new seal to a
// temporary file first (when that fails nothing is appended), appends and flushes its record,
// then moves the new seal over the old one in one step. A writer that stops in between leaves
// one record after the sealed end, which the next writer seals and the reader accepts; the
// other order would leave a seal naming a record the log never got, indistinguishable from a
// removed record. A new log is sealed empty before the log file is created. A writer that finds
// the log and its seal disagreeing still writes, but keeps the finding as the seal's note in
// every later seal.
//
// Lock: an exclusive byte-range lock on <log>.lock (see krlog::CLogLock): one lock per file
// whatever the spelling of its path (drive letter, another drive's view, 8.3 short name), which
// only this account and the system can open. The log is opened for appending only and never
// cut back: a writer that fails mid-line leaves a torn line, and the next writer closes it with
// a mark line that names it (its size and SHA-256) before appending, so that the chain goes on.
//
// Spool: a writer waits at most krlog::kWriteLockWaitMs for the lock; then its record (with
// the time of the call) goes to <log>.spool.<process id>, flushed, and a thread of the DLL
// appends it, with every record that waits behind it, in order as soon as the log is free.
// Every later write of the process appends the waiting records first. The spool of a process
// that ended is appended by the next writer of the log.
//
// Keys (forward-secure, one sequence per log; see krlog::CKeyLadder): line n is chained under
// K(n), the seal of n lines is made under K(n + 1). The writers keep only the key of the next
// line (<log>.key) and move it on after every line; the verification key K(0) (<log>.verify,
// where the station engineer keeps it out of the operator's reach) is written once, when the
// log begins, and read only by krlogread.exe (see README.md).
//
// File: KR_LOG_PATH, else [Log] Path of KrStation.ini (relative paths start at the DLL's
// folder), else KrLog\operation.log next to the DLL (that folder is created when missing).
#pragma once

#include "KrLogRecord.h"

#include <windows.h>

#ifdef KRLOGLIB_BUILD
#define KRLOGLIB_API __declspec(dllexport)
#else
#define KRLOGLIB_API __declspec(dllimport)
#endif

extern "C" {
// Stores one record; non-zero only when it is flushed to disk: appended to the log, or, when
// the log stays locked longer than krlog::kWriteLockWaitMs, to this process's spool
// (kr_LogPending then says so). 0 when it is stored nowhere. Several processes may write the
// same log at once. The record is only read during the call.
KRLOGLIB_API int kr_WriteLog(const tagFPLogRecord* record);
// The same for a record of UTF-16 texts (any Unicode character, written to the log as UTF-8).
KRLOGLIB_API int kr_WriteLogW(const tagFPLogRecordW* record);
// How many records of this process wait in its spool for the log.
KRLOGLIB_API int kr_LogPending(void);
// Waits up to timeoutMs for the log and appends the records that wait; returns how many still
// wait (0: none), -1 on failure. For a program that ends with records waiting (an ended
// process's spool is appended by the next writer, but only then).
KRLOGLIB_API int kr_FlushLog(DWORD timeoutMs);
}
