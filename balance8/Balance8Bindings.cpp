#include "Balance8Bindings.h"

#include "Balance8Ids.h"
#include "FPConstants.h"

#include <iterator>
#include <vector>

namespace b8ui {
namespace {

using b8::kAlarmH;
using b8::kAlarmHH;
using b8::kAlarmL;
using b8::kAlarmLL;
using b8::kAlarmRate;
using b8::Measure;
using b8::Page;
using fp::BindKind;
using fp::Binding;

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

constexpr int kMain = 0;

// ---- Prompt keys of the confirmations ----
struct Prompts {
    const char* on;
    const char* off;
};
// An alarm enable box, by its bit: on = the box is now checked.
constexpr Prompts kAlarmPrompts[] = {
    {"FP_ACCUM_STR000269", "FP_ACCUM_STR000270"}, // HH   0x01
    {"FP_ACCUM_STR000271", "FP_ACCUM_STR000272"}, // H    0x02
    {"FP_ACCUM_STR000275", "FP_ACCUM_STR000276"}, // LL   0x04
    {"FP_ACCUM_STR000277", "FP_ACCUM_STR000278"}, // L    0x08
    {"FP_ACCUM_STR000392", "FP_ACCUM_STR000393"}, // rate 0x10
};
// A limit enable box, by bit number modulo 3. The rate-limit texts are formats with one
// integer placeholder, filled with the branch number.
constexpr Prompts kLimitPrompts[3] = {
    {"FP_ACCUM_STR000315", "FP_ACCUM_STR000316"}, // high limit
    {"FP_ACCUM_STR000317", "FP_ACCUM_STR000318"}, // low limit
    {"FP_ACCUM_STR000473", "FP_ACCUM_STR000474"}, // rate limit, "%d" = branch
};
constexpr int kRateLimit = 2;

constexpr int AlarmBitIndex(uint32_t bit) {
    for (int i = 0; i < 5; ++i)
        if (bit == (1u << i))
            return i;
    return -1;
}

// ---- Row makers, one per kind of control ----
constexpr Binding Selector(int id, uint16_t item, bool state, const char* prompt, UINT icon) {
    return {kMain, id, BindKind::Selector, item, 0, 0, state ? 1u : 0u, 0, 0, prompt, nullptr, 0,
            nullptr, icon, 0};
}
constexpr Binding Status(int id, uint16_t flagItem) {
    return {kMain, id, BindKind::Status, flagItem, 0, 0, 0, 0, 0, nullptr, nullptr, 0, nullptr, 0, 0};
}
constexpr Binding Toggle(int window, int id, uint16_t item, const char* on, const char* off,
                         UINT icon = 0, UINT iconOff = 0) {
    return {window, id, BindKind::Toggle, item, 0, 0, 0, 0, 0, on, off, 0, nullptr, icon, iconOff};
}
constexpr Binding Latched(Page page, int id, uint16_t item, const char* on, const char* off) {
    return {WindowOf(page), id, BindKind::Latched, item, 0, 0, 0, 0, 0, on, off, 0, nullptr, 0, 0};
}
// The box of (measure, branch, bit) stands for that bit of the word AlarmEnableItem(measure,
// branch), a 16-bit action.
constexpr Binding AlarmBox(int id, Page page, Measure m, int branch, uint32_t bit) {
    const Prompts& p = kAlarmPrompts[AlarmBitIndex(bit)];
    return {WindowOf(page), id, BindKind::WordBit, b8::AlarmEnableItem(m, branch), 0, 0, bit,
            b8::kAlarmBits, sizeof(uint16_t), p.on, p.off, 0, nullptr, 0, 0};
}
// Bit `bitNumber` of the limit enable word, a 32-bit action.
constexpr Binding LimitBox(int id, int bitNumber) {
    const Prompts& p = kLimitPrompts[bitNumber % 3];
    return {WindowOf(kSVL), id, BindKind::WordBit, b8::kItemLimitEnable, 0, 0, 1u << bitNumber,
            b8::kLimitBits, sizeof(uint32_t), p.on, p.off,
            bitNumber % 3 == kRateLimit ? LimitBranch(bitNumber) : 0, nullptr, 0, 0};
}
constexpr Binding Caption(int id, Page page, uint16_t unitItem) {
    return {WindowOf(page), id, BindKind::UnitText, unitItem, 0, 0, 0, 0, 0, nullptr, nullptr, 0,
            nullptr, 0, 0};
}

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

// Loop j = 0..6 writes item b8::LoopSwitchItem(j); the loops are refreshed in the order
// 0, 6, 5, 2, 4, 3, 1. The prompts of two-branch balances 3 and 4 come before those of
// four-branch balance 1.
constexpr Binding Loop(int id, int j, const char* on, const char* off) {
    return Toggle(kMain, id, b8::LoopSwitchItem(j), on, off);
}

constexpr Binding kRows[] = {
    // Main dialog, in refresh order
    Selector(IDC_MODE_ON,  b8::kItemMode, true,  "FP_ACCUM_STR000391", IDI_MODE_ON),
    Selector(IDC_MODE_OFF, b8::kItemMode, false, "FP_ACCUM_STR000390", IDI_MODE_OFF),
    Status(IDC_FP_STATUS, b8::kItemAlarmFlag),
    Loop(IDC_LOOP_21, 0, "FP_ACCUM_STR000376", "FP_ACCUM_STR000383"),
    Loop(IDC_LOOP_8,  6, "FP_ACCUM_STR000382", "FP_ACCUM_STR000389"),
    Loop(IDC_LOOP_42, 5, "FP_ACCUM_STR000381", "FP_ACCUM_STR000388"),
    Loop(IDC_LOOP_41, 2, "FP_ACCUM_STR000380", "FP_ACCUM_STR000387"),
    Loop(IDC_LOOP_24, 4, "FP_ACCUM_STR000379", "FP_ACCUM_STR000386"),
    Loop(IDC_LOOP_23, 3, "FP_ACCUM_STR000378", "FP_ACCUM_STR000385"),
    Loop(IDC_LOOP_22, 1, "FP_ACCUM_STR000377", "FP_ACCUM_STR000384"),

    // Page switches
    Toggle(WindowOf(kFirst), IDC_OUT_OF_SERVICE, b8::kItemOutOfService,
           "FP_ACCUM_STR000178", "FP_ACCUM_STR000179", IDI_OOS, IDI_OOS_GREY),
    Toggle(WindowOf(kFirst), IDC_ALARM_INHIBIT, b8::kItemAlarmInhibit,
           "FP_ACCUM_STR000356", "FP_ACCUM_STR000357", IDI_ALARM_INHIBIT),
    // The control-method button shows its state latched.
    Latched(kKTL, IDC_CONTROL_METHOD, b8::kItemControlMethod,
            "FP_ACCUM_STR000475", "FP_ACCUM_STR000476"),

    // Alarm enable boxes: control id, page, measurement, branch, bit
    // Branch flow alarm page: kind 0
    AlarmBox(IDC_PVA_HH1, kPV, kFlow, 1, kAlarmHH),
    AlarmBox(IDC_PVA_HH2, kPV, kFlow, 2, kAlarmHH),
    AlarmBox(IDC_PVA_HH3, kPV, kFlow, 3, kAlarmHH),
    AlarmBox(IDC_PVA_HH4, kPV, kFlow, 4, kAlarmHH),
    AlarmBox(IDC_PVA_HH5, kPV, kFlow, 5, kAlarmHH),
    AlarmBox(IDC_PVA_HH6, kPV, kFlow, 6, kAlarmHH),
    AlarmBox(IDC_PVA_HH7, kPV, kFlow, 7, kAlarmHH),
    AlarmBox(IDC_PVA_HH8, kPV, kFlow, 8, kAlarmHH),
    AlarmBox(IDC_PVA_H1, kPV, kFlow, 1, kAlarmH),
    AlarmBox(IDC_PVA_H2, kPV, kFlow, 2, kAlarmH),
    AlarmBox(IDC_PVA_H3, kPV, kFlow, 3, kAlarmH),
    AlarmBox(IDC_PVA_H4, kPV, kFlow, 4, kAlarmH),
    AlarmBox(IDC_PVA_H5, kPV, kFlow, 5, kAlarmH),
    AlarmBox(IDC_PVA_H6, kPV, kFlow, 6, kAlarmH),
    AlarmBox(IDC_PVA_H7, kPV, kFlow, 7, kAlarmH),
    AlarmBox(IDC_PVA_H8, kPV, kFlow, 8, kAlarmH),
    AlarmBox(IDC_PVA_L1, kPV, kFlow, 1, kAlarmL),
    AlarmBox(IDC_PVA_L2, kPV, kFlow, 2, kAlarmL),
    AlarmBox(IDC_PVA_L3, kPV, kFlow, 3, kAlarmL),
    AlarmBox(IDC_PVA_L4, kPV, kFlow, 4, kAlarmL),
    AlarmBox(IDC_PVA_L5, kPV, kFlow, 5, kAlarmL),
    AlarmBox(IDC_PVA_L6, kPV, kFlow, 6, kAlarmL),
    AlarmBox(IDC_PVA_L7, kPV, kFlow, 7, kAlarmL),
    AlarmBox(IDC_PVA_L8, kPV, kFlow, 8, kAlarmL),
    AlarmBox(IDC_PVA_LL1, kPV, kFlow, 1, kAlarmLL),
    AlarmBox(IDC_PVA_LL2, kPV, kFlow, 2, kAlarmLL),
    AlarmBox(IDC_PVA_LL3, kPV, kFlow, 3, kAlarmLL),
    AlarmBox(IDC_PVA_LL4, kPV, kFlow, 4, kAlarmLL),
    AlarmBox(IDC_PVA_LL5, kPV, kFlow, 5, kAlarmLL),
    AlarmBox(IDC_PVA_LL6, kPV, kFlow, 6, kAlarmLL),
    AlarmBox(IDC_PVA_LL7, kPV, kFlow, 7, kAlarmLL),
    AlarmBox(IDC_PVA_LL8, kPV, kFlow, 8, kAlarmLL),
    // Branch temperature alarm page: kind 2
    AlarmBox(IDC_TA_HH1, kTA, kTemp, 1, kAlarmHH),
    AlarmBox(IDC_TA_HH2, kTA, kTemp, 2, kAlarmHH),
    AlarmBox(IDC_TA_HH3, kTA, kTemp, 3, kAlarmHH),
    AlarmBox(IDC_TA_HH4, kTA, kTemp, 4, kAlarmHH),
    AlarmBox(IDC_TA_HH5, kTA, kTemp, 5, kAlarmHH),
    AlarmBox(IDC_TA_HH6, kTA, kTemp, 6, kAlarmHH),
    AlarmBox(IDC_TA_HH7, kTA, kTemp, 7, kAlarmHH),
    AlarmBox(IDC_TA_HH8, kTA, kTemp, 8, kAlarmHH),
    AlarmBox(IDC_TA_H1, kTA, kTemp, 1, kAlarmH),
    AlarmBox(IDC_TA_H2, kTA, kTemp, 2, kAlarmH),
    AlarmBox(IDC_TA_H3, kTA, kTemp, 3, kAlarmH),
    AlarmBox(IDC_TA_H4, kTA, kTemp, 4, kAlarmH),
    AlarmBox(IDC_TA_H5, kTA, kTemp, 5, kAlarmH),
    AlarmBox(IDC_TA_H6, kTA, kTemp, 6, kAlarmH),
    AlarmBox(IDC_TA_H7, kTA, kTemp, 7, kAlarmH),
    AlarmBox(IDC_TA_H8, kTA, kTemp, 8, kAlarmH),
    AlarmBox(IDC_TA_L1, kTA, kTemp, 1, kAlarmL),
    AlarmBox(IDC_TA_L2, kTA, kTemp, 2, kAlarmL),
    AlarmBox(IDC_TA_L3, kTA, kTemp, 3, kAlarmL),
    AlarmBox(IDC_TA_L4, kTA, kTemp, 4, kAlarmL),
    AlarmBox(IDC_TA_L5, kTA, kTemp, 5, kAlarmL),
    AlarmBox(IDC_TA_L6, kTA, kTemp, 6, kAlarmL),
    AlarmBox(IDC_TA_L7, kTA, kTemp, 7, kAlarmL),
    AlarmBox(IDC_TA_L8, kTA, kTemp, 8, kAlarmL),
    AlarmBox(IDC_TA_LL1, kTA, kTemp, 1, kAlarmLL),
    AlarmBox(IDC_TA_LL2, kTA, kTemp, 2, kAlarmLL),
    AlarmBox(IDC_TA_LL3, kTA, kTemp, 3, kAlarmLL),
    AlarmBox(IDC_TA_LL4, kTA, kTemp, 4, kAlarmLL),
    AlarmBox(IDC_TA_LL5, kTA, kTemp, 5, kAlarmLL),
    AlarmBox(IDC_TA_LL6, kTA, kTemp, 6, kAlarmLL),
    AlarmBox(IDC_TA_LL7, kTA, kTemp, 7, kAlarmLL),
    AlarmBox(IDC_TA_LL8, kTA, kTemp, 8, kAlarmLL),
    // Tube-skin temperature alarm page: kind 3
    AlarmBox(IDC_TCSA_HH1, kTCSA, kTube, 1, kAlarmHH),
    AlarmBox(IDC_TCSA_HH2, kTCSA, kTube, 2, kAlarmHH),
    AlarmBox(IDC_TCSA_HH3, kTCSA, kTube, 3, kAlarmHH),
    AlarmBox(IDC_TCSA_HH4, kTCSA, kTube, 4, kAlarmHH),
    AlarmBox(IDC_TCSA_HH5, kTCSA, kTube, 5, kAlarmHH),
    AlarmBox(IDC_TCSA_HH6, kTCSA, kTube, 6, kAlarmHH),
    AlarmBox(IDC_TCSA_HH7, kTCSA, kTube, 7, kAlarmHH),
    AlarmBox(IDC_TCSA_HH8, kTCSA, kTube, 8, kAlarmHH),
    AlarmBox(IDC_TCSA_H1, kTCSA, kTube, 1, kAlarmH),
    AlarmBox(IDC_TCSA_H2, kTCSA, kTube, 2, kAlarmH),
    AlarmBox(IDC_TCSA_H3, kTCSA, kTube, 3, kAlarmH),
    AlarmBox(IDC_TCSA_H4, kTCSA, kTube, 4, kAlarmH),
    AlarmBox(IDC_TCSA_H5, kTCSA, kTube, 5, kAlarmH),
    AlarmBox(IDC_TCSA_H6, kTCSA, kTube, 6, kAlarmH),
    AlarmBox(IDC_TCSA_H7, kTCSA, kTube, 7, kAlarmH),
    AlarmBox(IDC_TCSA_H8, kTCSA, kTube, 8, kAlarmH),
    AlarmBox(IDC_TCSA_L1, kTCSA, kTube, 1, kAlarmL),
    AlarmBox(IDC_TCSA_L2, kTCSA, kTube, 2, kAlarmL),
    AlarmBox(IDC_TCSA_L3, kTCSA, kTube, 3, kAlarmL),
    AlarmBox(IDC_TCSA_L4, kTCSA, kTube, 4, kAlarmL),
    AlarmBox(IDC_TCSA_L5, kTCSA, kTube, 5, kAlarmL),
    AlarmBox(IDC_TCSA_L6, kTCSA, kTube, 6, kAlarmL),
    AlarmBox(IDC_TCSA_L7, kTCSA, kTube, 7, kAlarmL),
    AlarmBox(IDC_TCSA_L8, kTCSA, kTube, 8, kAlarmL),
    AlarmBox(IDC_TCSA_LL1, kTCSA, kTube, 1, kAlarmLL),
    AlarmBox(IDC_TCSA_LL2, kTCSA, kTube, 2, kAlarmLL),
    AlarmBox(IDC_TCSA_LL3, kTCSA, kTube, 3, kAlarmLL),
    AlarmBox(IDC_TCSA_LL4, kTCSA, kTube, 4, kAlarmLL),
    AlarmBox(IDC_TCSA_LL5, kTCSA, kTube, 5, kAlarmLL),
    AlarmBox(IDC_TCSA_LL6, kTCSA, kTube, 6, kAlarmLL),
    AlarmBox(IDC_TCSA_LL7, kTCSA, kTube, 7, kAlarmLL),
    AlarmBox(IDC_TCSA_LL8, kTCSA, kTube, 8, kAlarmLL),
    // Rate alarm page: the rate bit of all three kinds
    AlarmBox(IDC_RATE_FLOW1, kRate, kFlow, 1, kAlarmRate),
    AlarmBox(IDC_RATE_FLOW2, kRate, kFlow, 2, kAlarmRate),
    AlarmBox(IDC_RATE_FLOW3, kRate, kFlow, 3, kAlarmRate),
    AlarmBox(IDC_RATE_FLOW4, kRate, kFlow, 4, kAlarmRate),
    AlarmBox(IDC_RATE_FLOW5, kRate, kFlow, 5, kAlarmRate),
    AlarmBox(IDC_RATE_FLOW6, kRate, kFlow, 6, kAlarmRate),
    AlarmBox(IDC_RATE_FLOW7, kRate, kFlow, 7, kAlarmRate),
    AlarmBox(IDC_RATE_FLOW8, kRate, kFlow, 8, kAlarmRate),
    AlarmBox(IDC_RATE_TEMP1, kRate, kTemp, 1, kAlarmRate),
    AlarmBox(IDC_RATE_TEMP2, kRate, kTemp, 2, kAlarmRate),
    AlarmBox(IDC_RATE_TEMP3, kRate, kTemp, 3, kAlarmRate),
    AlarmBox(IDC_RATE_TEMP4, kRate, kTemp, 4, kAlarmRate),
    AlarmBox(IDC_RATE_TEMP5, kRate, kTemp, 5, kAlarmRate),
    AlarmBox(IDC_RATE_TEMP6, kRate, kTemp, 6, kAlarmRate),
    AlarmBox(IDC_RATE_TEMP7, kRate, kTemp, 7, kAlarmRate),
    AlarmBox(IDC_RATE_TEMP8, kRate, kTemp, 8, kAlarmRate),
    AlarmBox(IDC_RATE_TCS1, kRate, kTube, 1, kAlarmRate),
    AlarmBox(IDC_RATE_TCS2, kRate, kTube, 2, kAlarmRate),
    AlarmBox(IDC_RATE_TCS3, kRate, kTube, 3, kAlarmRate),
    AlarmBox(IDC_RATE_TCS4, kRate, kTube, 4, kAlarmRate),
    AlarmBox(IDC_RATE_TCS5, kRate, kTube, 5, kAlarmRate),
    AlarmBox(IDC_RATE_TCS6, kRate, kTube, 6, kAlarmRate),
    AlarmBox(IDC_RATE_TCS7, kRate, kTube, 7, kAlarmRate),
    AlarmBox(IDC_RATE_TCS8, kRate, kTube, 8, kAlarmRate),

    // Limit enable boxes: control id, bit number of the limit enable word
    LimitBox(IDC_SVL_HIGH1, 0), LimitBox(IDC_SVL_HIGH2, 3), LimitBox(IDC_SVL_HIGH3, 6), LimitBox(IDC_SVL_HIGH4, 9),
    LimitBox(IDC_SVL_HIGH5, 12), LimitBox(IDC_SVL_HIGH6, 15), LimitBox(IDC_SVL_HIGH7, 18), LimitBox(IDC_SVL_HIGH8, 21),
    LimitBox(IDC_SVL_LOW1, 1), LimitBox(IDC_SVL_LOW2, 4), LimitBox(IDC_SVL_LOW3, 7), LimitBox(IDC_SVL_LOW4, 10),
    LimitBox(IDC_SVL_LOW5, 13), LimitBox(IDC_SVL_LOW6, 16), LimitBox(IDC_SVL_LOW7, 19), LimitBox(IDC_SVL_LOW8, 22),
    LimitBox(IDC_SVL_RATE1, 2), LimitBox(IDC_SVL_RATE2, 5), LimitBox(IDC_SVL_RATE3, 8), LimitBox(IDC_SVL_RATE4, 11),
    LimitBox(IDC_SVL_RATE5, 14), LimitBox(IDC_SVL_RATE6, 17), LimitBox(IDC_SVL_RATE7, 20), LimitBox(IDC_SVL_RATE8, 23),

    // Captions with a unit: control id, page, unit item
    Caption(IDC_GRP_FPASS, kFirst, kBranchFlow),
    Caption(IDC_GRP_FPSET, kFirst, kBranchFlow),
    Caption(IDC_GRP_TCS, kFirst, kTubeSkin),
    Caption(IDC_GRP_TPASS, kFirst, kBranchTemp),
    Caption(IDC_UNIT_FTTL, kFirst, kTotal),
    Caption(IDC_UNIT_FTTLSET, kFirst, kTotal),

    Caption(IDC_UNIT_TMAXER8, kMulti, kBranchTemp),
    Caption(IDC_UNIT_TERLMT8, kMulti, kBranchTemp),
    Caption(IDC_UNIT_TMAXER42, kMulti, kBranchTemp),
    Caption(IDC_UNIT_TERLMT42, kMulti, kBranchTemp),
    Caption(IDC_UNIT_TMAXER41, kMulti, kBranchTemp),
    Caption(IDC_UNIT_TERLMT41, kMulti, kBranchTemp),
    Caption(IDC_UNIT_LLMT8, kMulti, kBranchFlow),
    Caption(IDC_UNIT_HLMT8, kMulti, kBranchFlow),
    Caption(IDC_UNIT_FMAXER8, kMulti, kBranchFlow),
    Caption(IDC_UNIT_FERLMT8, kMulti, kBranchFlow),
    Caption(IDC_UNIT_LLMT42, kMulti, kBranchFlow),
    Caption(IDC_UNIT_HLMT42, kMulti, kBranchFlow),
    Caption(IDC_UNIT_FMAXER42, kMulti, kBranchFlow),
    Caption(IDC_UNIT_FERLMT42, kMulti, kBranchFlow),
    Caption(IDC_UNIT_LLMT41, kMulti, kBranchFlow),
    Caption(IDC_UNIT_HLMT41, kMulti, kBranchFlow),
    Caption(IDC_UNIT_FMAXER41, kMulti, kBranchFlow),
    Caption(IDC_UNIT_FERLMT41, kMulti, kBranchFlow),

    Caption(IDC_PVA_GRP_HH, kPV, kBranchFlow),
    Caption(IDC_PVA_GRP_H, kPV, kBranchFlow),
    Caption(IDC_PVA_GRP_LL, kPV, kBranchFlow),
    Caption(IDC_PVA_GRP_L, kPV, kBranchFlow),

    Caption(IDC_RATE_GRP_TEMP, kRate, kBranchTemp),
    Caption(IDC_RATE_GRP_TCS, kRate, kTubeSkin),
    Caption(IDC_RATE_GRP_FLOW, kRate, kBranchFlow),

    Caption(IDC_SVL_GRP_HIGH, kSVL, kBranchFlow),
    Caption(IDC_SVL_GRP_LOW, kSVL, kBranchFlow),
    Caption(IDC_SVL_GRP_RATE, kSVL, kBranchFlow),

    Caption(IDC_TA_GRP_HH, kTA, kBranchTemp),
    Caption(IDC_TA_GRP_H, kTA, kBranchTemp),
    Caption(IDC_TA_GRP_L, kTA, kBranchTemp),
    Caption(IDC_TA_GRP_LL, kTA, kBranchTemp),

    Caption(IDC_TCSA_GRP_HH, kTCSA, kTubeSkin),
    Caption(IDC_TCSA_GRP_H, kTCSA, kTubeSkin),
    Caption(IDC_TCSA_GRP_L, kTCSA, kTubeSkin),
    Caption(IDC_TCSA_GRP_LL, kTCSA, kTubeSkin),

    Caption(IDC_UNIT_TMAXER24, kTwo, kBranchTemp),
    Caption(IDC_UNIT_TERLMT24, kTwo, kBranchTemp),
    Caption(IDC_UNIT_TMAXER23, kTwo, kBranchTemp),
    Caption(IDC_UNIT_TERLMT23, kTwo, kBranchTemp),
    Caption(IDC_UNIT_TMAXER22, kTwo, kBranchTemp),
    Caption(IDC_UNIT_TERLMT22, kTwo, kBranchTemp),
    Caption(IDC_UNIT_TMAXER21, kTwo, kBranchTemp),
    Caption(IDC_UNIT_TERLMT21, kTwo, kBranchTemp),
    Caption(IDC_UNIT_LLMT24, kTwo, kBranchFlow),
    Caption(IDC_UNIT_HLMT24, kTwo, kBranchFlow),
    Caption(IDC_UNIT_FMAXER24, kTwo, kBranchFlow),
    Caption(IDC_UNIT_FERLMT24, kTwo, kBranchFlow),
    Caption(IDC_UNIT_LLMT23, kTwo, kBranchFlow),
    Caption(IDC_UNIT_HLMT23, kTwo, kBranchFlow),
    Caption(IDC_UNIT_FMAXER23, kTwo, kBranchFlow),
    Caption(IDC_UNIT_FERLMT23, kTwo, kBranchFlow),
    Caption(IDC_UNIT_LLMT22, kTwo, kBranchFlow),
    Caption(IDC_UNIT_HLMT22, kTwo, kBranchFlow),
    Caption(IDC_UNIT_FMAXER22, kTwo, kBranchFlow),
    Caption(IDC_UNIT_FERLMT22, kTwo, kBranchFlow),
    Caption(IDC_UNIT_LLMT21, kTwo, kBranchFlow),
    Caption(IDC_UNIT_HLMT21, kTwo, kBranchFlow),
    Caption(IDC_UNIT_FMAXER21, kTwo, kBranchFlow),
    Caption(IDC_UNIT_FERLMT21, kTwo, kBranchFlow),
};
// clang-format on

// ---- Consistency of the rows, checked by the compiler ----

// Every (measurement, branch, bit) has exactly one box, the HH/H/LL/L boxes on the alarm page
// of their measurement and the rate boxes on the rate page; every bit of the limit enable
// word has one box.
constexpr bool EnableBoxesComplete() {
    constexpr Page kAlarmPage[3] = {kPV, kTA, kTCSA};
    bool seen[3][b8::kBranchCount][5] = {};
    uint32_t limitBits = 0;
    int alarms = 0;
    for (const Binding& row : kRows) {
        if (IsLimitBox(row)) {
            if (limitBits & row.bits)
                return false;
            limitBits |= row.bits;
            continue;
        }
        if (!IsAlarmBox(row))
            continue;
        int m = static_cast<int>(MeasureOfEnableItem(row.item));
        int k = BranchOfEnableItem(row.item);
        int b = AlarmBitIndex(row.bits);
        if (m < 0 || m > 2 || b < 0 || k < 1 || k > b8::kBranchCount)
            return false;
        Page expected = row.bits == kAlarmRate ? kRate : kAlarmPage[m];
        if (row.window != WindowOf(expected) || seen[m][k - 1][b])
            return false;
        seen[m][k - 1][b] = true;
        ++alarms;
    }
    return alarms == kAlarmBoxCount && limitBits == b8::kLimitBits;
}
static_assert(EnableBoxesComplete());

// Within a window, no id names two rows.
constexpr bool IdsUniquePerWindow() {
    for (const Binding& a : kRows) {
        int n = 0;
        for (const Binding& b : kRows)
            n += a.window == b.window && a.controlId == b.controlId;
        if (n != 1)
            return false;
    }
    return true;
}
static_assert(IdsUniquePerWindow());

constexpr bool PagesInTabOrder() {
    for (int i = 0; i < b8::kPageCount; ++i)
        if (static_cast<int>(kPages[i].page) != i + 1)
            return false;
    return true;
}
static_assert(PagesInTabOrder());

// The main dialog's rows first, then the edits of the block table, then the pages' rows.
std::vector<Binding> BuildRows() {
    std::vector<Binding> rows;
    auto pagesBegin = std::begin(kRows);
    while (pagesBegin != std::end(kRows) && pagesBegin->window == kMain)
        ++pagesBegin;
    rows.insert(rows.end(), std::begin(kRows), pagesBegin);
    for (size_t i = 0; i < b8::ItemCount(); ++i) {
        const b8::ItemDef& def = b8::Items()[i];
        if (def.editId != 0 && def.page != Page::None)
            rows.push_back(Binding{WindowOf(def.page), def.editId, BindKind::Value, def.item,
                                   def.decimalsItem, def.stateItem, def.stateMask, 0, 0, nullptr,
                                   nullptr, 0, def.name, 0, 0});
    }
    rows.insert(rows.end(), pagesBegin, std::end(kRows));
    return rows;
}

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

std::span<const Binding> Rows() {
    static const std::vector<Binding> rows = BuildRows();
    return rows;
}

const Binding* FindRow(int window, int controlId) {
    for (const Binding& row : Rows())
        if (row.window == window && row.controlId == controlId)
            return &row;
    return nullptr;
}

} // namespace b8ui
