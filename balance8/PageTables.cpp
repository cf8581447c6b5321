#include "PageTables.h"

#include "Balance8Ids.h"

#include <algorithm>
#include <array>

namespace b8ui {
namespace {

using b8::kAlarmH;
using b8::kAlarmHH;
using b8::kAlarmL;
using b8::kAlarmLL;
using b8::kAlarmRate;
using b8::kItemAlarmInhibit;
using b8::kItemControlMethod;
using b8::kItemOutOfService;
using b8::Measure;
using b8::Page;

constexpr Page kFirst = Page::FirstSetup;
constexpr Page kMulti = Page::MultyBalanceSetup;
constexpr Page kTwo = Page::TwoTPBalanceSetup;
constexpr Page kSVL = Page::SVLimtSetup;
constexpr Page kPV = Page::PVAlarmSetup;
constexpr Page kTA = Page::TAlarmSetup1;
constexpr Page kTCSA = Page::TCSAlarmSetup1;
constexpr Page kRate = Page::SpeedAlarmSetup;
constexpr Page kKTL = Page::KTLSetup;
constexpr Measure kFlow = Measure::Flow;
constexpr Measure kTemp = Measure::Temp;
constexpr Measure kTube = Measure::TubeSkin;

constexpr uint16_t kTotal = b8::kItemUnitTotalFlow;
constexpr uint16_t kBranchFlow = b8::kItemUnitBranchFlow;
constexpr uint16_t kBranchTemp = b8::kItemUnitBranchTemp;
constexpr uint16_t kTubeSkin = b8::kItemUnitTubeSkin;
constexpr CaptionKind kGroup = CaptionKind::GroupBox;
constexpr CaptionKind kLabel = CaptionKind::UnitLabel;

// clang-format off
constexpr PageDef kPages[b8::kPageCount] = {
    {kFirst, IDD_PAGE_FIRST,        "FP_ACCUM_STR000135"},
    {kTwo,   IDD_PAGE_TWOTPBALANCE, "FP_BALANCE8_STR000533"},
    {kMulti, IDD_PAGE_MULTYBALANCE, "FP_BALANCE8_STR000534"},
    {kSVL,   IDD_PAGE_SVLIMIT,      "FP_BALANCE8_STR000535"},
    {kPV,    IDD_PAGE_PVALARM,      "FP_BALANCE8_STR000536"},
    {kTA,    IDD_PAGE_TALARM,       "FP_BALANCE8_STR000537"},
    {kTCSA,  IDD_PAGE_TCSALARM,     "FP_BALANCE8_STR000538"},
    {kRate,  IDD_PAGE_SPEEDALARM,   "FP_BALANCE8_STR000539"},
    {kKTL,   IDD_PAGE_KTL,          "FP_BALANCE8_STR000540"},
};

// control id, page, measurement, branch, bit
constexpr AlarmCheck kAlarmChecks[] = {
    // Branch flow alarm page: kind 0
    {IDC_PVA_HH1, kPV, kFlow, 1, kAlarmHH},
    {IDC_PVA_HH2, kPV, kFlow, 2, kAlarmHH},
    {IDC_PVA_HH3, kPV, kFlow, 3, kAlarmHH},
    {IDC_PVA_HH4, kPV, kFlow, 4, kAlarmHH},
    {IDC_PVA_HH5, kPV, kFlow, 5, kAlarmHH},
    {IDC_PVA_HH6, kPV, kFlow, 6, kAlarmHH},
    {IDC_PVA_HH7, kPV, kFlow, 7, kAlarmHH},
    {IDC_PVA_HH8, kPV, kFlow, 8, kAlarmHH},
    {IDC_PVA_H1, kPV, kFlow, 1, kAlarmH},
    {IDC_PVA_H2, kPV, kFlow, 2, kAlarmH},
    {IDC_PVA_H3, kPV, kFlow, 3, kAlarmH},
    {IDC_PVA_H4, kPV, kFlow, 4, kAlarmH},
    {IDC_PVA_H5, kPV, kFlow, 5, kAlarmH},
    {IDC_PVA_H6, kPV, kFlow, 6, kAlarmH},
    {IDC_PVA_H7, kPV, kFlow, 7, kAlarmH},
    {IDC_PVA_H8, kPV, kFlow, 8, kAlarmH},
    {IDC_PVA_L1, kPV, kFlow, 1, kAlarmL},
    {IDC_PVA_L2, kPV, kFlow, 2, kAlarmL},
    {IDC_PVA_L3, kPV, kFlow, 3, kAlarmL},
    {IDC_PVA_L4, kPV, kFlow, 4, kAlarmL},
    {IDC_PVA_L5, kPV, kFlow, 5, kAlarmL},
    {IDC_PVA_L6, kPV, kFlow, 6, kAlarmL},
    {IDC_PVA_L7, kPV, kFlow, 7, kAlarmL},
    {IDC_PVA_L8, kPV, kFlow, 8, kAlarmL},
    {IDC_PVA_LL1, kPV, kFlow, 1, kAlarmLL},
    {IDC_PVA_LL2, kPV, kFlow, 2, kAlarmLL},
    {IDC_PVA_LL3, kPV, kFlow, 3, kAlarmLL},
    {IDC_PVA_LL4, kPV, kFlow, 4, kAlarmLL},
    {IDC_PVA_LL5, kPV, kFlow, 5, kAlarmLL},
    {IDC_PVA_LL6, kPV, kFlow, 6, kAlarmLL},
    {IDC_PVA_LL7, kPV, kFlow, 7, kAlarmLL},
    {IDC_PVA_LL8, kPV, kFlow, 8, kAlarmLL},
    // Branch temperature alarm page: kind 2
    {IDC_TA_HH1, kTA, kTemp, 1, kAlarmHH},
    {IDC_TA_HH2, kTA, kTemp, 2, kAlarmHH},
    {IDC_TA_HH3, kTA, kTemp, 3, kAlarmHH},
    {IDC_TA_HH4, kTA, kTemp, 4, kAlarmHH},
    {IDC_TA_HH5, kTA, kTemp, 5, kAlarmHH},
    {IDC_TA_HH6, kTA, kTemp, 6, kAlarmHH},
    {IDC_TA_HH7, kTA, kTemp, 7, kAlarmHH},
    {IDC_TA_HH8, kTA, kTemp, 8, kAlarmHH},
    {IDC_TA_H1, kTA, kTemp, 1, kAlarmH},
    {IDC_TA_H2, kTA, kTemp, 2, kAlarmH},
    {IDC_TA_H3, kTA, kTemp, 3, kAlarmH},
    {IDC_TA_H4, kTA, kTemp, 4, kAlarmH},
    {IDC_TA_H5, kTA, kTemp, 5, kAlarmH},
    {IDC_TA_H6, kTA, kTemp, 6, kAlarmH},
    {IDC_TA_H7, kTA, kTemp, 7, kAlarmH},
    {IDC_TA_H8, kTA, kTemp, 8, kAlarmH},
    {IDC_TA_L1, kTA, kTemp, 1, kAlarmL},
    {IDC_TA_L2, kTA, kTemp, 2, kAlarmL},
    {IDC_TA_L3, kTA, kTemp, 3, kAlarmL},
    {IDC_TA_L4, kTA, kTemp, 4, kAlarmL},
    {IDC_TA_L5, kTA, kTemp, 5, kAlarmL},
    {IDC_TA_L6, kTA, kTemp, 6, kAlarmL},
    {IDC_TA_L7, kTA, kTemp, 7, kAlarmL},
    {IDC_TA_L8, kTA, kTemp, 8, kAlarmL},
    {IDC_TA_LL1, kTA, kTemp, 1, kAlarmLL},
    {IDC_TA_LL2, kTA, kTemp, 2, kAlarmLL},
    {IDC_TA_LL3, kTA, kTemp, 3, kAlarmLL},
    {IDC_TA_LL4, kTA, kTemp, 4, kAlarmLL},
    {IDC_TA_LL5, kTA, kTemp, 5, kAlarmLL},
    {IDC_TA_LL6, kTA, kTemp, 6, kAlarmLL},
    {IDC_TA_LL7, kTA, kTemp, 7, kAlarmLL},
    {IDC_TA_LL8, kTA, kTemp, 8, kAlarmLL},
    // Tube-skin temperature alarm page: kind 3
    {IDC_TCSA_HH1, kTCSA, kTube, 1, kAlarmHH},
    {IDC_TCSA_HH2, kTCSA, kTube, 2, kAlarmHH},
    {IDC_TCSA_HH3, kTCSA, kTube, 3, kAlarmHH},
    {IDC_TCSA_HH4, kTCSA, kTube, 4, kAlarmHH},
    {IDC_TCSA_HH5, kTCSA, kTube, 5, kAlarmHH},
    {IDC_TCSA_HH6, kTCSA, kTube, 6, kAlarmHH},
    {IDC_TCSA_HH7, kTCSA, kTube, 7, kAlarmHH},
    {IDC_TCSA_HH8, kTCSA, kTube, 8, kAlarmHH},
    {IDC_TCSA_H1, kTCSA, kTube, 1, kAlarmH},
    {IDC_TCSA_H2, kTCSA, kTube, 2, kAlarmH},
    {IDC_TCSA_H3, kTCSA, kTube, 3, kAlarmH},
    {IDC_TCSA_H4, kTCSA, kTube, 4, kAlarmH},
    {IDC_TCSA_H5, kTCSA, kTube, 5, kAlarmH},
    {IDC_TCSA_H6, kTCSA, kTube, 6, kAlarmH},
    {IDC_TCSA_H7, kTCSA, kTube, 7, kAlarmH},
    {IDC_TCSA_H8, kTCSA, kTube, 8, kAlarmH},
    {IDC_TCSA_L1, kTCSA, kTube, 1, kAlarmL},
    {IDC_TCSA_L2, kTCSA, kTube, 2, kAlarmL},
    {IDC_TCSA_L3, kTCSA, kTube, 3, kAlarmL},
    {IDC_TCSA_L4, kTCSA, kTube, 4, kAlarmL},
    {IDC_TCSA_L5, kTCSA, kTube, 5, kAlarmL},
    {IDC_TCSA_L6, kTCSA, kTube, 6, kAlarmL},
    {IDC_TCSA_L7, kTCSA, kTube, 7, kAlarmL},
    {IDC_TCSA_L8, kTCSA, kTube, 8, kAlarmL},
    {IDC_TCSA_LL1, kTCSA, kTube, 1, kAlarmLL},
    {IDC_TCSA_LL2, kTCSA, kTube, 2, kAlarmLL},
    {IDC_TCSA_LL3, kTCSA, kTube, 3, kAlarmLL},
    {IDC_TCSA_LL4, kTCSA, kTube, 4, kAlarmLL},
    {IDC_TCSA_LL5, kTCSA, kTube, 5, kAlarmLL},
    {IDC_TCSA_LL6, kTCSA, kTube, 6, kAlarmLL},
    {IDC_TCSA_LL7, kTCSA, kTube, 7, kAlarmLL},
    {IDC_TCSA_LL8, kTCSA, kTube, 8, kAlarmLL},
    // Rate alarm page: the rate bit of all three kinds
    {IDC_RATE_FLOW1, kRate, kFlow, 1, kAlarmRate},
    {IDC_RATE_FLOW2, kRate, kFlow, 2, kAlarmRate},
    {IDC_RATE_FLOW3, kRate, kFlow, 3, kAlarmRate},
    {IDC_RATE_FLOW4, kRate, kFlow, 4, kAlarmRate},
    {IDC_RATE_FLOW5, kRate, kFlow, 5, kAlarmRate},
    {IDC_RATE_FLOW6, kRate, kFlow, 6, kAlarmRate},
    {IDC_RATE_FLOW7, kRate, kFlow, 7, kAlarmRate},
    {IDC_RATE_FLOW8, kRate, kFlow, 8, kAlarmRate},
    {IDC_RATE_TEMP1, kRate, kTemp, 1, kAlarmRate},
    {IDC_RATE_TEMP2, kRate, kTemp, 2, kAlarmRate},
    {IDC_RATE_TEMP3, kRate, kTemp, 3, kAlarmRate},
    {IDC_RATE_TEMP4, kRate, kTemp, 4, kAlarmRate},
    {IDC_RATE_TEMP5, kRate, kTemp, 5, kAlarmRate},
    {IDC_RATE_TEMP6, kRate, kTemp, 6, kAlarmRate},
    {IDC_RATE_TEMP7, kRate, kTemp, 7, kAlarmRate},
    {IDC_RATE_TEMP8, kRate, kTemp, 8, kAlarmRate},
    {IDC_RATE_TCS1, kRate, kTube, 1, kAlarmRate},
    {IDC_RATE_TCS2, kRate, kTube, 2, kAlarmRate},
    {IDC_RATE_TCS3, kRate, kTube, 3, kAlarmRate},
    {IDC_RATE_TCS4, kRate, kTube, 4, kAlarmRate},
    {IDC_RATE_TCS5, kRate, kTube, 5, kAlarmRate},
    {IDC_RATE_TCS6, kRate, kTube, 6, kAlarmRate},
    {IDC_RATE_TCS7, kRate, kTube, 7, kAlarmRate},
    {IDC_RATE_TCS8, kRate, kTube, 8, kAlarmRate},
};

constexpr SwitchPrompts kAlarmPrompts[] = {
    {"FP_ACCUM_STR000269", "FP_ACCUM_STR000270"}, // HH   0x01
    {"FP_ACCUM_STR000271", "FP_ACCUM_STR000272"}, // H    0x02
    {"FP_ACCUM_STR000275", "FP_ACCUM_STR000276"}, // LL   0x04
    {"FP_ACCUM_STR000277", "FP_ACCUM_STR000278"}, // L    0x08
    {"FP_ACCUM_STR000392", "FP_ACCUM_STR000393"}, // rate 0x10
};

// control id, bit number in the limit enable word
constexpr LimitCheck kLimitChecks[] = {
    {IDC_SVL_HIGH1, 0}, {IDC_SVL_HIGH2, 3}, {IDC_SVL_HIGH3, 6}, {IDC_SVL_HIGH4, 9},
    {IDC_SVL_HIGH5, 12}, {IDC_SVL_HIGH6, 15}, {IDC_SVL_HIGH7, 18}, {IDC_SVL_HIGH8, 21},
    {IDC_SVL_LOW1, 1}, {IDC_SVL_LOW2, 4}, {IDC_SVL_LOW3, 7}, {IDC_SVL_LOW4, 10},
    {IDC_SVL_LOW5, 13}, {IDC_SVL_LOW6, 16}, {IDC_SVL_LOW7, 19}, {IDC_SVL_LOW8, 22},
    {IDC_SVL_RATE1, 2}, {IDC_SVL_RATE2, 5}, {IDC_SVL_RATE3, 8}, {IDC_SVL_RATE4, 11},
    {IDC_SVL_RATE5, 14}, {IDC_SVL_RATE6, 17}, {IDC_SVL_RATE7, 20}, {IDC_SVL_RATE8, 23},
};

constexpr LimitPrompts kLimitPrompts[3] = {
    {"FP_ACCUM_STR000315", "FP_ACCUM_STR000316", false}, // high limit
    {"FP_ACCUM_STR000317", "FP_ACCUM_STR000318", false}, // low limit
    {"FP_ACCUM_STR000473", "FP_ACCUM_STR000474", true},  // rate limit, "%d" = branch
};

// control id, page, unit item, kind
constexpr UnitCaption kUnitCaptions[] = {
    {IDC_GRP_FPASS,     kFirst, kBranchFlow, kGroup},
    {IDC_GRP_FPSET,     kFirst, kBranchFlow, kGroup},
    {IDC_GRP_TCS,       kFirst, kTubeSkin,   kGroup},
    {IDC_GRP_TPASS,     kFirst, kBranchTemp, kGroup},
    {IDC_UNIT_FTTL,     kFirst, kTotal,      kLabel},
    {IDC_UNIT_FTTLSET,  kFirst, kTotal,      kLabel},

    {IDC_UNIT_TMAXER8,  kMulti, kBranchTemp, kLabel},
    {IDC_UNIT_TERLMT8,  kMulti, kBranchTemp, kLabel},
    {IDC_UNIT_TMAXER42, kMulti, kBranchTemp, kLabel},
    {IDC_UNIT_TERLMT42, kMulti, kBranchTemp, kLabel},
    {IDC_UNIT_TMAXER41, kMulti, kBranchTemp, kLabel},
    {IDC_UNIT_TERLMT41, kMulti, kBranchTemp, kLabel},
    {IDC_UNIT_LLMT8,    kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_HLMT8,    kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_FMAXER8,  kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_FERLMT8,  kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_LLMT42,   kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_HLMT42,   kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_FMAXER42, kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_FERLMT42, kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_LLMT41,   kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_HLMT41,   kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_FMAXER41, kMulti, kBranchFlow, kLabel},
    {IDC_UNIT_FERLMT41, kMulti, kBranchFlow, kLabel},

    {IDC_PVA_GRP_HH,    kPV,    kBranchFlow, kGroup},
    {IDC_PVA_GRP_H,     kPV,    kBranchFlow, kGroup},
    {IDC_PVA_GRP_LL,    kPV,    kBranchFlow, kGroup},
    {IDC_PVA_GRP_L,     kPV,    kBranchFlow, kGroup},

    {IDC_RATE_GRP_TEMP, kRate,  kBranchTemp, kGroup},
    {IDC_RATE_GRP_TCS,  kRate,  kTubeSkin,   kGroup},
    {IDC_RATE_GRP_FLOW, kRate,  kBranchFlow, kGroup},

    {IDC_SVL_GRP_HIGH,  kSVL,   kBranchFlow, kGroup},
    {IDC_SVL_GRP_LOW,   kSVL,   kBranchFlow, kGroup},
    {IDC_SVL_GRP_RATE,  kSVL,   kBranchFlow, kGroup},

    {IDC_TA_GRP_HH,     kTA,    kBranchTemp, kGroup},
    {IDC_TA_GRP_H,      kTA,    kBranchTemp, kGroup},
    {IDC_TA_GRP_L,      kTA,    kBranchTemp, kGroup},
    {IDC_TA_GRP_LL,     kTA,    kBranchTemp, kGroup},

    {IDC_TCSA_GRP_HH,   kTCSA,  kTubeSkin,   kGroup},
    {IDC_TCSA_GRP_H,    kTCSA,  kTubeSkin,   kGroup},
    {IDC_TCSA_GRP_L,    kTCSA,  kTubeSkin,   kGroup},
    {IDC_TCSA_GRP_LL,   kTCSA,  kTubeSkin,   kGroup},

    {IDC_UNIT_TMAXER24, kTwo,   kBranchTemp, kLabel},
    {IDC_UNIT_TERLMT24, kTwo,   kBranchTemp, kLabel},
    {IDC_UNIT_TMAXER23, kTwo,   kBranchTemp, kLabel},
    {IDC_UNIT_TERLMT23, kTwo,   kBranchTemp, kLabel},
    {IDC_UNIT_TMAXER22, kTwo,   kBranchTemp, kLabel},
    {IDC_UNIT_TERLMT22, kTwo,   kBranchTemp, kLabel},
    {IDC_UNIT_TMAXER21, kTwo,   kBranchTemp, kLabel},
    {IDC_UNIT_TERLMT21, kTwo,   kBranchTemp, kLabel},
    {IDC_UNIT_LLMT24,   kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_HLMT24,   kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_FMAXER24, kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_FERLMT24, kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_LLMT23,   kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_HLMT23,   kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_FMAXER23, kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_FERLMT23, kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_LLMT22,   kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_HLMT22,   kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_FMAXER22, kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_FERLMT22, kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_LLMT21,   kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_HLMT21,   kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_FMAXER21, kTwo,   kBranchFlow, kLabel},
    {IDC_UNIT_FERLMT21, kTwo,   kBranchFlow, kLabel},
};

// control id, page, item, prompt on, prompt off
constexpr PageSwitch kPageSwitches[] = {
    {IDC_OUT_OF_SERVICE, kFirst, kItemOutOfService,  "FP_ACCUM_STR000178", "FP_ACCUM_STR000179"},
    {IDC_ALARM_INHIBIT,  kFirst, kItemAlarmInhibit,  "FP_ACCUM_STR000356", "FP_ACCUM_STR000357"},
    {IDC_CONTROL_METHOD, kKTL,   kItemControlMethod, "FP_ACCUM_STR000475", "FP_ACCUM_STR000476"},
};
// clang-format on

// ---- Consistency of the rows, checked by the compiler ----

constexpr int AlarmBitIndex(uint32_t bit) {
    for (int i = 0; i < 5; ++i)
        if (bit == (1u << i))
            return i;
    return -1;
}

// Every (measurement, branch, bit) has exactly one box, the HH/H/LL/L boxes on the alarm page
// of their measurement and the rate boxes on the rate page.
constexpr bool AlarmChecksComplete() {
    constexpr Page kAlarmPage[3] = {kPV, kTA, kTCSA};
    bool seen[3][b8::kBranchCount][5] = {};
    for (const AlarmCheck& c : kAlarmChecks) {
        int m = static_cast<int>(c.measure);
        int b = AlarmBitIndex(c.bit);
        if (m < 0 || m > 2 || b < 0 || c.branch < 1 || c.branch > b8::kBranchCount)
            return false;
        Page expected = c.bit == kAlarmRate ? kRate : kAlarmPage[m];
        if (c.page != expected || seen[m][c.branch - 1][b])
            return false;
        seen[m][c.branch - 1][b] = true;
    }
    return std::size(kAlarmChecks) == 3 * b8::kBranchCount * 5;
}
static_assert(AlarmChecksComplete());

constexpr bool LimitChecksComplete() {
    uint32_t bits = 0;
    for (const LimitCheck& c : kLimitChecks) {
        if (c.bit >= 24 || (bits & (1u << c.bit)))
            return false;
        bits |= 1u << c.bit;
    }
    return bits == b8::kLimitBits;
}
static_assert(LimitChecksComplete());

// Within a page, no id names two controls of these tables.
template <typename Row> constexpr Page PageOf(const Row& row) {
    return row.page;
}
constexpr Page PageOf(const LimitCheck&) {
    return kLimitCheckPage;
}
template <typename Rows> constexpr int CountOn(const Rows& rows, Page page, int id) {
    int n = 0;
    for (const auto& row : rows)
        if (PageOf(row) == page && row.controlId == id)
            ++n;
    return n;
}
constexpr int CountAll(Page page, int id) {
    return CountOn(kAlarmChecks, page, id) + CountOn(kLimitChecks, page, id) +
           CountOn(kUnitCaptions, page, id) + CountOn(kPageSwitches, page, id);
}
template <typename Rows> constexpr bool UniqueOnPage(const Rows& rows) {
    for (const auto& row : rows)
        if (CountAll(PageOf(row), row.controlId) != 1)
            return false;
    return true;
}
static_assert(UniqueOnPage(kAlarmChecks) && UniqueOnPage(kLimitChecks) &&
              UniqueOnPage(kUnitCaptions) && UniqueOnPage(kPageSwitches));

constexpr bool PagesInTabOrder() {
    for (int i = 0; i < b8::kPageCount; ++i)
        if (static_cast<int>(kPages[i].page) != i + 1)
            return false;
    return true;
}
static_assert(PagesInTabOrder());

} // namespace

std::span<const PageDef> Pages() {
    return kPages;
}

int PageTemplate(Page page) {
    for (const PageDef& def : kPages)
        if (def.page == page)
            return def.templateId;
    return 0;
}

std::span<const AlarmCheck> AlarmChecks() {
    return kAlarmChecks;
}

const AlarmCheck* FindAlarmCheck(Page page, int controlId) {
    for (const AlarmCheck& c : kAlarmChecks)
        if (c.page == page && c.controlId == controlId)
            return &c;
    return nullptr;
}

const SwitchPrompts* AlarmPrompts(uint32_t bit) {
    int index = AlarmBitIndex(bit);
    return index < 0 ? nullptr : &kAlarmPrompts[index];
}

std::span<const LimitCheck> LimitChecks() {
    return kLimitChecks;
}

const LimitCheck* FindLimitCheck(int controlId) {
    for (const LimitCheck& c : kLimitChecks)
        if (c.controlId == controlId)
            return &c;
    return nullptr;
}

const LimitPrompts& LimitPromptsOf(uint8_t bit) {
    return kLimitPrompts[bit % 3];
}

std::span<const UnitCaption> UnitCaptions() {
    return kUnitCaptions;
}

std::span<const PageSwitch> PageSwitches() {
    return kPageSwitches;
}

const PageSwitch* FindPageSwitch(Page page, int controlId) {
    for (const PageSwitch& s : kPageSwitches)
        if (s.page == page && s.controlId == controlId)
            return &s;
    return nullptr;
}

} // namespace b8ui
