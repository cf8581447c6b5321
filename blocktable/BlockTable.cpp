#include "BlockTable.h"

#include "Balance8Ids.h"

#include <algorithm>
#include <array>

namespace b8 {
namespace {

// ---- Layout of the block's data area: runs of consecutive items of one width ----
struct LayoutRun {
    uint16_t firstItem;
    uint16_t lastItem;
    uint16_t offset; // of firstItem
    uint8_t width;
};
constexpr LayoutRun kLayout[] = {
    // Compact part A: measured values and set values.
    {1, 26, 0, 4},    // FTTL, FTTLSET, FPASS1..8, TPASS1..8, TCS1..8
    {60, 67, 104, 4}, // FPSET1..8
    // Compact part B: switches, flag word, units, decimals, alarm and limit words.
    {94, 104, 136, 1},  // switches and modes
    {105, 105, 148, 4}, // alarm-flag word
    {418, 421, 152, 1}, // unit codes
    {423, 425, 156, 1}, // decimals
    {502, 549, 160, 4}, // alarm state and enable words
    {553, 554, 352, 4}, // limit state and enable words
    // Detail part: loop settings, alarm limits, set-value limits, gains, K/T/L.
    {80, 93, 360, 4},
    {116, 356, 416, 4},
};
static_assert(kCompactSizeA == 104 + 8 * 4);
static_assert(kCompactSize == 352 + 2 * 4);
static_assert(kWholeSize == 416 + (356 - 116 + 1) * 4);

// ---- Per-branch families ----
struct FamilyDef {
    Family family;
    const char* name;
    uint16_t firstItem; // branch 1
    uint16_t stride;    // item step per branch
    uint16_t editIds[kBranchCount];
    Page page;
    uint16_t decimalsItem;
    int8_t stateMeasure; // -1 none, 0..2 alarm state word of that measure, 3 limit state word
    uint32_t stateMask;  // alarm bit, or the bit number within the branch's three limit bits
};
constexpr int8_t kNoState = -1, kFlowState = 0, kTempState = 1, kTcsState = 2, kLimitState = 3;
constexpr FamilyDef kFamilies[kFamilyCount] = {
    {Family::FPASS,
     "FPASS",
     3,
     1,
     {IDC_FPASS1, IDC_FPASS2, IDC_FPASS3, IDC_FPASS4, IDC_FPASS5, IDC_FPASS6, IDC_FPASS7,
      IDC_FPASS8},
     Page::FirstSetup,
     423,
     kNoState,
     0},
    {Family::TPASS,
     "TPASS",
     11,
     1,
     {IDC_TPASS1, IDC_TPASS2, IDC_TPASS3, IDC_TPASS4, IDC_TPASS5, IDC_TPASS6, IDC_TPASS7,
      IDC_TPASS8},
     Page::FirstSetup,
     424,
     kNoState,
     0},
    {Family::TCS,
     "TCS",
     19,
     1,
     {IDC_TCS1, IDC_TCS2, IDC_TCS3, IDC_TCS4, IDC_TCS5, IDC_TCS6, IDC_TCS7, IDC_TCS8},
     Page::FirstSetup,
     425,
     kNoState,
     0},
    {Family::FPSET,
     "FPSET",
     60,
     1,
     {IDC_FPSET1, IDC_FPSET2, IDC_FPSET3, IDC_FPSET4, IDC_FPSET5, IDC_FPSET6, IDC_FPSET7,
      IDC_FPSET8},
     Page::FirstSetup,
     423,
     kNoState,
     0},
    {Family::FPHH,
     "FPHH",
     116,
     6,
     {IDC_FPHH1, IDC_FPHH2, IDC_FPHH3, IDC_FPHH4, IDC_FPHH5, IDC_FPHH6, IDC_FPHH7, IDC_FPHH8},
     Page::PVAlarmSetup,
     423,
     kFlowState,
     kAlarmHH},
    {Family::FPH,
     "FPH",
     117,
     6,
     {IDC_FPH1, IDC_FPH2, IDC_FPH3, IDC_FPH4, IDC_FPH5, IDC_FPH6, IDC_FPH7, IDC_FPH8},
     Page::PVAlarmSetup,
     423,
     kFlowState,
     kAlarmH},
    {Family::FPL,
     "FPL",
     118,
     6,
     {IDC_FPL1, IDC_FPL2, IDC_FPL3, IDC_FPL4, IDC_FPL5, IDC_FPL6, IDC_FPL7, IDC_FPL8},
     Page::PVAlarmSetup,
     423,
     kFlowState,
     kAlarmL},
    {Family::FPLL,
     "FPLL",
     119,
     6,
     {IDC_FPLL1, IDC_FPLL2, IDC_FPLL3, IDC_FPLL4, IDC_FPLL5, IDC_FPLL6, IDC_FPLL7, IDC_FPLL8},
     Page::PVAlarmSetup,
     423,
     kFlowState,
     kAlarmLL},
    {Family::FPHYS,
     "FPHYS",
     120,
     6,
     {IDC_FPHYS1, IDC_FPHYS2, IDC_FPHYS3, IDC_FPHYS4, IDC_FPHYS5, IDC_FPHYS6, IDC_FPHYS7,
      IDC_FPHYS8},
     Page::PVAlarmSetup,
     423,
     kNoState,
     0},
    {Family::FPVL,
     "FPVL",
     121,
     6,
     {IDC_FPVL1, IDC_FPVL2, IDC_FPVL3, IDC_FPVL4, IDC_FPVL5, IDC_FPVL6, IDC_FPVL7, IDC_FPVL8},
     Page::SpeedAlarmSetup,
     423,
     kFlowState,
     kAlarmRate},
    {Family::TPHH,
     "TPHH",
     164,
     6,
     {IDC_TPHH1, IDC_TPHH2, IDC_TPHH3, IDC_TPHH4, IDC_TPHH5, IDC_TPHH6, IDC_TPHH7, IDC_TPHH8},
     Page::TAlarmSetup1,
     424,
     kTempState,
     kAlarmHH},
    {Family::TPH,
     "TPH",
     165,
     6,
     {IDC_TPH1, IDC_TPH2, IDC_TPH3, IDC_TPH4, IDC_TPH5, IDC_TPH6, IDC_TPH7, IDC_TPH8},
     Page::TAlarmSetup1,
     424,
     kTempState,
     kAlarmH},
    {Family::TPL,
     "TPL",
     166,
     6,
     {IDC_TPL1, IDC_TPL2, IDC_TPL3, IDC_TPL4, IDC_TPL5, IDC_TPL6, IDC_TPL7, IDC_TPL8},
     Page::TAlarmSetup1,
     424,
     kTempState,
     kAlarmL},
    {Family::TPLL,
     "TPLL",
     167,
     6,
     {IDC_TPLL1, IDC_TPLL2, IDC_TPLL3, IDC_TPLL4, IDC_TPLL5, IDC_TPLL6, IDC_TPLL7, IDC_TPLL8},
     Page::TAlarmSetup1,
     424,
     kTempState,
     kAlarmLL},
    {Family::TPHYS,
     "TPHYS",
     168,
     6,
     {IDC_TPHYS1, IDC_TPHYS2, IDC_TPHYS3, IDC_TPHYS4, IDC_TPHYS5, IDC_TPHYS6, IDC_TPHYS7,
      IDC_TPHYS8},
     Page::TAlarmSetup1,
     424,
     kNoState,
     0},
    {Family::TPVL,
     "TPVL",
     169,
     6,
     {IDC_TPVL1, IDC_TPVL2, IDC_TPVL3, IDC_TPVL4, IDC_TPVL5, IDC_TPVL6, IDC_TPVL7, IDC_TPVL8},
     Page::SpeedAlarmSetup,
     424,
     kTempState,
     kAlarmRate},
    {Family::TCSHH,
     "TCSHH",
     212,
     6,
     {IDC_TCSHH1, IDC_TCSHH2, IDC_TCSHH3, IDC_TCSHH4, IDC_TCSHH5, IDC_TCSHH6, IDC_TCSHH7,
      IDC_TCSHH8},
     Page::TCSAlarmSetup1,
     425,
     kTcsState,
     kAlarmHH},
    {Family::TCSH,
     "TCSH",
     213,
     6,
     {IDC_TCSH1, IDC_TCSH2, IDC_TCSH3, IDC_TCSH4, IDC_TCSH5, IDC_TCSH6, IDC_TCSH7, IDC_TCSH8},
     Page::TCSAlarmSetup1,
     425,
     kTcsState,
     kAlarmH},
    {Family::TCSL,
     "TCSL",
     214,
     6,
     {IDC_TCSL1, IDC_TCSL2, IDC_TCSL3, IDC_TCSL4, IDC_TCSL5, IDC_TCSL6, IDC_TCSL7, IDC_TCSL8},
     Page::TCSAlarmSetup1,
     425,
     kTcsState,
     kAlarmL},
    {Family::TCSLL,
     "TCSLL",
     215,
     6,
     {IDC_TCSLL1, IDC_TCSLL2, IDC_TCSLL3, IDC_TCSLL4, IDC_TCSLL5, IDC_TCSLL6, IDC_TCSLL7,
      IDC_TCSLL8},
     Page::TCSAlarmSetup1,
     425,
     kTcsState,
     kAlarmLL},
    {Family::TCSHYS,
     "TCSHYS",
     216,
     6,
     {IDC_TCSHYS1, IDC_TCSHYS2, IDC_TCSHYS3, IDC_TCSHYS4, IDC_TCSHYS5, IDC_TCSHYS6, IDC_TCSHYS7,
      IDC_TCSHYS8},
     Page::TCSAlarmSetup1,
     425,
     kNoState,
     0},
    {Family::TCSVL,
     "TCSVL",
     217,
     6,
     {IDC_TCSVL1, IDC_TCSVL2, IDC_TCSVL3, IDC_TCSVL4, IDC_TCSVL5, IDC_TCSVL6, IDC_TCSVL7,
      IDC_TCSVL8},
     Page::SpeedAlarmSetup,
     425,
     kTcsState,
     kAlarmRate},
    {Family::FPSETH,
     "FPSETH",
     260,
     3,
     {IDC_FPSETH1, IDC_FPSETH2, IDC_FPSETH3, IDC_FPSETH4, IDC_FPSETH5, IDC_FPSETH6, IDC_FPSETH7,
      IDC_FPSETH8},
     Page::SVLimtSetup,
     423,
     kLimitState,
     0},
    {Family::FPSETL,
     "FPSETL",
     261,
     3,
     {IDC_FPSETL1, IDC_FPSETL2, IDC_FPSETL3, IDC_FPSETL4, IDC_FPSETL5, IDC_FPSETL6, IDC_FPSETL7,
      IDC_FPSETL8},
     Page::SVLimtSetup,
     423,
     kLimitState,
     1},
    {Family::FPSETVL,
     "FPSETVL",
     262,
     3,
     {IDC_FPSETVL1, IDC_FPSETVL2, IDC_FPSETVL3, IDC_FPSETVL4, IDC_FPSETVL5, IDC_FPSETVL6,
      IDC_FPSETVL7, IDC_FPSETVL8},
     Page::SVLimtSetup,
     423,
     kLimitState,
     2},
    {Family::KPM,
     "KPM",
     333,
     3,
     {IDC_KPM1, IDC_KPM2, IDC_KPM3, IDC_KPM4, IDC_KPM5, IDC_KPM6, IDC_KPM7, IDC_KPM8},
     Page::KTLSetup,
     0,
     kNoState,
     0},
    {Family::TPM,
     "TPM",
     334,
     3,
     {IDC_TPM1, IDC_TPM2, IDC_TPM3, IDC_TPM4, IDC_TPM5, IDC_TPM6, IDC_TPM7, IDC_TPM8},
     Page::KTLSetup,
     0,
     kNoState,
     0},
    {Family::LPM,
     "LPM",
     335,
     3,
     {IDC_LPM1, IDC_LPM2, IDC_LPM3, IDC_LPM4, IDC_LPM5, IDC_LPM6, IDC_LPM7, IDC_LPM8},
     Page::KTLSetup,
     0,
     kNoState,
     0},
};

// ---- Per-loop parameters: item (edit id) for loops j = 0..6 ----
struct LoopCell {
    uint16_t item;
    uint16_t editId;
};
struct LoopParamDef {
    LoopParam param;
    const char* name; // followed by the loop suffix (and 1..3 for the gains)
    LoopCell cells[kLoopCount];
};
constexpr LoopParamDef kLoopParams[kLoopParamCount] = {
    {LoopParam::FMAXER,
     "FMAXER",
     {{80, IDC_FMAXER21},
      {82, IDC_FMAXER22},
      {84, IDC_FMAXER41},
      {86, IDC_FMAXER23},
      {88, IDC_FMAXER24},
      {90, IDC_FMAXER42},
      {92, IDC_FMAXER8}}},
    {LoopParam::TMAXER,
     "TMAXER",
     {{81, IDC_TMAXER21},
      {83, IDC_TMAXER22},
      {85, IDC_TMAXER41},
      {87, IDC_TMAXER23},
      {89, IDC_TMAXER24},
      {91, IDC_TMAXER42},
      {93, IDC_TMAXER8}}},
    {LoopParam::FERLMT,
     "FERLMT",
     {{305, IDC_FERLMT21},
      {307, IDC_FERLMT22},
      {309, IDC_FERLMT41},
      {311, IDC_FERLMT23},
      {313, IDC_FERLMT24},
      {315, IDC_FERLMT42},
      {317, IDC_FERLMT8}}},
    {LoopParam::TERLMT,
     "TERLMT",
     {{306, IDC_TERLMT21},
      {308, IDC_TERLMT22},
      {310, IDC_TERLMT41},
      {312, IDC_TERLMT23},
      {314, IDC_TERLMT24},
      {316, IDC_TERLMT42},
      {318, IDC_TERLMT8}}},
    {LoopParam::HLMT,
     "HLMT",
     {{319, IDC_HLMT21},
      {321, IDC_HLMT22},
      {323, IDC_HLMT41},
      {325, IDC_HLMT23},
      {327, IDC_HLMT24},
      {329, IDC_HLMT42},
      {331, IDC_HLMT8}}},
    {LoopParam::LLMT,
     "LLMT",
     {{320, IDC_LLMT21},
      {322, IDC_LLMT22},
      {324, IDC_LLMT41},
      {326, IDC_LLMT23},
      {328, IDC_LLMT24},
      {330, IDC_LLMT42},
      {332, IDC_LLMT8}}},
    {LoopParam::K1,
     "K",
     {{284, IDC_K211},
      {287, IDC_K221},
      {290, IDC_K411},
      {293, IDC_K231},
      {296, IDC_K241},
      {299, IDC_K421},
      {302, IDC_K81}}},
    {LoopParam::K2,
     "K",
     {{285, IDC_K212},
      {288, IDC_K222},
      {291, IDC_K412},
      {294, IDC_K232},
      {297, IDC_K242},
      {300, IDC_K422},
      {303, IDC_K82}}},
    {LoopParam::K3,
     "K",
     {{286, IDC_K213},
      {289, IDC_K223},
      {292, IDC_K413},
      {295, IDC_K233},
      {298, IDC_K243},
      {301, IDC_K423},
      {304, IDC_K83}}},
};
constexpr Page kLoopPage[kLoopCount] = {Page::TwoTPBalanceSetup, Page::TwoTPBalanceSetup,
                                        Page::MultyBalanceSetup, Page::TwoTPBalanceSetup,
                                        Page::TwoTPBalanceSetup, Page::MultyBalanceSetup,
                                        Page::MultyBalanceSetup};

// ---- Single items ----
struct SingleDef {
    uint16_t firstItem;
    uint16_t lastItem;
    ValueType type;
    const char* name; // only for single named items
    uint16_t editId;
    Page page;
};
constexpr SingleDef kSingles[] = {
    {kItemFTTL, kItemFTTL, ValueType::Real, "FTTL", IDC_FTTL, Page::FirstSetup},
    {kItemFTTLSET, kItemFTTLSET, ValueType::Real, "FTTLSET", IDC_FTTLSET, Page::FirstSetup},
    {kItemOutOfService, kItemAlarmInhibit, ValueType::Bool, "", 0, Page::None},
    {kItemAlarmFlag, kItemAlarmFlag, ValueType::Flag, "", 0, Page::None},
    {kItemUnitTotalFlow, kItemUnitTubeSkin, ValueType::Byte, "", 0, Page::None},
    {kItemDecimalsFlow, kItemDecimalsTubeSkin, ValueType::Byte, "", 0, Page::None},
    {502, 549, ValueType::UI4, "", 0, Page::None},
    {kItemLimitState, kItemLimitEnable, ValueType::UI4, "", 0, Page::None},
};

constexpr size_t kItemTotal =
    2 + 11 + 1 + 4 + 3 + 48 + 2 + kFamilyCount * kBranchCount + kLoopParamCount * kLoopCount;

constexpr uint16_t LayoutOffset(uint16_t item, uint8_t* width) {
    for (const LayoutRun& run : kLayout) {
        if (item >= run.firstItem && item <= run.lastItem) {
            *width = run.width;
            return static_cast<uint16_t>(run.offset + (item - run.firstItem) * run.width);
        }
    }
    *width = 0;
    return 0xFFFF;
}

constexpr void SetName(char* out, const char* prefix, int number) {
    size_t n = 0;
    while (prefix[n] && n < kItemNameCapacity - 1) {
        out[n] = prefix[n];
        ++n;
    }
    if (number >= 0) {
        char digits[8] = {};
        int d = 0;
        do {
            digits[d++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number > 0 && d < 7);
        while (d > 0 && n < kItemNameCapacity - 1)
            out[n++] = digits[--d];
    }
    out[n] = '\0';
}

constexpr ItemDef MakeItem(uint16_t item, ValueType type) {
    ItemDef def{};
    def.item = item;
    def.type = type;
    uint8_t width = 0;
    def.offset = LayoutOffset(item, &width);
    def.width = width;
    return def;
}

constexpr std::array<ItemDef, kItemTotal> BuildTable() {
    std::array<ItemDef, kItemTotal> table{};
    size_t n = 0;
    for (const SingleDef& s : kSingles) {
        for (uint16_t item = s.firstItem; item <= s.lastItem; ++item) {
            ItemDef def = MakeItem(item, s.type);
            SetName(def.name, s.name, -1);
            def.editId = s.editId;
            def.page = s.page;
            table[n++] = def;
        }
    }
    for (const FamilyDef& f : kFamilies) {
        for (int k = 1; k <= kBranchCount; ++k) {
            ItemDef def =
                MakeItem(static_cast<uint16_t>(f.firstItem + f.stride * (k - 1)), ValueType::Real);
            SetName(def.name, f.name, k);
            def.editId = f.editIds[k - 1];
            def.page = f.page;
            def.decimalsItem = f.decimalsItem;
            if (f.stateMeasure == kLimitState) {
                def.stateItem = kItemLimitState;
                def.stateMask = 1u << (3 * (k - 1) + static_cast<int>(f.stateMask));
            } else if (f.stateMeasure != kNoState) {
                def.stateItem = AlarmStateItem(static_cast<Measure>(f.stateMeasure), k);
                def.stateMask = f.stateMask;
            }
            table[n++] = def;
        }
    }
    for (const LoopParamDef& p : kLoopParams) {
        for (int j = 0; j < kLoopCount; ++j) {
            ItemDef def = MakeItem(p.cells[j].item, ValueType::Real);
            bool gain =
                p.param == LoopParam::K1 || p.param == LoopParam::K2 || p.param == LoopParam::K3;
            int gainNumber = static_cast<int>(p.param) - static_cast<int>(LoopParam::K1) + 1;
            SetName(def.name, p.name, gain ? kLoopSuffix[j] * 10 + gainNumber : kLoopSuffix[j]);
            def.editId = p.cells[j].editId;
            def.page = kLoopPage[j];
            table[n++] = def;
        }
    }
    std::sort(table.begin(), table.end(),
              [](const ItemDef& a, const ItemDef& b) { return a.item < b.item; });
    return table;
}

constexpr std::array<ItemDef, kItemTotal> kTable = BuildTable();

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

const ItemDef* Sized(uint16_t item, size_t width) {
    const ItemDef* def = FindItem(item);
    return def && def->width == width ? def : nullptr;
}

} // namespace

const ItemDef* Items() {
    return kTable.data();
}
size_t ItemCount() {
    return kTable.size();
}

const ItemDef* FindItem(uint16_t item) {
    auto it = std::lower_bound(kTable.begin(), kTable.end(), item,
                               [](const ItemDef& def, uint16_t value) { return def.item < value; });
    return it != kTable.end() && it->item == item ? &*it : nullptr;
}

const ItemDef* FindItemByEditId(uint16_t editId) {
    if (editId == 0)
        return nullptr;
    for (const ItemDef& def : kTable)
        if (def.editId == editId)
            return &def;
    return nullptr;
}

const ItemDef* FindItemByName(const char* name) {
    if (!name || !name[0])
        return nullptr;
    for (const ItemDef& def : kTable) {
        size_t i = 0;
        while (def.name[i] && name[i] && Upper(def.name[i]) == Upper(name[i]))
            ++i;
        if (def.name[0] && def.name[i] == '\0' && name[i] == '\0')
            return &def;
    }
    return nullptr;
}

uint16_t BranchItem(Family family, int k) {
    const FamilyDef& f = kFamilies[static_cast<int>(family)];
    return static_cast<uint16_t>(f.firstItem + f.stride * (k - 1));
}

uint16_t LoopItem(LoopParam param, int j) {
    return kLoopParams[static_cast<int>(param)].cells[j].item;
}

float ReadReal(const void* block, uint16_t item) {
    float value = 0.0f;
    if (const ItemDef* def = Sized(item, sizeof value))
        memcpy(&value, static_cast<const uint8_t*>(block) + def->offset, sizeof value);
    return value;
}

void WriteReal(void* block, uint16_t item, float value) {
    if (const ItemDef* def = Sized(item, sizeof value))
        memcpy(static_cast<uint8_t*>(block) + def->offset, &value, sizeof value);
}

uint32_t ReadUInt(const void* block, uint16_t item) {
    const ItemDef* def = FindItem(item);
    if (!def || def->type == ValueType::Real)
        return 0;
    const uint8_t* p = static_cast<const uint8_t*>(block) + def->offset;
    if (def->width == 1)
        return *p;
    uint32_t value = 0;
    memcpy(&value, p, sizeof value);
    return value;
}

void WriteUInt(void* block, uint16_t item, uint32_t value) {
    const ItemDef* def = FindItem(item);
    if (!def || def->type == ValueType::Real)
        return;
    uint8_t* p = static_cast<uint8_t*>(block) + def->offset;
    if (def->width == 1)
        *p = static_cast<uint8_t>(value);
    else
        memcpy(p, &value, sizeof value);
}

} // namespace b8
