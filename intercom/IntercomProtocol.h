// Protocol between the operator-station programs that address each other by program name:
// communication windows, the tag requests of the message manager and their record. Every
// number and name of the protocol lives here; the senders (CCommuWin, CMsgManager) and the
// peer programs (tools/peers) all include this header.
#pragma once

#include <windows.h>

#include <cstddef>

namespace icproto {

// ---- Communication windows ----
// Window class of every program's hidden communication window.
constexpr char kCommuWindowClass[] = "qxCommuWClass";
// A communication window's text: this prefix, then the program's logical name.
constexpr char kCommuWindowPrefix[] = "VorAvo:";
// Window texts and class names are read into buffers of this size (255 characters + NUL).
constexpr size_t kNameBufferSize = 256;
// Trace lines of the communication windows are formatted into a buffer of this size.
constexpr size_t kDebugBufferSize = 256;

// ---- Programs and their logical names ----
constexpr char kOperatorCentreProgram[] = "DOZezeru"; // operator centre
constexpr char kAlarmViewProgram[] = "ZUZuvAdud";     // alarm view
constexpr char kExeSuffix[] = ".exe";
// The operator centre's task-centre window: "TaskCenter" for number 0, else "TaskCenter<n>".
constexpr char kTaskCenterName[] = "TaskCenter";
constexpr char kTaskCenterNameFormat[] = "TaskCenter%d";

// ---- Sending ----
// Flags of CCommuWin::SendMessage: a non-zero low byte appends kExeSuffix to the program name.
constexpr unsigned kFlagAppendExe = 0x01;
constexpr unsigned kFlagAppendExeMask = 0xFF;
// SendMessageTimeout flags: abort if the target is hung, block the caller meanwhile.
constexpr UINT kSendTimeoutFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK;
static_assert(kSendTimeoutFlags == 3);
// The system's error code of a send that timed out (ERROR_TIMEOUT).
constexpr DWORD kErrorSendTimeout = 1460;

// Results of CCommuWin::SendMessage besides the target's reply.
constexpr int kResultTimeout = -2;  // a target did not answer in time
constexpr int kResultNoWindow = -6; // no target window was reached

// ---- Tag requests (WM_COPYDATA dwData) ----
constexpr ULONG_PTR kRequestCurrent = 110; // operator centre: current values of the tag
constexpr ULONG_PTR kRequestAdjust = 111;  // operator centre: a floating faceplate of the tag
constexpr ULONG_PTR kRequestFlow = 112;    // operator centre: trend of the tag
constexpr ULONG_PTR kRequestAlarm = 113;   // alarm view: alarms of the tag
// Simple request record: the tag name, zero-padded, always zero-terminated.
constexpr DWORD kRequestRecordSize = 34;
constexpr size_t kMaxRequestTagLength = kRequestRecordSize - 1;
// Every request waits this long for each process of the target program.
constexpr UINT kRequestTimeoutMs = 2000;
// String-database key of the message shown when the target program is not reachable.
constexpr char kNotAvailableKey[] = "STR005869";

// ---- Process and window enumeration ----
// Process and module lists start with room for this many entries and double it while full.
constexpr DWORD kInitialListRoom = 1024;
// Growth stops here: a source that keeps filling any room is not asked forever.
constexpr DWORD kMaxListRoom = 1024 * 1024;
// Communication windows collected per process.
constexpr int kWindowListCapacity = 1024;
// Rights a process is opened with to read its modules (query information, read memory).
constexpr DWORD kProcessOpenRights = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
static_assert(kProcessOpenRights == 0x410);

} // namespace icproto
