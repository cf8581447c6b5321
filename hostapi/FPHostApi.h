// Records and callbacks shared by the operator-station host and faceplate modules. The host
// fills and owns them; a faceplate module only reads them. Every field sits at a fixed byte
// offset (32-bit layout), checked below.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" {

// Host callbacks: C calling convention, 10 = success.
constexpr int kHostOk = 10;

// Resolves "TAG" or "TAG.ITEM" (at most 32 characters) to a handle; usable when > 0.
typedef int(__cdecl* PFN_FPOpenItem)(int one, const char* name, int64_t* handle, int zero);
// Status of a tag: key = upper 32 bits of the handle; result starts with the status word.
typedef int(__cdecl* PFN_FPReadStatus)(int one, const uint32_t* key, void* result, int zero);
// Third callback of the record; only its presence matters.
typedef int(__cdecl* PFN_FPHostCall)(int one, const int64_t* handle, void* data, int zero);
// Current value of an item as an OLE VARIANT.
typedef int(__cdecl* PFN_FPGetVariant)(int one, const int64_t* handle, VARIANT* value);
// Operate permission of an area resolved through PFN_FPOpenItem: the low byte decides.
typedef int(__cdecl* PFN_FPCheckArea)(int one, const int64_t* handle, int zero);
// Acknowledges the alarms of a tag.
typedef int(__cdecl* PFN_FPAlarmAck)(const char* tagName);
// Alarm state of a tag: fills an alarm indication and may change the alarm colour.
typedef int(__cdecl* PFN_FPAlarmState)(const char* tagName, uint32_t flagWord, int* alarm,
                                       COLORREF* alarmColour);

// Result of PFN_FPReadStatus, set to 0x80000000 followed by 33 zero bytes before the call.
#pragma pack(push, 1)
struct FPTagStatus {
    uint32_t dwStatus; // bit 31 = data bad; bits 16..31 quality
    uint8_t reserved[33];
};
#pragma pack(pop)
constexpr uint32_t kTagStatusBad = 0x80000000u;

// Value type codes of an item (FPItemInfo::nType).
enum FPValueType : int32_t {
    FPT_INT32 = 0,
    FPT_INT16 = 1,
    FPT_UINT16 = 2,
    FPT_UINT32 = 3,
    FPT_LAST_INT32 = 6, // codes 3 to 6 are read as 32-bit integers too
    FPT_FLOAT = 7,
    FPT_DOUBLE = 8,
    FPT_BOOL = 9,
    FPT_BYTE = 10,
};

struct FPItemInfo {
    uint8_t reserved0[8];
    uint16_t wItemIndex;     // 8
    uint16_t reserved1;      // 10
    const char* pszName;     // 12: item name, e.g. "FTTL"
    uint32_t reserved2;      // 16
    int32_t nType;           // 20: FPValueType
    uint16_t wOffset;        // 24: byte offset in the block's data area
    uint8_t reserved3[20];   // 26
    uint16_t wSecurityLevel; // 46: required level of the controls that write it
    uint8_t reserved4[33];   // 48
    uint8_t bNeedConfirm;    // 81: writes need confirmation
    uint8_t reserved5[2];    // 82
};

// A bit of the block's flag word: its display name and whether it is an alarm bit.
struct FPBitInfo {
    uint8_t reserved0[8];
    const char* pszName; // 8
    uint32_t reserved1;  // 12
    int32_t bAlarm;      // 16: non-zero = alarm bit, zero = status bit
};

// The item map (16-bit item index -> item descriptor) and the bit map (16-bit bit number ->
// bit descriptor) are plain arrays, walked in array order. Each map occupies 28 bytes.
struct FPItemMapEntry {
    uint16_t wKey;
    uint16_t reserved;
    const FPItemInfo* pItem;
};
struct FPBitMapEntry {
    uint16_t wBit;
    uint16_t reserved;
    const FPBitInfo* pBit;
};
struct FPItemMap {
    const FPItemMapEntry* pEntries;
    uint32_t nCount;
    uint32_t reserved[5];
};
struct FPBitMap {
    const FPBitMapEntry* pEntries;
    uint32_t nCount;
    uint32_t reserved[5];
};

struct FPBlockInfo {
    uint8_t reserved0[16];
    uint16_t wDataSize;     // 16: size of the whole data area
    uint8_t reserved1[22];  // 18
    FPItemMap itemMap;      // 40
    FPBitMap bitMap;        // 68
    uint8_t reserved2[52];  // 96
    uint16_t wCompactSize1; // 148: the compact read range is the sum of these two
    uint8_t reserved3[6];   // 150
    uint16_t wCompactSize2; // 156
    uint8_t reserved4[22];  // 158
    uint16_t wOperateLevel; // 180: required operation level of the adjust button
    uint16_t reserved5;     // 182
};

// Unit texts: 8-bit unit code -> text.
struct FPUnitEntry {
    uint8_t code;
    uint8_t reserved[3];
    const char* pszText;
};
struct FPUnitMap {
    const FPUnitEntry* pEntries;
    uint32_t nCount;
};

// The record the host passes to OpenFP and OpenPopChildFP (276 bytes).
struct tagFPOpenPara {
    char szTagName[25];             // 0
    char szTagDesc[65];             // 25
    char szModuleFile[16];          // 90
    char szKeep[20];                // 106
    char szUserName[30];            // 126
    const FPBlockInfo* pBlock;      // 156
    uint8_t byStation;              // 160
    uint8_t byStationColumn;        // 161
    uint8_t pad0[2];                // 162
    int32_t nX;                     // 164
    int32_t nY;                     // 168
    int32_t nWidth;                 // 172
    int32_t nHeight;                // 176
    int32_t nDetailWidth;           // 180
    int32_t nDetailHeight;          // 184
    uint16_t wTarget;               // 188
    uint8_t pad1[2];                // 190
    int32_t nBaseAddress;           // 192
    int32_t nUserLevel;             // 196
    const FPUnitMap* pUnitMap;      // 200
    int32_t nMsgParam;              // 204
    int32_t reserved208;            // 208
    int32_t nConfirmHold;           // 212
    int32_t nAckPermission;         // 216
    PFN_FPOpenItem pfnOpenItem;     // 220
    PFN_FPReadStatus pfnReadStatus; // 224
    PFN_FPHostCall pfnHostCall;     // 228
    PFN_FPGetVariant pfnGetVariant; // 232
    void* reserved236[2];           // 236
    PFN_FPCheckArea pfnCheckArea;   // 244
    PFN_FPAlarmAck pfnAlarmAck;     // 248
    PFN_FPAlarmState pfnAlarmState; // 252
    COLORREF crNormal;              // 256
    COLORREF crKeep;                // 260
    int32_t nOperate;               // 264
    uint8_t bySecurityClass;        // 268
    uint8_t pad2[3];                // 269
    int32_t bConfirm;               // 272
};

// Exports of a faceplate module (C calling convention, undecorated names).
typedef HWND(__cdecl* PFN_OpenFP)(const tagFPOpenPara* para, int bMovable, int bShowDetail,
                                  int bNewFP, HWND parent);
typedef HWND(__cdecl* PFN_OpenPopChildFP)(const tagFPOpenPara* para, int bShowDetail, HWND parent);
typedef int(__cdecl* PFN_ShowDetail)(const char* tagName, int show);
typedef int(__cdecl* PFN_CloseFP)(const char* tagName, int closeType);
typedef int(__cdecl* PFN_ChangeUser)(const char* userName, int userLevel, int ackPermission);
typedef int(__cdecl* PFN_CloseConfirmDlg)(const char* tagName);

} // extern "C"

static_assert(sizeof(void*) == 4, "the host records hold 4-byte pointers");
static_assert(sizeof(FPTagStatus) == 37);
static_assert(offsetof(FPItemInfo, wItemIndex) == 8);
static_assert(offsetof(FPItemInfo, pszName) == 12);
static_assert(offsetof(FPItemInfo, nType) == 20);
static_assert(offsetof(FPItemInfo, wOffset) == 24);
static_assert(offsetof(FPItemInfo, wSecurityLevel) == 46);
static_assert(offsetof(FPItemInfo, bNeedConfirm) == 81);
static_assert(offsetof(FPBitInfo, pszName) == 8);
static_assert(offsetof(FPBitInfo, bAlarm) == 16);
static_assert(sizeof(FPItemMap) == 28 && sizeof(FPBitMap) == 28);
static_assert(offsetof(FPBlockInfo, wDataSize) == 16);
static_assert(offsetof(FPBlockInfo, itemMap) == 40);
static_assert(offsetof(FPBlockInfo, bitMap) == 68);
static_assert(offsetof(FPBlockInfo, wCompactSize1) == 148);
static_assert(offsetof(FPBlockInfo, wCompactSize2) == 156);
static_assert(offsetof(FPBlockInfo, wOperateLevel) == 180);
static_assert(offsetof(tagFPOpenPara, szTagDesc) == 25);
static_assert(offsetof(tagFPOpenPara, szModuleFile) == 90);
static_assert(offsetof(tagFPOpenPara, szKeep) == 106);
static_assert(offsetof(tagFPOpenPara, szUserName) == 126);
static_assert(offsetof(tagFPOpenPara, pBlock) == 156);
static_assert(offsetof(tagFPOpenPara, byStation) == 160);
static_assert(offsetof(tagFPOpenPara, byStationColumn) == 161);
static_assert(offsetof(tagFPOpenPara, nX) == 164);
static_assert(offsetof(tagFPOpenPara, nY) == 168);
static_assert(offsetof(tagFPOpenPara, nWidth) == 172);
static_assert(offsetof(tagFPOpenPara, nHeight) == 176);
static_assert(offsetof(tagFPOpenPara, nDetailWidth) == 180);
static_assert(offsetof(tagFPOpenPara, nDetailHeight) == 184);
static_assert(offsetof(tagFPOpenPara, wTarget) == 188);
static_assert(offsetof(tagFPOpenPara, nBaseAddress) == 192);
static_assert(offsetof(tagFPOpenPara, nUserLevel) == 196);
static_assert(offsetof(tagFPOpenPara, pUnitMap) == 200);
static_assert(offsetof(tagFPOpenPara, nMsgParam) == 204);
static_assert(offsetof(tagFPOpenPara, nConfirmHold) == 212);
static_assert(offsetof(tagFPOpenPara, nAckPermission) == 216);
static_assert(offsetof(tagFPOpenPara, pfnOpenItem) == 220);
static_assert(offsetof(tagFPOpenPara, pfnReadStatus) == 224);
static_assert(offsetof(tagFPOpenPara, pfnHostCall) == 228);
static_assert(offsetof(tagFPOpenPara, pfnGetVariant) == 232);
static_assert(offsetof(tagFPOpenPara, pfnCheckArea) == 244);
static_assert(offsetof(tagFPOpenPara, pfnAlarmAck) == 248);
static_assert(offsetof(tagFPOpenPara, pfnAlarmState) == 252);
static_assert(offsetof(tagFPOpenPara, crNormal) == 256);
static_assert(offsetof(tagFPOpenPara, nOperate) == 264);
static_assert(offsetof(tagFPOpenPara, bySecurityClass) == 268);
static_assert(offsetof(tagFPOpenPara, bConfirm) == 272);
static_assert(sizeof(tagFPOpenPara) == 276);

// Copies an 8-bit text into a fixed text field of a host-facing record. Terminated: cut so that
// the terminating zero always fits. Not terminated: a text that fills the field keeps none (the
// reader cuts at the field).
template <size_t N>
void CopyTextField(char (&field)[N], const std::string& text, bool terminated = true) {
    size_t n = text.size() < (terminated ? N - 1 : N) ? text.size() : (terminated ? N - 1 : N);
    std::memcpy(field, text.data(), n);
    if (n < N)
        field[n] = '\0';
}
