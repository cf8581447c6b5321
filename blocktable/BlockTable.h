// The BALANCE8 block table: every item of the block (item index, name, value type, byte offset
// and width in the block's data area, edit control, setup page, decimals item, alarm
// colouring), the loop order, the bit meanings of the block's words, and the block sizes.
// The faceplate, the test host and the communication server all take these numbers from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace b8 {

// ---- Value types ----
enum class ValueType : uint8_t {
    Real, // 32-bit float
    Bool, // one byte: 0 = off, non-zero = on; written as 255 / 0
    UI4,  // 32-bit unsigned
    Byte, // 8-bit unsigned
    Flag, // the alarm-flag word (item 105): 32-bit integer
};
constexpr uint8_t WidthOf(ValueType type) {
    return (type == ValueType::Bool || type == ValueType::Byte) ? 1 : 4;
}
// Value type code of the host's item descriptor for the flag word: 32-bit integer.
constexpr int kFlagTypeCode = 0;

// ---- Setup pages of the detail view, in tab order ----
enum class Page : uint8_t {
    None = 0,
    FirstSetup,
    TwoTPBalanceSetup,
    MultyBalanceSetup,
    SVLimtSetup,
    PVAlarmSetup,
    TAlarmSetup1,
    TCSAlarmSetup1,
    SpeedAlarmSetup,
    KTLSetup,
};
constexpr int kPageCount = 9;

// ---- One item of the block ----
constexpr size_t kItemNameCapacity = 12;
struct ItemDef {
    uint16_t item;                // item index
    char name[kItemNameCapacity]; // "FPASS1", "K411"; empty for unnamed items
    ValueType type;
    uint16_t offset;       // byte offset in the block's data area
    uint8_t width;         // bytes
    uint16_t editId;       // numeric edit of a settable REAL value; 0 = none
    Page page;             // page that shows the edit; None = none
    uint16_t decimalsItem; // byte item giving the decimals; 0 = none (three decimals)
    uint16_t stateItem;    // word whose bit colours the edit; 0 = none
    uint32_t stateMask;    // that bit
};

// All items, sorted by item index.
const ItemDef* Items();
size_t ItemCount();
// Lookups; null when not found. Names compare without regard to case; an empty name finds
// nothing.
const ItemDef* FindItem(uint16_t item);
const ItemDef* FindItemByEditId(uint16_t editId);
const ItemDef* FindItemByName(const char* name);

constexpr int kBranchCount = 8;
constexpr int kSettableCount = 289; // REAL items with an edit control

// ---- Block sizes ----
// The part read while the detail view is closed lies at the start of the block: the measured
// and set values (A), then switches, flag word, units, decimals and state words (B). The host
// descriptor gives A and B at offsets 148 and 156 of FPBlockInfo, the whole size at offset 16.
constexpr uint16_t kCompactSizeA = 136;
constexpr uint16_t kCompactSizeB = 224;
constexpr uint16_t kCompactSize = kCompactSizeA + kCompactSizeB;
constexpr uint16_t kWholeSize = 1380;

// ---- Single items ----
constexpr uint16_t kItemFTTL = 1;            // total header flow
constexpr uint16_t kItemFTTLSET = 2;         // total header flow set value
constexpr uint16_t kItemOutOfService = 94;   // BOOL
constexpr uint16_t kItemMode = 95;           // BOOL: on = automatic (balance loops may act)
constexpr uint16_t kItemLoopSwitch0 = 96;    // BOOL, loop j at 96 + j
constexpr uint16_t kItemControlMethod = 103; // BOOL: off = outlet temperatures, on = tube-skin
constexpr uint16_t kItemAlarmInhibit = 104;  // BOOL
constexpr uint16_t kItemAlarmFlag = 105;     // flag word
constexpr uint16_t kItemUnitTotalFlow = 418; // byte unit codes
constexpr uint16_t kItemUnitBranchFlow = 419;
constexpr uint16_t kItemUnitBranchTemp = 420;
constexpr uint16_t kItemUnitTubeSkin = 421;
constexpr uint16_t kItemDecimalsFlow = 423; // byte decimals
constexpr uint16_t kItemDecimalsTemp = 424;
constexpr uint16_t kItemDecimalsTubeSkin = 425;
constexpr uint16_t kItemLimitState = 553;  // UI4
constexpr uint16_t kItemLimitEnable = 554; // UI4

// ---- Per-branch families (branch k = 1..8) ----
enum class Family : uint8_t {
    FPASS,
    TPASS,
    TCS,
    FPSET,
    FPHH,
    FPH,
    FPL,
    FPLL,
    FPHYS,
    FPVL,
    TPHH,
    TPH,
    TPL,
    TPLL,
    TPHYS,
    TPVL,
    TCSHH,
    TCSH,
    TCSL,
    TCSLL,
    TCSHYS,
    TCSVL,
    FPSETH,
    FPSETL,
    FPSETVL,
    KPM,
    TPM,
    LPM,
};
constexpr int kFamilyCount = 28;
uint16_t BranchItem(Family family, int k);

// ---- Alarm words: one state and one enable word per measurement and branch ----
enum class Measure : uint8_t { Flow = 0, Temp = 1, TubeSkin = 2 };
constexpr uint16_t AlarmStateItem(Measure m, int k) {
    return static_cast<uint16_t>(502 + 16 * static_cast<int>(m) + 2 * (k - 1));
}
constexpr uint16_t AlarmEnableItem(Measure m, int k) {
    return AlarmStateItem(m, k) + 1;
}
constexpr uint32_t kAlarmHH = 0x01;
constexpr uint32_t kAlarmH = 0x02;
constexpr uint32_t kAlarmLL = 0x04;
constexpr uint32_t kAlarmL = 0x08;
constexpr uint32_t kAlarmRate = 0x10;
constexpr uint32_t kAlarmBits = 0x1F;

// Limit state (553) and limit enable (554) words: three bits per branch.
constexpr uint32_t LimitHighBit(int k) {
    return 1u << (3 * (k - 1));
}
constexpr uint32_t LimitLowBit(int k) {
    return 1u << (3 * (k - 1) + 1);
}
constexpr uint32_t LimitRateBit(int k) {
    return 1u << (3 * (k - 1) + 2);
}
constexpr uint32_t kLimitBits = 0x00FFFFFF;

// ---- Balance loops, always in this order (loop ordinal j = 0..6) ----
constexpr int kLoopCount = 7;
constexpr int kLoopSuffix[kLoopCount] = {21, 22, 41, 23, 24, 42, 8};
struct LoopBranches {
    int first; // first branch (1-based)
    int count; // 2, 4 or 8
};
constexpr LoopBranches kLoopBranches[kLoopCount] = {{1, 2}, {3, 2}, {1, 4}, {5, 2},
                                                    {7, 2}, {5, 4}, {1, 8}};
constexpr uint16_t LoopSwitchItem(int j) {
    return static_cast<uint16_t>(kItemLoopSwitch0 + j);
}
enum class LoopParam : uint8_t { FMAXER, TMAXER, FERLMT, TERLMT, HLMT, LLMT, K1, K2, K3 };
constexpr int kLoopParamCount = 9;
uint16_t LoopItem(LoopParam param, int j);

// ---- The alarm-flag word (item 105) of our block ----
// Alarm bits (shown in the faceplate's alarm line):
constexpr uint32_t kFlagHH = 1u << 0;       // some HH alarm active
constexpr uint32_t kFlagH = 1u << 1;        // some H alarm active
constexpr uint32_t kFlagLL = 1u << 2;       // some LL alarm active
constexpr uint32_t kFlagL = 1u << 3;        // some L alarm active
constexpr uint32_t kFlagRate = 1u << 4;     // some rate-of-change alarm active
constexpr uint32_t kFlagFlow = 1u << 5;     // some branch flow alarm active
constexpr uint32_t kFlagTemp = 1u << 6;     // some branch temperature alarm active
constexpr uint32_t kFlagTubeSkin = 1u << 7; // some tube-skin temperature alarm active
// Status bits (shown in the faceplate's status line):
constexpr uint32_t kFlagSvLimit = 1u << 8;         // some set-value limit acting (553 non-zero)
constexpr uint32_t kFlagOutOfService = 1u << 9;    // item 94 on
constexpr uint32_t kFlagAlarmInhibit = 1u << 10;   // item 104 on
constexpr uint32_t kFlagAuto = 1u << 11;           // item 95 on
constexpr uint32_t kFlagBalancing = 1u << 12;      // some balance loop switched on and acting
constexpr uint32_t kFlagTubeSkinMethod = 1u << 13; // item 103 on
struct FlagBit {
    int bit;          // bit number
    const char* name; // display name
    bool alarm;       // alarm bit (true) or status bit (false)
};
constexpr FlagBit kFlagBits[] = {
    {0, "HH", true},     {1, "H", true},        {2, "LL", true},      {3, "L", true},
    {4, "RATE", true},   {5, "FLOW", true},     {6, "TEMP", true},    {7, "TCS", true},
    {8, "SVLIM", false}, {9, "OOS", false},     {10, "INHIB", false}, {11, "AUTO", false},
    {12, "BAL", false},  {13, "TCSCTL", false},
};

// ---- Reading and writing items in a block image (little-endian, unaligned) ----
// The block image starts at the block's first byte (in a client's data area: at offset 6).
// Each returns 0 / does nothing for an unknown item or one of another width.
float ReadReal(const void* block, uint16_t item);
void WriteReal(void* block, uint16_t item, float value);
uint32_t ReadUInt(const void* block, uint16_t item); // UI4, Flag, Byte and Bool items
void WriteUInt(void* block, uint16_t item, uint32_t value);

} // namespace b8
