// The descriptor builder: what a faceplate reads through the record's block and unit
// pointers, built from the block table and the tag's configuration.
#include "Descriptors.h"
#include "TestTable.h"

#include <gtest/gtest.h>

#include <string>

namespace fphost {
namespace {

std::string Ansi(const wchar_t* text) {
    char buffer[64] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

class Descriptors : public ::testing::Test {
protected:
    std::unique_ptr<BlockDescriptors> Build() {
        error.clear();
        return BuildDescriptors(table, tag, host, error);
    }
    BlockTable table = test::SmallTable();
    TagConfig tag;
    HostConfig host;
    std::string error;
};

TEST_F(Descriptors, ItemMapIsSortedAndCarriesTheTableOffsetsAndTypes) {
    auto d = Build();
    ASSERT_TRUE(d) << error;
    const FPBlockInfo* b = d->Block();
    ASSERT_EQ(b->itemMap.nCount, table.items.size());
    for (uint32_t i = 1; i < b->itemMap.nCount; ++i)
        EXPECT_LT(b->itemMap.pEntries[i - 1].wKey, b->itemMap.pEntries[i].wKey);
    for (const TableItem& t : table.items) {
        const FPItemInfo* info = d->FindItem(t.index);
        ASSERT_NE(info, nullptr) << t.index;
        EXPECT_EQ(info->wItemIndex, t.index);
        EXPECT_EQ(info->nType, t.type);
        EXPECT_EQ(info->wOffset, t.offset);
        EXPECT_EQ(std::string(info->pszName), t.name.empty() ? std::to_string(t.index) : t.name);
    }
    // The map's pointers and FindItem agree.
    for (uint32_t i = 0; i < b->itemMap.nCount; ++i)
        EXPECT_EQ(b->itemMap.pEntries[i].pItem, d->FindItem(b->itemMap.pEntries[i].wKey));
    EXPECT_EQ(d->FindItem(3), nullptr);
}

TEST_F(Descriptors, BlockSizesAndOperateLevel) {
    tag.operateLevel = 0;
    auto d = Build();
    ASSERT_TRUE(d) << error;
    EXPECT_EQ(d->Block()->wDataSize, 24);
    EXPECT_EQ(d->Block()->wCompactSize1, 8);
    EXPECT_EQ(d->Block()->wCompactSize2, 4);
    EXPECT_EQ(d->Block()->wOperateLevel, 0);
}

TEST_F(Descriptors, SecurityLevelsAndConfirmationFlagsPerItem) {
    tag.itemLevel = 2;
    tag.itemConfirm = 0;
    tag.itemLevels = {{"fttlset", 7}, {"105", 9}};
    tag.itemConfirms = {{"FTTL", 1}, {"60", 1}, {"FTTL", 0}};
    auto d = Build();
    ASSERT_TRUE(d) << error;
    EXPECT_EQ(d->FindItem(2)->wSecurityLevel, 7);   // by name, any case
    EXPECT_EQ(d->FindItem(105)->wSecurityLevel, 9); // by index
    EXPECT_EQ(d->FindItem(1)->wSecurityLevel, 2);   // default
    EXPECT_EQ(d->FindItem(60)->bNeedConfirm, 1);
    EXPECT_EQ(d->FindItem(1)->bNeedConfirm, 0) << "the later setting wins";
    EXPECT_EQ(d->FindItem(94)->bNeedConfirm, 0);
}

TEST_F(Descriptors, SettingsNamingNoItemAreRefused) {
    tag.name = "BAL8_101";
    tag.itemLevels = {{"NOSUCH", 1}};
    EXPECT_FALSE(Build());
    EXPECT_NE(error.find("NOSUCH"), std::string::npos) << error;
    tag.itemLevels.clear();
    tag.itemConfirms = {{"999", 1}};
    EXPECT_FALSE(Build());
    EXPECT_NE(error.find("999"), std::string::npos) << error;
}

TEST_F(Descriptors, InconsistentTablesAreRefused) {
    table.items.push_back({2, "AGAIN", FPT_FLOAT, 0, 4});
    EXPECT_FALSE(Build());
    EXPECT_NE(error.find("item 2 twice"), std::string::npos) << error;

    table = test::SmallTable();
    table.items.push_back({600, "LAST", FPT_FLOAT, 22, 4}); // 22 + 4 > 24
    EXPECT_FALSE(Build());
    EXPECT_NE(error.find("item 600"), std::string::npos) << error;
}

TEST_F(Descriptors, BitMapKeepsTheConfiguredOrderAndKinds) {
    host.bits = {{9, "INHIBIT", false}, {0, "FDEV", true}, {33, "WRAP", true}, {8, "OOS", false}};
    host.bitsSet = true;
    auto d = Build();
    ASSERT_TRUE(d) << error;
    const FPBitMap& m = d->Block()->bitMap;
    ASSERT_EQ(m.nCount, 4u);
    const char* names[] = {"INHIBIT", "FDEV", "WRAP", "OOS"};
    const uint16_t bits[] = {9, 0, 33, 8};
    const int alarm[] = {0, 1, 1, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.pEntries[i].wBit, bits[i]);
        EXPECT_STREQ(m.pEntries[i].pBit->pszName, names[i]);
        EXPECT_EQ(m.pEntries[i].pBit->bAlarm, alarm[i]);
    }
    // Bit 33 stands for mask 1 << 1.
    EXPECT_EQ(d->AlarmMask(), 0x1u | 0x2u);
}

TEST_F(Descriptors, UnitMapInTheAnsiCodePage) {
    host.units = {{1, "t/h"}, {2, "\xE2\x84\x83"}, {200, "m3/h"}};
    auto d = Build();
    ASSERT_TRUE(d) << error;
    const FPUnitMap* u = d->Units();
    ASSERT_EQ(u->nCount, 3u);
    EXPECT_EQ(u->pEntries[0].code, 1);
    EXPECT_STREQ(u->pEntries[0].pszText, "t/h");
    EXPECT_EQ(u->pEntries[1].code, 2);
    EXPECT_EQ(std::string(u->pEntries[1].pszText), Ansi(L"\u2103"));
    EXPECT_EQ(u->pEntries[2].code, 200);
}

TEST_F(Descriptors, WithoutConfiguredBitsTheTablesOwnApply) {
    auto d = Build();
    ASSERT_TRUE(d) << error;
    EXPECT_GT(d->Units()->nCount, 1u);
    EXPECT_EQ(d->Units()->pEntries[0].code, 1);
    EXPECT_STREQ(d->Units()->pEntries[0].pszText, "t/h");
    const FPBitMap& m = d->Block()->bitMap;
    ASSERT_EQ(m.nCount, 2u);
    EXPECT_EQ(m.pEntries[0].wBit, 0);
    EXPECT_STREQ(m.pEntries[0].pBit->pszName, "HH");
    EXPECT_EQ(m.pEntries[1].pBit->bAlarm, 0);
    EXPECT_EQ(d->AlarmMask(), 0x1u);
}

// The real BALANCE8 table of the block-table library, as fphost uses it.
TEST(Balance8Table, DescriptorsOfTheRealTable) {
    BlockTable table;
    std::string error;
    ASSERT_TRUE(LoadBalance8Table(table, error)) << error;
    HostConfig host;
    TagConfig tag;
    tag.itemConfirms = {{"FTTLSET", 1}};
    auto d = BuildDescriptors(table, tag, host, error);
    ASSERT_TRUE(d) << error;
    const FPBlockInfo* b = d->Block();
    EXPECT_EQ(b->itemMap.nCount, table.items.size());
    EXPECT_GT(b->wDataSize, b->wCompactSize1);
    EXPECT_LE(b->wCompactSize1 + b->wCompactSize2, b->wDataSize);
    const FPItemInfo* fttl = d->FindItem(1);
    ASSERT_NE(fttl, nullptr);
    EXPECT_STREQ(fttl->pszName, "FTTL");
    EXPECT_EQ(fttl->nType, FPT_FLOAT);
    EXPECT_EQ(d->FindItem(2)->bNeedConfirm, 1);
    EXPECT_EQ(d->FindItem(94)->nType, FPT_BOOL);
    EXPECT_EQ(d->FindItem(418)->nType, FPT_BYTE);
    EXPECT_EQ(d->FindItem(502)->nType, FPT_UINT32);
    const int32_t flagType = d->FindItem(105)->nType;
    EXPECT_TRUE(flagType == 0 || (flagType >= 3 && flagType <= 6)) << "read as a 32-bit integer";
    // Every item's value lies inside the data area, and no two items overlap.
    std::vector<int> owner(b->wDataSize, -1);
    for (const TableItem& item : table.items) {
        ASSERT_LE(item.offset + item.width, b->wDataSize) << item.index;
        for (int i = 0; i < item.width; ++i) {
            EXPECT_EQ(owner[item.offset + i], -1)
                << item.index << " overlaps " << owner[item.offset + i];
            owner[item.offset + i] = item.index;
        }
        EXPECT_EQ(d->FindItem(item.index)->wOffset, item.offset);
    }
    EXPECT_GT(b->bitMap.nCount, 0u);
    EXPECT_NE(d->AlarmMask(), 0u);
}

} // namespace
} // namespace fphost
