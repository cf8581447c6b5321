#include "BlockTable.h"

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
     {12463, 12464, 12465, 12466, 12215, 12216, 12217, 12468},
     Page::FirstSetup,
     423,
     kNoState,
     0},
    {Family::TPASS,
     "TPASS",
     11,
     1,
     {12484, 12486, 12488, 12490, 12492, 12494, 12496, 12234},
     Page::FirstSetup,
     424,
     kNoState,
     0},
    {Family::TCS,
     "TCS",
     19,
     1,
     {12235, 12236, 12237, 12238, 12239, 12240, 12241, 12242},
     Page::FirstSetup,
     425,
     kNoState,
     0},
    {Family::FPSET,
     "FPSET",
     60,
     1,
     {12469, 12500, 12472, 12474, 12476, 12478, 12480, 12482},
     Page::FirstSetup,
     423,
     kNoState,
     0},
    {Family::FPHH,
     "FPHH",
     116,
     6,
     {12323, 12324, 12325, 12326, 12327, 12328, 12329, 12330},
     Page::PVAlarmSetup,
     423,
     kFlowState,
     kAlarmHH},
    {Family::FPH,
     "FPH",
     117,
     6,
     {12331, 12332, 12333, 12334, 12335, 12336, 12337, 12338},
     Page::PVAlarmSetup,
     423,
     kFlowState,
     kAlarmH},
    {Family::FPL,
     "FPL",
     118,
     6,
     {12339, 12340, 12341, 12342, 12343, 12344, 12345, 12346},
     Page::PVAlarmSetup,
     423,
     kFlowState,
     kAlarmL},
    {Family::FPLL,
     "FPLL",
     119,
     6,
     {12347, 12348, 12349, 12350, 12351, 12352, 12353, 12354},
     Page::PVAlarmSetup,
     423,
     kFlowState,
     kAlarmLL},
    {Family::FPHYS,
     "FPHYS",
     120,
     6,
     {12355, 12356, 12357, 12358, 12359, 12360, 12361, 12362},
     Page::PVAlarmSetup,
     423,
     kNoState,
     0},
    {Family::FPVL,
     "FPVL",
     121,
     6,
     {12363, 12364, 12365, 12366, 12367, 12368, 12369, 12370},
     Page::SpeedAlarmSetup,
     423,
     kFlowState,
     kAlarmRate},
    {Family::TPHH,
     "TPHH",
     164,
     6,
     {12404, 12405, 12406, 12407, 12408, 12409, 12410, 12411},
     Page::TAlarmSetup1,
     424,
     kTempState,
     kAlarmHH},
    {Family::TPH,
     "TPH",
     165,
     6,
     {12412, 12413, 12414, 12415, 12416, 12417, 12418, 12419},
     Page::TAlarmSetup1,
     424,
     kTempState,
     kAlarmH},
    {Family::TPL,
     "TPL",
     166,
     6,
     {12420, 12421, 12422, 12423, 12424, 12425, 12426, 12427},
     Page::TAlarmSetup1,
     424,
     kTempState,
     kAlarmL},
    {Family::TPLL,
     "TPLL",
     167,
     6,
     {12428, 12429, 12430, 12431, 12432, 12433, 12434, 12435},
     Page::TAlarmSetup1,
     424,
     kTempState,
     kAlarmLL},
    {Family::TPHYS,
     "TPHYS",
     168,
     6,
     {12436, 12437, 12438, 12439, 12440, 12441, 12442, 12443},
     Page::TAlarmSetup1,
     424,
     kNoState,
     0},
    {Family::TPVL,
     "TPVL",
     169,
     6,
     {12372, 12373, 12374, 12375, 12376, 12377, 12378, 12379},
     Page::SpeedAlarmSetup,
     424,
     kTempState,
     kAlarmRate},
    {Family::TCSHH,
     "TCSHH",
     212,
     6,
     {12445, 12446, 12447, 12448, 12449, 12450, 12451, 12452},
     Page::TCSAlarmSetup1,
     425,
     kTcsState,
     kAlarmHH},
    {Family::TCSH,
     "TCSH",
     213,
     6,
     {12453, 12454, 12455, 12456, 12457, 12458, 12459, 12461},
     Page::TCSAlarmSetup1,
     425,
     kTcsState,
     kAlarmH},
    {Family::TCSL,
     "TCSL",
     214,
     6,
     {12218, 12470, 12471, 12473, 12475, 12477, 12479, 12481},
     Page::TCSAlarmSetup1,
     425,
     kTcsState,
     kAlarmL},
    {Family::TCSLL,
     "TCSLL",
     215,
     6,
     {12483, 12485, 12487, 12489, 12491, 12493, 12495, 12497},
     Page::TCSAlarmSetup1,
     425,
     kTcsState,
     kAlarmLL},
    {Family::TCSHYS,
     "TCSHYS",
     216,
     6,
     {12462, 12196, 12197, 12198, 12199, 12200, 12201, 12501},
     Page::TCSAlarmSetup1,
     425,
     kNoState,
     0},
    {Family::TCSVL,
     "TCSVL",
     217,
     6,
     {12203, 12204, 12205, 12206, 12207, 12208, 12209, 12210},
     Page::SpeedAlarmSetup,
     425,
     kTcsState,
     kAlarmRate},
    {Family::FPSETH,
     "FPSETH",
     260,
     3,
     {12380, 12381, 12382, 12383, 12384, 12385, 12386, 12387},
     Page::SVLimtSetup,
     423,
     kLimitState,
     0},
    {Family::FPSETL,
     "FPSETL",
     261,
     3,
     {12388, 12389, 12390, 12391, 12392, 12393, 12394, 12395},
     Page::SVLimtSetup,
     423,
     kLimitState,
     1},
    {Family::FPSETVL,
     "FPSETVL",
     262,
     3,
     {12396, 12397, 12398, 12399, 12400, 12401, 12402, 12403},
     Page::SVLimtSetup,
     423,
     kLimitState,
     2},
    {Family::KPM,
     "KPM",
     333,
     3,
     {12243, 12244, 12245, 12246, 12247, 12248, 12249, 12250},
     Page::KTLSetup,
     0,
     kNoState,
     0},
    {Family::TPM,
     "TPM",
     334,
     3,
     {12251, 12252, 12253, 12254, 12255, 12256, 12257, 12258},
     Page::KTLSetup,
     0,
     kNoState,
     0},
    {Family::LPM,
     "LPM",
     335,
     3,
     {12259, 12260, 12261, 12262, 12263, 12264, 12265, 12266},
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
     {{80, 12269}, {82, 12285}, {84, 12322}, {86, 12291}, {88, 12296}, {90, 12309}, {92, 12321}}},
    {LoopParam::TMAXER,
     "TMAXER",
     {{81, 12270}, {83, 12287}, {85, 12307}, {87, 12293}, {89, 12298}, {91, 12308}, {93, 12319}}},
    {LoopParam::FERLMT,
     "FERLMT",
     {{305, 12267},
      {307, 12284},
      {309, 12310},
      {311, 12290},
      {313, 12202},
      {315, 12182},
      {317, 12460}}},
    {LoopParam::TERLMT,
     "TERLMT",
     {{306, 12268},
      {308, 12286},
      {310, 12311},
      {312, 12292},
      {314, 12297},
      {316, 12312},
      {318, 12320}}},
    {LoopParam::HLMT,
     "HLMT",
     {{319, 12271},
      {321, 12288},
      {323, 12313},
      {325, 12294},
      {327, 12299},
      {329, 12314},
      {331, 12318}}},
    {LoopParam::LLMT,
     "LLMT",
     {{320, 12272},
      {322, 12289},
      {324, 12315},
      {326, 12295},
      {328, 12300},
      {330, 12316},
      {332, 12317}}},
    {LoopParam::K1,
     "K",
     {{284, 12273},
      {287, 12276},
      {290, 12301},
      {293, 12279},
      {296, 12282},
      {299, 12303},
      {302, 12305}}},
    {LoopParam::K2,
     "K",
     {{285, 12274},
      {288, 12277},
      {291, 12302},
      {294, 12280},
      {297, 12283},
      {300, 12304},
      {303, 12306}}},
    {LoopParam::K3,
     "K",
     {{286, 12275},
      {289, 12278},
      {292, 12211},
      {295, 12281},
      {298, 12214},
      {301, 12212},
      {304, 12213}}},
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
    {kItemFTTL, kItemFTTL, ValueType::Real, "FTTL", 12176, Page::FirstSetup},
    {kItemFTTLSET, kItemFTTLSET, ValueType::Real, "FTTLSET", 12444, Page::FirstSetup},
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
