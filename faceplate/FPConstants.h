// Constants of the generic faceplate: control ids, private messages, timer, status texts,
// colours and the string-database keys it fetches.
#pragma once

#include "ControlMessages.h"
#include "FPResourceIds.h"

#include <windows.h>

namespace fp {

// A yes/no right given to a control as levels: required and user level both this when it is
// granted, the user level 0 when it is not.
constexpr WORD kGrantedLevel = 1;

constexpr UINT_PTR kRefreshTimer = 1;
// The faceplate window's control id: its template's.
constexpr UINT kFaceplateControlId = IDD_FP_MAIN;
constexpr UINT kRefreshPeriodMs = 1000;
constexpr int kMaxMissedTicks = 7; // more than this many ticks without data: COMM_FAIL

constexpr char kTextRtDataBad[] = "RTDATA_BAD";
constexpr char kTextCommFail[] = "COMM_FAIL";
constexpr char kTextNoAlarm[] = "NR";
constexpr char kTextUnavailable[] = "????";

constexpr COLORREF kBackground = kctl::kPanelColour;
constexpr COLORREF kNormalColour = 0x008000;
constexpr COLORREF kAlarmColour = 0x0000FF;
// Width of the edge drawn round the client area (EDGE_RAISED while active, else EDGE_ETCHED).
constexpr int kFrameEdge = 2;
constexpr int kTitleFontSize = 96; // "System", 9.6 pt
constexpr char kTitleFont[] = "System";

// "Faceplate_Memory": the station-wide table of detail faceplates.
constexpr char kFaceplateMemory[] = "Faceplate_Memory";
constexpr DWORD kFaceplateMemorySize = 4096;
constexpr size_t kDetailTableOffset = 100;
constexpr int kDetailSlots = 4;
constexpr int kDetailExtraWidth = 7;
constexpr int kDetailExtraHeight = 17;

// Window creation: the caller's style plus 3D look and set-font; modal frame (and topmost for
// an extended template).
constexpr DWORD kCreateStyleBits = DS_3DLOOK | DS_SETFONT;
constexpr DWORD kCreateExStyle = WS_EX_DLGMODALFRAME;
constexpr DWORD kCreateExStyleExtended = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;

// Write requests.
constexpr WORD kWriteKind = 1;
// What a switch writes to an on/off item.
constexpr BYTE kSwitchOn = 255;
constexpr BYTE kSwitchOff = 0;
// Deliveries after a confirmed write within which the block must show the written value
// before the control is marked as not taken by the controller.
constexpr int kWriteCheckDeliveries = 3;
// Texts of a written real value: the fewest digits that read back as the same float (at most
// 9 for any float), fixed point from 1e-7 to below 1e16, the exponent form beyond.
constexpr int kFloatRoundTripDigits = 9;
constexpr int kFixedTextMinExponent = -7;
constexpr int kFixedTextMaxExponent = 15;
constexpr int kDefaultDecimals = 3;
constexpr int kMaxDecimals = 5;
constexpr size_t kLogTextSize = 256;
constexpr size_t kTagBufferSize = 33;

// Host callbacks: a name of at most 32 characters.
constexpr size_t kMaxItemNameLength = 32;

// Keys of the string database.
namespace key {
constexpr char UserChanged[] = "FP_ACCUM_STR000006";
constexpr char InitDialog[] = "FP_ACCUM_STR000007";
constexpr char ControlInfoCreateFail[] = "FP_ACCUM_STR000008";
constexpr char ControlInfoInitFail[] = "FP_ACCUM_STR000009";
constexpr char LButtonDown[] = "FP_ACCUM_STR000010";
constexpr char WriteFloat[] = "FP_ACCUM_STR000015";
constexpr char WriteLog[] = "FP_ACCUM_STR000018";
constexpr char Close[] = "FP_ACCUM_STR000019";
constexpr char AreaEmpty[] = "FP_ACCUM_STR000020";
constexpr char AreaDenied[] = "FP_ACCUM_STR000021";
constexpr char OtherStation[] = "FP_ACCUM_STR000022";
constexpr char NoControlInfo[] = "FP_ACCUM_STR000023";
constexpr char AlarmAck[] = "FP_ACCUM_STR000024";
constexpr char AlarmAckFail[] = "FP_ACCUM_STR000025";
constexpr char WriteAction32[] = "FP_ACCUM_STR000027";
constexpr char WriteSwitch[] = "FP_ACCUM_STR000029";
constexpr char WriteAction16[] = "FP_ACCUM_STR000031";
constexpr char DetailFull[] = "FP_ACCUM_STR000131";
constexpr char MemoryFail[] = "FP_ACCUM_STR000132";
constexpr char MemoryUnreadable[] = "FP_ACCUM_STR000133";
constexpr char LogCategory[] = "FP_ACCUM_STR000170";
constexpr char LogReason[] = "FP_ACCUM_STR000171";
constexpr char LogSource[] = "FP_ACCUM_STR000214";
constexpr char LogStandard[] = "FP_ACCUM_STR000215";
constexpr char LogStandardDesc[] = "FP_ACCUM_STR000216";
constexpr char LogSwitch[] = "FP_ACCUM_STR000217";
constexpr char LogSwitchDesc[] = "FP_ACCUM_STR000218";
constexpr char LogAction[] = "FP_ACCUM_STR000219";
constexpr char LogActionDesc[] = "FP_ACCUM_STR000220";
constexpr char LogNotSent[] = "FP_WRITE_STR000005";
constexpr char WriteNotRecorded[] = "FP_WRITE_STR000003";
constexpr char WriteNotSent[] = "FP_WRITE_STR000001";
constexpr char LogWaiting[] = "FP_WRITE_STR000004";
constexpr char ConfirmStandard[] = "FP_ACCUM_STR000250";
constexpr char ConfirmAction[] = "FP_ACCUM_STR000251";
constexpr char TipAdjust[] = "FP_ACCUM_STR000349";
constexpr char TipAlarm[] = "FP_ACCUM_STR000350";
constexpr char TipCurrent[] = "FP_ACCUM_STR000351";
constexpr char TipFlow[] = "FP_ACCUM_STR000352";
constexpr char TipAck[] = "FP_ACCUM_STR000353";
// Project texts beside the station's own keys.
constexpr char WriteNotTaken[] = "FP_WRITE_STR000002";
// An operator's entry that is not written, and a written value that differs from the typing.
constexpr char EntryCaption[] = "FP_ENTRY_STR000001";
constexpr char EntryNotANumber[] = "FP_ENTRY_STR000002"; // typed text
constexpr char EntryTooLarge[] = "FP_ENTRY_STR000003";   // typed text, largest magnitude
constexpr char EntryTooSmall[] = "FP_ENTRY_STR000004";   // typed text, smallest magnitude
constexpr char EntryRounded[] = "FP_ENTRY_STR000005";    // value written, typed text
} // namespace key

} // namespace fp
