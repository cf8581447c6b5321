// The host's tag database behind the record's callbacks, called through the function
// pointers a faceplate receives.
#include "TagDatabase.h"
#include "TestTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace fphost {
namespace {

constexpr char kTag[] = "BAL8_101";
// 24 characters: the longest tag name the record holds.
constexpr char kLongTag[] = "ABCDEFGHIJKLMNOPQRSTUVWX";

class TagDb : public ::testing::Test {
protected:
    void SetUp() override {
        db.AddTag(kTag, test::SmallTable(), 0x5);
        db.AddTag(kLongTag, test::SmallTable(), 0);
        db.AddArea("AREA_OK", 1);
        db.AddArea("AREA_NO", 0);
        TagDatabase::SetCurrent(&db);
        TagDatabase::FillCallbacks(para, true, true);
    }
    void TearDown() override { TagDatabase::SetCurrent(nullptr); }

    int Open(const std::string& name, int64_t& handle) {
        handle = -1;
        return para.pfnOpenItem(1, name.c_str(), &handle, 0);
    }
    int64_t Handle(const std::string& name) {
        int64_t h = 0;
        EXPECT_EQ(Open(name, h), kHostOk) << name;
        return h;
    }
    int Variant(const std::string& name, VARIANT& v) {
        int64_t h = Handle(name);
        std::memset(&v, 0xCC, sizeof(v));
        return para.pfnGetVariant(1, &h, &v);
    }

    TagDatabase db;
    tagFPOpenPara para{};
};

TEST_F(TagDb, TagAndItemNamesResolveToPositiveDistinctHandles) {
    int64_t tag = Handle(kTag);
    int64_t lower = Handle("bal8_101");
    int64_t item = Handle("BAL8_101.FTTL");
    int64_t itemAnyCase = Handle("bal8_101.fttl");
    int64_t byIndex = Handle("BAL8_101.105");
    int64_t other = Handle(std::string(kLongTag) + ".FTTL");
    EXPECT_GT(tag, 0);
    EXPECT_EQ(lower, tag);
    EXPECT_GT(item, 0);
    EXPECT_EQ(itemAnyCase, item);
    EXPECT_NE(item, tag);
    EXPECT_NE(byIndex, item);
    // The tag's key (upper 32 bits) is shared by its items and differs between tags.
    EXPECT_EQ(item >> 32, tag >> 32);
    EXPECT_NE(other >> 32, tag >> 32);
}

TEST_F(TagDb, UnknownAndOverlongNamesAreRefused) {
    int64_t h = 0;
    EXPECT_NE(Open("NOSUCH", h), kHostOk);
    EXPECT_EQ(h, 0);
    EXPECT_NE(Open("BAL8_101.NOSUCH", h), kHostOk);
    EXPECT_EQ(h, 0);
    EXPECT_NE(Open("BAL8_101.", h), kHostOk);
    EXPECT_NE(Open("", h), kHostOk);
    // 24 + 1 + 7 = 32 characters still resolve; one more is refused before any lookup.
    std::string longest = std::string(kLongTag) + ".FTTLSET";
    ASSERT_EQ(longest.size(), kMaxItemNameLength);
    EXPECT_EQ(Open(longest, h), kHostOk);
    EXPECT_GT(h, 0);
    EXPECT_NE(Open(longest + "X", h), kHostOk);
    EXPECT_EQ(h, 0);
    EXPECT_NE(Open(std::string(40, 'A'), h), kHostOk);
    EXPECT_NE(para.pfnOpenItem(1, nullptr, &h, 0), kHostOk);
    EXPECT_NE(para.pfnOpenItem(1, kTag, nullptr, 0), kHostOk);
    EXPECT_NE(para.pfnOpenItem(2, kTag, &h, 0), kHostOk) << "first argument must be 1";
}

TEST_F(TagDb, StatusWordCarriesTheSettableBadBit) {
    int64_t h = Handle("BAL8_101.FTTL");
    uint32_t key = static_cast<uint32_t>(h >> 32);
    FPTagStatus status{};
    status.dwStatus = kTagStatusBad; // as the faceplate prepares it
    ASSERT_EQ(para.pfnReadStatus(1, &key, &status, 0), kHostOk);
    EXPECT_EQ(status.dwStatus, 0u);

    ASSERT_TRUE(db.SetBad("bal8_101", true));
    ASSERT_EQ(para.pfnReadStatus(1, &key, &status, 0), kHostOk);
    EXPECT_EQ(status.dwStatus & kTagStatusBad, kTagStatusBad);

    uint32_t unknown = 0x7777;
    EXPECT_NE(para.pfnReadStatus(1, &unknown, &status, 0), kHostOk);
    EXPECT_FALSE(db.SetBad("NOSUCH", true));
}

TEST_F(TagDb, VariantsHaveTheTypeOfTheItem) {
    ASSERT_TRUE(db.SetValue(kTag, "FTTL", 12.5));
    ASSERT_TRUE(db.SetValue(kTag, "105", 4294967295.0));
    ASSERT_TRUE(db.SetValue(kTag, "418", 2));
    ASSERT_TRUE(db.SetValue(kTag, "94", 1));
    VARIANT v;
    ASSERT_EQ(Variant("BAL8_101.FTTL", v), kHostOk);
    EXPECT_EQ(v.vt, VT_R4);
    EXPECT_FLOAT_EQ(v.fltVal, 12.5f);
    ASSERT_EQ(Variant("BAL8_101.105", v), kHostOk);
    EXPECT_EQ(v.vt, VT_UI4);
    EXPECT_EQ(v.ulVal, 0xFFFFFFFFu);
    ASSERT_EQ(Variant("BAL8_101.418", v), kHostOk);
    EXPECT_EQ(v.vt, VT_UI1);
    EXPECT_EQ(v.bVal, 2);
    ASSERT_EQ(Variant("BAL8_101.94", v), kHostOk);
    EXPECT_EQ(v.vt, VT_BOOL);
    EXPECT_EQ(v.boolVal, VARIANT_TRUE);
    ASSERT_TRUE(db.SetValue(kTag, "94", 0));
    ASSERT_EQ(Variant("BAL8_101.94", v), kHostOk);
    EXPECT_EQ(v.boolVal, VARIANT_FALSE);
    // Values belong to their tag.
    ASSERT_EQ(Variant(std::string(kLongTag) + ".FTTL", v), kHostOk);
    EXPECT_FLOAT_EQ(v.fltVal, 0.0f);
}

TEST_F(TagDb, VariantNeedsAnItemHandle) {
    VARIANT v{};
    EXPECT_NE(Variant(kTag, v), kHostOk) << "a tag alone has no value";
    int64_t zero = 0;
    int64_t negative = -5;
    int64_t stale = (int64_t{0x7777} << 32) | 1;
    EXPECT_NE(para.pfnGetVariant(1, &zero, &v), kHostOk);
    EXPECT_NE(para.pfnGetVariant(1, &negative, &v), kHostOk);
    EXPECT_NE(para.pfnGetVariant(1, &stale, &v), kHostOk);
    EXPECT_NE(para.pfnGetVariant(1, nullptr, &v), kHostOk);
    EXPECT_FALSE(db.SetValue(kTag, "NOSUCH", 1));
}

TEST_F(TagDb, AreasResolveAndTheLowByteDecides) {
    int64_t ok = Handle("AREA_OK");
    EXPECT_NE(para.pfnCheckArea(1, &ok, 0) & 0xFF, 0);
    int64_t no = Handle("area_no");
    int64_t tag = Handle(kTag);
    EXPECT_EQ(para.pfnCheckArea(1, &no, 0) & 0xFF, 0);
    EXPECT_EQ(para.pfnCheckArea(1, &tag, 0) & 0xFF, 0) << "a tag is no area";
    EXPECT_EQ(para.pfnHostCall(1, &tag, nullptr, 0), kHostOk);
}

TEST_F(TagDb, AlarmStateAndAcknowledge) {
    db.SetAlarmState(0x00FF00FF, 7);
    int alarm = -1;
    COLORREF colour = 0;
    EXPECT_EQ(para.pfnAlarmState(kTag, 0x4, &alarm, &colour), 7);
    EXPECT_EQ(alarm, 1);
    EXPECT_EQ(colour, 0x00FF00FFu);
    para.pfnAlarmState(kTag, 0x2, &alarm, &colour);
    EXPECT_EQ(alarm, 0) << "bit 1 is no alarm bit of this tag";
    EXPECT_NE(para.pfnAlarmState("NOSUCH", 0x1, &alarm, &colour), kHostOk);

    EXPECT_EQ(para.pfnAlarmAck("bal8_101"), kHostOk);
    EXPECT_EQ(para.pfnAlarmAck(kTag), kHostOk);
    EXPECT_EQ(db.AckCount(kTag), 2);
    EXPECT_NE(para.pfnAlarmAck("NOSUCH"), kHostOk);
    EXPECT_NE(para.pfnAlarmAck(nullptr), kHostOk);
}

TEST_F(TagDb, CallbackModeSetsAllFourOrNone) {
    tagFPOpenPara off{};
    TagDatabase::FillCallbacks(off, false, false);
    EXPECT_EQ(off.pfnOpenItem, nullptr);
    EXPECT_EQ(off.pfnReadStatus, nullptr);
    EXPECT_EQ(off.pfnHostCall, nullptr);
    EXPECT_EQ(off.pfnGetVariant, nullptr);
    EXPECT_EQ(off.pfnAlarmState, nullptr);
    EXPECT_NE(off.pfnAlarmAck, nullptr);
    EXPECT_NE(para.pfnOpenItem, nullptr);
    EXPECT_NE(para.pfnReadStatus, nullptr);
    EXPECT_NE(para.pfnHostCall, nullptr);
    EXPECT_NE(para.pfnGetVariant, nullptr);
    EXPECT_NE(para.pfnAlarmState, nullptr);
}

TEST_F(TagDb, WithoutADatabaseEveryCallbackFails) {
    int64_t h = Handle(kTag);
    TagDatabase::SetCurrent(nullptr);
    int64_t again = 0;
    EXPECT_NE(para.pfnOpenItem(1, kTag, &again, 0), kHostOk);
    VARIANT v{};
    EXPECT_NE(para.pfnGetVariant(1, &h, &v), kHostOk);
    EXPECT_NE(para.pfnAlarmAck(kTag), kHostOk);
}

TEST(VariantType, EveryValueTypeCode) {
    EXPECT_EQ(VariantTypeOf(FPT_FLOAT), VT_R4);
    EXPECT_EQ(VariantTypeOf(FPT_UINT32), VT_UI4);
    EXPECT_EQ(VariantTypeOf(FPT_BYTE), VT_UI1);
    EXPECT_EQ(VariantTypeOf(FPT_BOOL), VT_BOOL);
    EXPECT_EQ(VariantTypeOf(FPT_INT32), VT_I4);
    EXPECT_EQ(VariantTypeOf(FPT_INT16), VT_I2);
    EXPECT_EQ(VariantTypeOf(FPT_UINT16), VT_UI2);
    EXPECT_EQ(VariantTypeOf(FPT_DOUBLE), VT_R8);
    EXPECT_EQ(VariantTypeOf(99), VT_EMPTY);
}

} // namespace
} // namespace fphost
