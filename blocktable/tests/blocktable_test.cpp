#include "BlockTable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

using namespace b8;

namespace {

const ItemDef& ByEdit(uint16_t editId) {
    const ItemDef* def = FindItemByEditId(editId);
    EXPECT_NE(def, nullptr) << "edit " << editId;
    static const ItemDef none{};
    return def ? *def : none;
}

TEST(BlockTable, IrregularEditIds) {
    struct Case {
        uint16_t editId;
        const char* name;
        uint16_t item;
        Page page;
    } cases[] = {
        {12501, "TCSHYS8", 258, Page::TCSAlarmSetup1},
        {12461, "TCSH8", 255, Page::TCSAlarmSetup1},
        {12215, "FPASS5", 7, Page::FirstSetup},
        {12216, "FPASS6", 8, Page::FirstSetup},
        {12217, "FPASS7", 9, Page::FirstSetup},
        {12500, "FPSET2", 61, Page::FirstSetup},
        {12218, "TCSL1", 214, Page::TCSAlarmSetup1},
        {12462, "TCSHYS1", 216, Page::TCSAlarmSetup1},
        {12234, "TPASS8", 18, Page::FirstSetup},
        {12176, "FTTL", 1, Page::FirstSetup},
        {12444, "FTTLSET", 2, Page::FirstSetup},
        {12460, "FERLMT8", 317, Page::MultyBalanceSetup},
        {12182, "FERLMT42", 315, Page::MultyBalanceSetup},
        {12202, "FERLMT24", 313, Page::TwoTPBalanceSetup},
        {12211, "K413", 292, Page::MultyBalanceSetup},
        {12213, "K83", 304, Page::MultyBalanceSetup},
    };
    for (const Case& c : cases) {
        const ItemDef& def = ByEdit(c.editId);
        EXPECT_STREQ(def.name, c.name) << c.editId;
        EXPECT_EQ(def.item, c.item) << c.name;
        EXPECT_EQ(def.page, c.page) << c.name;
        EXPECT_EQ(def.type, ValueType::Real) << c.name;
    }
}

TEST(BlockTable, TwoBranchBalancesThreeAndFourFollowFourBranchOne) {
    // Loop j: 0 = 21, 1 = 22, 2 = 41, 3 = 23, 4 = 24.
    struct Case {
        const char* name;
        uint16_t item;
        uint16_t editId;
    } cases[] = {
        {"FMAXER23", 86, 12291},  {"TMAXER23", 87, 12293},  {"FMAXER24", 88, 12296},
        {"TMAXER24", 89, 12298},  {"FERLMT23", 311, 12290}, {"TERLMT23", 312, 12292},
        {"FERLMT24", 313, 12202}, {"TERLMT24", 314, 12297}, {"HLMT23", 325, 12294},
        {"LLMT23", 326, 12295},   {"HLMT24", 327, 12299},   {"LLMT24", 328, 12300},
        {"K231", 293, 12279},     {"K232", 294, 12280},     {"K233", 295, 12281},
        {"K241", 296, 12282},     {"K242", 297, 12283},     {"K243", 298, 12214},
        {"FMAXER41", 84, 12322},  {"K411", 290, 12301},     {"K81", 302, 12305},
        {"FMAXER22", 82, 12285},  {"K223", 289, 12278},
    };
    for (const Case& c : cases) {
        const ItemDef* def = FindItemByName(c.name);
        ASSERT_NE(def, nullptr) << c.name;
        EXPECT_EQ(def->item, c.item) << c.name;
        EXPECT_EQ(def->editId, c.editId) << c.name;
        EXPECT_EQ(def->decimalsItem, 0) << c.name;
        EXPECT_EQ(def->stateItem, 0) << c.name;
    }
    EXPECT_EQ(LoopItem(LoopParam::FMAXER, 3), 86);
    EXPECT_EQ(LoopItem(LoopParam::K3, 4), 298);
    EXPECT_EQ(LoopItem(LoopParam::TERLMT, 2), 310);
    EXPECT_EQ(LoopSwitchItem(3), 99);
    EXPECT_EQ(kLoopSuffix[3], 23);
    EXPECT_EQ(kLoopBranches[3].first, 5);
}

TEST(BlockTable, Exactly289UniqueSettableEdits) {
    std::set<uint16_t> ids;
    std::map<Page, int> perPage;
    int settable = 0;
    for (size_t i = 0; i < ItemCount(); ++i) {
        const ItemDef& def = Items()[i];
        if (!def.editId) {
            EXPECT_EQ(def.page, Page::None) << def.item;
            continue;
        }
        ++settable;
        EXPECT_EQ(def.type, ValueType::Real) << def.item;
        EXPECT_NE(def.page, Page::None) << def.item;
        EXPECT_NE(def.name[0], '\0') << def.item;
        EXPECT_TRUE(ids.insert(def.editId).second) << "edit id " << def.editId << " twice";
        EXPECT_EQ(FindItemByEditId(def.editId), &def);
        ++perPage[def.page];
    }
    EXPECT_EQ(settable, kSettableCount);
    EXPECT_EQ(ids.size(), 289u);
    // Overview 2 + 32, two-branch 4 x 9, multi-branch 3 x 9, limits 24, three alarm pages 40
    // each, rate alarms 24, K/T/L 24.
    EXPECT_EQ(perPage[Page::FirstSetup], 34);
    EXPECT_EQ(perPage[Page::TwoTPBalanceSetup], 36);
    EXPECT_EQ(perPage[Page::MultyBalanceSetup], 27);
    EXPECT_EQ(perPage[Page::SVLimtSetup], 24);
    EXPECT_EQ(perPage[Page::PVAlarmSetup], 40);
    EXPECT_EQ(perPage[Page::TAlarmSetup1], 40);
    EXPECT_EQ(perPage[Page::TCSAlarmSetup1], 40);
    EXPECT_EQ(perPage[Page::SpeedAlarmSetup], 24);
    EXPECT_EQ(perPage[Page::KTLSetup], 24);
    EXPECT_EQ(FindItemByEditId(0), nullptr);
    EXPECT_EQ(FindItemByEditId(12999), nullptr);
}

TEST(BlockTable, ItemsDoNotOverlapAndFitTheBlock) {
    std::vector<int> owner(kWholeSize, 0);
    uint16_t previous = 0;
    for (size_t i = 0; i < ItemCount(); ++i) {
        const ItemDef& def = Items()[i];
        EXPECT_GT(def.item, previous) << "table not sorted or item twice";
        previous = def.item;
        EXPECT_EQ(def.width, WidthOf(def.type)) << def.item;
        ASSERT_LE(def.offset + def.width, kWholeSize) << def.item;
        if (def.width == 4) {
            EXPECT_EQ(def.offset % 4, 0) << def.item;
        }
        for (int b = 0; b < def.width; ++b) {
            EXPECT_EQ(owner[def.offset + b], 0)
                << "item " << def.item << " overlaps item " << owner[def.offset + b];
            owner[def.offset + b] = def.item;
        }
    }
    EXPECT_EQ(ItemCount(), 358u);
    EXPECT_EQ(owner[kWholeSize - 1], 356) << "the block ends with the last item";
}

TEST(BlockTable, CompactRangeHoldsEverythingReadWithDetailClosed) {
    std::vector<uint16_t> compact = {1,   2,   94,  95,  96,  97,  98,  99,  100, 101, 102, 103,
                                     104, 105, 418, 419, 420, 421, 423, 424, 425, 553, 554};
    for (uint16_t i = 3; i <= 26; ++i)
        compact.push_back(i);
    for (uint16_t i = 60; i <= 67; ++i)
        compact.push_back(i);
    for (uint16_t i = 502; i <= 549; ++i)
        compact.push_back(i);
    EXPECT_EQ(kCompactSize, kCompactSizeA + kCompactSizeB);
    EXPECT_LT(kCompactSize, kWholeSize);
    for (uint16_t item : compact) {
        const ItemDef* def = FindItem(item);
        ASSERT_NE(def, nullptr) << item;
        EXPECT_LE(def->offset + def->width, kCompactSize) << "item " << item;
    }
}

TEST(BlockTable, TypesDecimalsAndColouring) {
    EXPECT_EQ(FindItem(105)->type, ValueType::Flag);
    EXPECT_EQ(FindItem(95)->type, ValueType::Bool);
    EXPECT_EQ(FindItem(418)->type, ValueType::Byte);
    EXPECT_EQ(FindItem(425)->type, ValueType::Byte);
    EXPECT_EQ(FindItem(422), nullptr);
    EXPECT_EQ(FindItem(549)->type, ValueType::UI4);
    EXPECT_EQ(FindItem(550), nullptr);
    EXPECT_EQ(FindItem(554)->type, ValueType::UI4);
    EXPECT_EQ(FindItem(59), nullptr);
    EXPECT_EQ(FindItem(0), nullptr);
    EXPECT_STREQ(FindItem(95)->name, "");
    EXPECT_EQ(FindItemByName(""), nullptr);

    // Alarm limits: decimals of their measure, the branch's state word and the bit.
    const ItemDef* fpll3 = FindItemByName("FPLL3");
    ASSERT_NE(fpll3, nullptr);
    EXPECT_EQ(fpll3->item, 119 + 12);
    EXPECT_EQ(fpll3->decimalsItem, 423);
    EXPECT_EQ(fpll3->stateItem, 506);
    EXPECT_EQ(fpll3->stateMask, kAlarmLL);
    const ItemDef* tph8 = FindItemByName("tph8");
    ASSERT_NE(tph8, nullptr);
    EXPECT_EQ(tph8->stateItem, 532);
    EXPECT_EQ(tph8->stateMask, kAlarmH);
    EXPECT_EQ(tph8->decimalsItem, 424);
    const ItemDef* tcsvl2 = FindItemByName("TCSVL2");
    EXPECT_EQ(tcsvl2->stateItem, 536);
    EXPECT_EQ(tcsvl2->stateMask, kAlarmRate);
    EXPECT_EQ(tcsvl2->page, Page::SpeedAlarmSetup);
    EXPECT_EQ(FindItemByName("TCSHYS4")->stateItem, 0);
    EXPECT_EQ(FindItemByName("FTTL")->decimalsItem, 0);
    EXPECT_EQ(FindItemByName("KPM1")->decimalsItem, 0);
    // Set-value limits: the limit state word, three bits per branch.
    EXPECT_EQ(FindItemByName("FPSETH1")->stateMask, 0x1u);
    EXPECT_EQ(FindItemByName("FPSETVL6")->stateItem, kItemLimitState);
    EXPECT_EQ(FindItemByName("FPSETVL6")->stateMask, 0x20000u);
    EXPECT_EQ(FindItemByName("FPSETL8")->stateMask, 0x400000u);
    EXPECT_EQ(FindItemByName("FPSETVL8")->item, 283);
    EXPECT_EQ(FindItemByName("LPM8")->item, 356);

    EXPECT_EQ(BranchItem(Family::TCSHYS, 8), 258);
    EXPECT_EQ(AlarmEnableItem(Measure::Flow, 3), 507);
    EXPECT_EQ(AlarmEnableItem(Measure::TubeSkin, 8), 549);
    EXPECT_EQ(AlarmStateItem(Measure::Temp, 1), 518);
}

TEST(BlockTable, ReadWriteThroughTheLayout) {
    std::vector<uint8_t> block(kWholeSize, 0);
    WriteReal(block.data(), BranchItem(Family::FPSET, 2), 12.5f);
    WriteUInt(block.data(), kItemMode, 255);
    WriteUInt(block.data(), AlarmStateItem(Measure::Temp, 4), 0x1F);
    EXPECT_FLOAT_EQ(ReadReal(block.data(), 61), 12.5f);
    EXPECT_EQ(ReadUInt(block.data(), 95), 255u);
    EXPECT_EQ(ReadUInt(block.data(), 94), 0u);
    EXPECT_EQ(ReadUInt(block.data(), 524), 0x1Fu);
    // Unknown items and items of another width are neither read nor written.
    WriteReal(block.data(), 95, 1.0f);
    WriteUInt(block.data(), 61, 7);
    EXPECT_EQ(ReadUInt(block.data(), 95), 255u);
    EXPECT_FLOAT_EQ(ReadReal(block.data(), 61), 12.5f);
    EXPECT_EQ(ReadUInt(block.data(), 61), 0u);
    EXPECT_FLOAT_EQ(ReadReal(block.data(), 95), 0.0f);
    EXPECT_FLOAT_EQ(ReadReal(block.data(), 600), 0.0f);
}

} // namespace
