// The tag model on its own (lookup, formatting, write composition, log records, write check),
// fed with data areas of the test's own through an owner that records what the tag shows, sends
// and tells; and the faceplate's alarm texts and lamp, on a faceplate object without a window.
#include "FPEntry.h"
#include "FPBinding.h"
#include "FPTag.h"
#include "FPText.h"
#include "FP_BASEDlg.h"
#include "KrConfirm.h"
#include "KrLogChain.h"
#include "KrLogLib.h"
#include "MsgSequence.h"
#include "TnEdit.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr WORD kFlow = 3, kDecimals = 423, kSwitch = 95, kWord = 502, kFlag = 105, kMissing = 999;
constexpr WORD kNullEntry = 777, kPastEnd = 778, kDetailOnly = 779, kAction16 = 780;
constexpr int kBaseAddress = 0x12340;

// A block of four items and a flag word with three bits.
struct TestBlock {
    FPItemInfo items[9]{};
    FPItemMapEntry entries[9]{};
    FPBitInfo bits[3]{};
    FPBitMapEntry bitEntries[3]{};
    FPBlockInfo block{};

    TestBlock() {
        auto item = [&](int i, WORD index, const char* name, int type, WORD offset) {
            items[i].wItemIndex = index;
            items[i].pszName = name;
            items[i].nType = type;
            items[i].wOffset = offset;
            entries[i].wKey = index;
            entries[i].pItem = &items[i];
        };
        item(0, kFlow, "FPASS1", FPT_FLOAT, 0);
        item(1, kDecimals, "", FPT_BYTE, 4);
        item(2, kSwitch, "", FPT_BOOL, 5);
        item(3, kWord, "", FPT_UINT32, 8);
        item(4, kFlag, "", FPT_INT32, 12);
        item(5, kPastEnd, "", FPT_FLOAT, 30); // reaches past the 32 delivered bytes
        entries[6].wKey = kNullEntry;         // an entry without its item
        item(7, kDetailOnly, "", FPT_FLOAT, 20); // beyond the 16 bytes of the compact view
        item(8, kAction16, "", FPT_UINT16, 16);
        block.itemMap.pEntries = entries;
        block.itemMap.nCount = 9;
        auto bit = [&](int i, WORD number, const char* name, int alarm) {
            bits[i].pszName = name;
            bits[i].bAlarm = alarm;
            bitEntries[i].wBit = number;
            bitEntries[i].pBit = &bits[i];
        };
        bit(0, 33, "HH", 1); // wraps to bit 1
        bit(1, 0, "H", 1);
        bit(2, 4, "OOS", 0);
        block.bitMap.pEntries = bitEntries;
        block.bitMap.nCount = 3;
        block.wDataSize = 32;
        block.wCompactSize1 = 16;
        block.wCompactSize2 = 16;
    }
};

// The tag's owner: records what the tag shows, sends, reports and tells.
class RecordingOwner : public CFPTag::Owner {
public:
    int shown = 0;
    bool closing = false;
    int sendResult = 1;
    std::vector<std::vector<BYTE>> sent;
    std::map<WORD, WORD> decimalsItems;
    struct Checked {
        WORD item;
        bool taken;
        std::string written, held;
    };
    std::vector<Checked> checked;
    std::vector<std::string> told;

    void ShowData(BYTE*) override { ++shown; }
    bool IsClosing() const override { return closing; }
    int SendWrite(const BYTE* request, int length) override {
        sent.emplace_back(request, request + length);
        return sendResult;
    }
    WORD DecimalsItemOf(WORD item) const override {
        auto it = decimalsItems.find(item);
        return it == decimalsItems.end() ? 0 : it->second;
    }
    void OnWriteChecked(WORD item, bool taken, const std::string& written,
                        const std::string& held) override {
        checked.push_back({item, taken, written, held});
    }
    HWND ConfirmOwner() const override { return nullptr; }
    void TellOperator(const std::string& caption, const std::string& text) override {
        told.push_back(caption + "|" + text);
    }
};

// A text into a record field, cut to leave its terminating zero.
template <size_t N> void SetField(char (&field)[N], const char* text) {
    std::memcpy(field, text, std::min(std::strlen(text), N - 1));
}

// The host's record of tag "TAG" on a test block, without confirmation or host callbacks.
tagFPOpenPara Record(const FPBlockInfo* block, const char* module = "FP_BALANCE8.dll",
                     const char* user = "op") {
    tagFPOpenPara para;
    std::memset(&para, 0, sizeof para);
    SetField(para.szTagName, "TAG");
    SetField(para.szModuleFile, module);
    SetField(para.szUserName, user);
    para.pBlock = block;
    para.nBaseAddress = kBaseAddress;
    para.crNormal = fp::kNormalColour;
    return para;
}

// A log of its own in a new folder, so that no log of an earlier run (or its keys) is used.
std::wstring UseTempLog(const wchar_t* name) {
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    const std::wstring folder = std::wstring(tmp) + L"fplog_" +
                                std::to_wstring(::GetCurrentProcessId()) + L"_" +
                                std::to_wstring(::GetTickCount()) + L"_" + name;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", (folder + L"\\operation.log").c_str());
    ::SetEnvironmentVariableW(L"KR_STATION_INI", (folder + L"\\KrStation.ini").c_str());
    return folder;
}

// A bare tag with a recording owner and the data area the server would deliver.
class TagUnderTest {
public:
    RecordingOwner owner;
    CFPTag tag{&owner};
    std::vector<BYTE> data = std::vector<BYTE>(6 + 32, 0);

    void Open(const FPBlockInfo* block, const char* module = "FP_BALANCE8.dll",
              const char* user = "op") {
        tagFPOpenPara para = Record(block, module, user);
        tag.CopyRecord(&para);
    }
    // A delivery of `data` for a subscription of `length` bytes; the data counts as good.
    void Deliver(int length = 32) {
        tag.SetReadLength(length);
        tag.TakeDelivery(data.data());
        tag.SetDataGood(tag.LinkGood());
    }
    // No delivery for too long: data not good.
    void Lose() {
        tag.LinkLost();
        tag.SetDataGood(tag.LinkGood());
    }
    template <typename T> void Put(size_t offset, T v) {
        std::memcpy(&data[6 + offset], &v, sizeof v);
    }
    // The float the kept copy holds for an item (a written mark is taken off first).
    float Held(WORD item) {
        float f = NAN;
        if (tag.IsWritten(item))
            tag.LookHMIData(item, f, FALSE);
        tag.LookHMIData(item, f, FALSE);
        return f;
    }
};

class LookupTest : public ::testing::Test {
protected:
    TestBlock tb;
    TagUnderTest t;
    CFPTag& tag = t.tag;
    void SetUp() override {
        t.Open(&tb.block);
        t.Put<float>(0, 12.5f);
        t.Put<BYTE>(4, 2);
        t.Put<BYTE>(5, 1);
        t.Put<DWORD>(8, 0x12345678u);
        t.Deliver();
        UseTempLog(L"lookup");
    }
};

TEST_F(LookupTest, ReadsEachTypeAtItsOffset) {
    float f = 0;
    BYTE b = 0;
    BOOL on = FALSE;
    DWORD w = 0;
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 12.5f);
    EXPECT_EQ(tag.LookHMIData(kDecimals, b), 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(tag.LookHMIData(kSwitch, on), 1);
    EXPECT_EQ(on, 1); // a stored 1 counts as on
    EXPECT_EQ(tag.LookHMIData(kWord, w), 1);
    EXPECT_EQ(w, 0x12345678u);
}

TEST_F(LookupTest, AValueIsTheKeptCopyOfTheLastDelivery) {
    t.Put<float>(0, 77.0f); // the server rewrites its area after the delivery
    float f = 0;
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 12.5f) << "read from the copy, not from the server's area";
    t.Deliver();
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 77.0f);
    EXPECT_EQ(t.owner.shown, 0) << "a delivery is shown by the faceplate's tick, not by the tag";
}

TEST_F(LookupTest, UnknownAndWrittenItemsLeaveTheOutputAlone) {
    float f = 7.0f;
    EXPECT_EQ(tag.LookHMIData(kMissing, f), 1);
    EXPECT_FLOAT_EQ(f, 7.0f);
    ASSERT_EQ(tag.WriteData(kFlow, 12.5f, "FPASS1"), 1); // marks the item written
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 7.0f) << "first lookup after a write keeps the shown value";
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 12.5f) << "the next lookup reads the block again";
}

TEST_F(LookupTest, BadDescriptorsAndShortDataReadAsUnavailable) {
    float f = 7.0f;
    EXPECT_EQ(tag.LookHMIData(kNullEntry, f), 0);
    EXPECT_EQ(tag.LookHMIData(kPastEnd, f), 0);
    t.Open(nullptr);
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 0);
    std::string text;
    EXPECT_FALSE(tag.FormatItem(kFlow, f, kDecimals, text));
}

TEST_F(LookupTest, NoDataGivesZeroAndUnavailableText) {
    t.Lose();
    float f = 7.0f;
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 0);
    EXPECT_FLOAT_EQ(f, 0.0f);
    std::string text;
    EXPECT_TRUE(tag.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "????");
    t.Deliver();
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 1) << "good again with the next delivery";
}

TEST_F(LookupTest, DecimalsFollowTheDecimalsItem) {
    float f = 0;
    std::string text;
    ASSERT_TRUE(tag.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "12.50");
    t.Put<BYTE>(4, 0);
    t.Deliver();
    ASSERT_TRUE(tag.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "12") << "0 decimals: an integer without a point";
    t.Put<BYTE>(4, 6);
    t.Deliver();
    ASSERT_TRUE(tag.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "12.500") << "more than 5 decimals gives 3";
    ASSERT_TRUE(tag.FormatItem(kFlow, f, 0, text));
    EXPECT_EQ(text, "12.500") << "no decimals item gives 3";
}

TEST_F(LookupTest, FlagWordByTypeCode) {
    FPItemInfo info{};
    info.wOffset = 12;
    t.Put<int32_t>(12, -2);
    t.Deliver();
    for (int type : {0, 3, 4, 5, 6}) {
        info.nType = type;
        EXPECT_EQ(tag.ReadFlagWord(info), 0xFFFFFFFEu) << type;
    }
    t.Put<int16_t>(12, -2);
    t.Deliver();
    info.nType = 1;
    EXPECT_EQ(tag.ReadFlagWord(info), 0xFFFFFFFEu);
    info.nType = 2;
    EXPECT_EQ(tag.ReadFlagWord(info), 0xFFFEu);
    t.Put<float>(12, 5.7f);
    t.Deliver();
    info.nType = 7;
    EXPECT_EQ(tag.ReadFlagWord(info), 5u);
    info.nType = 9;
    EXPECT_EQ(tag.ReadFlagWord(info), 0u);
    info.wOffset = 28;
    info.nType = 8; // 8 bytes would reach past the data
    EXPECT_EQ(tag.ReadFlagWord(info), 0u);
}

// The faceplate's alarm texts and lamp, on a faceplate object without a window.
class TestFaceplate : public CFP_BASEDlg {
public:
    TestFaceplate() : CFP_BASEDlg(0) {}
    int shown = 0;
    void ShowData(BYTE*) override { ++shown; }
};

class FaceplateTest : public ::testing::Test {
protected:
    TestBlock tb;
    TestFaceplate fp;
    std::vector<BYTE> area = std::vector<BYTE>(6 + 32, 0);
    void Open(PFN_FPAlarmState alarmState = nullptr) {
        tagFPOpenPara para = Record(&tb.block);
        para.pfnAlarmState = alarmState;
        fp.SetFPPara(&para, TRUE, FALSE, TRUE, nullptr);
        fp.Tag().SetReadLength(32);
    }
    void Lose() {
        fp.Tag().LinkLost();
        fp.Tag().SetDataGood(fp.Tag().LinkGood());
    }
    void SetUp() override { Open(); }
};

// The faceplate is the tag's owner: the first delivery is shown through the faceplate's own
// ShowData at once, later ones wait for the tick.
TEST_F(FaceplateTest, DeliveriesReachTheTagAndTheFirstIsShownAtOnce) {
    float f = 12.5f;
    std::memcpy(&area[6], &f, 4);
    fp.OnCommuData(area.data());
    EXPECT_EQ(fp.shown, 1);
    EXPECT_TRUE(fp.Tag().IsDataGood());
    EXPECT_TRUE(fp.Tag().StatesShown());
    f = 0;
    EXPECT_EQ(fp.Tag().LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 12.5f);
    fp.OnCommuData(area.data());
    EXPECT_EQ(fp.shown, 1) << "a later delivery is shown by the next tick";
}

TEST_F(FaceplateTest, AlarmAndStatusTextsFromTheBitMap) {
    fp.OnCommuData(area.data());
    EXPECT_EQ(fp.FlagToAlarm(0), "NR");
    EXPECT_EQ(fp.StatusBitText(0), "");
    EXPECT_FALSE(fp.AlarmPresent());
    // Bit map order, each name followed by a blank; bit 33 stands for mask 0x2.
    EXPECT_EQ(fp.FlagToAlarm(0x3), "HH H ");
    EXPECT_TRUE(fp.AlarmPresent());
    EXPECT_EQ(fp.StatusBitText(0x13), "OOS ");
    EXPECT_EQ(fp.FlagToAlarm(0x10), "NR") << "a status bit is no alarm";
}

TEST_F(FaceplateTest, LampIsBlackWhenDataIsNotGood) {
    fp.OnCommuData(area.data());
    fp.FlagToAlarm(0x1);
    EXPECT_EQ(fp.LampColour(), fp::kAlarmColour);
    fp.FlagToAlarm(0);
    EXPECT_EQ(fp.LampColour(), fp::kNormalColour);
    Lose();
    fp.FlagToAlarm(0x1);
    EXPECT_EQ(fp.LampColour(), static_cast<COLORREF>(0));
}

TEST(WriteLogTest, RecordFieldsAndSourceRule) {
    TagUnderTest t;
    t.Open(nullptr, "FP_BALANCE8.dll", "operator");
    tagFPLogRecordW r = t.tag.BuildLogRecord("changed", L"");
    EXPECT_EQ(r.nKind, 2);
    EXPECT_EQ(std::wstring(r.szSource).rfind(L"BALANCE8", 0), 0u);
    EXPECT_STREQ(r.szText, L"changed");
    EXPECT_STREQ(r.szUser, L"operator");

    t.Open(nullptr, "NOUNDERSCOR.dll", "u");
    EXPECT_STREQ(t.tag.BuildLogRecord("x", L"").szSource, L"NOUNDERSCOR.dll");
    t.Open(nullptr, "FP_.dll", "u");
    EXPECT_STREQ(t.tag.BuildLogRecord("x", L"").szSource, L"FP_.dll");
}

TEST(WriteLogTest, LongTextFillsTheFieldWithoutOverrun) {
    TagUnderTest t;
    t.Open(nullptr);
    t.tag.SetUserName("a-user-name-longer-than-thirty-two-characters"); // as ChangeUser gives it
    std::string text(kLogRecordTextChars + 100, 'x');
    tagFPLogRecordW r = t.tag.BuildLogRecord(text.c_str(), L"");
    EXPECT_EQ(std::wstring(r.szText), std::wstring(kLogRecordTextChars - 1, L'x'));
    EXPECT_EQ(wcsnlen(r.szUser, std::size(r.szUser)), std::size(r.szUser) - 1);
}

// The longest operation text and the longest reason the dialog takes, in characters the ANSI
// code page has and has not: the record holds every character of both.
TEST(WriteLogTest, TheWholeReasonIsAppendedInAnyScript) {
    TagUnderTest t;
    std::wstring reason;
    while (reason.size() + 4 <= static_cast<size_t>(kKrMaxReasonChars))
        reason += L"工艺\U0001F525\u0E01"; // two Chinese characters, a pair, a Thai letter
    while (reason.size() < static_cast<size_t>(kKrMaxReasonChars))
        reason += L"调";
    ASSERT_EQ(reason.size(), static_cast<size_t>(kKrMaxReasonChars));
    t.Open(nullptr);
    std::string text(fp::kLogTextSize - 1, 'c');
    std::wstring record = t.tag.BuildLogRecord(text.c_str(), reason).szText;
    EXPECT_EQ(record.rfind(std::wstring(text.begin(), text.end()), 0), 0u);
    ASSERT_GE(record.size(), reason.size());
    EXPECT_EQ(record.substr(record.size() - reason.size()), reason);
    EXPECT_EQ(record.size(), text.size() + kfw::Widen(fp::Text(fp::key::LogReason)).size() +
                                 reason.size());
}

// The write path against the real log library: the request the tag composes, the order of
// record and request (the record is stored before the request goes out; without it nothing
// is sent and the operator is told), and what a closing owner stops.
class WriteTest : public ::testing::Test {
protected:
    TestBlock tb;
    TagUnderTest t;
    CFPTag& tag = t.tag;
    RecordingOwner& owner = t.owner;
    std::wstring folder;
    std::wstring log;
    void SetUp() override {
        folder = UseTempLog(L"write");
        log = folder + L"\\operation.log";
        t.Open(&tb.block);
        t.Put<float>(0, 12.5f);
        t.Deliver();
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", nullptr);
        ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        std::ifstream in(log.c_str());
        for (std::string line; std::getline(in, line);)
            texts.push_back(krlog::SplitFields(line).at(5));
        return texts;
    }
};

// Address (base + item offset, little-endian), width, a zero byte and the value's bytes.
TEST_F(WriteTest, TheRequestOfEachWidth) {
    ASSERT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 1);
    ASSERT_EQ(tag.WriteData(kWord, DWORD{0xA1B2C3D4}, "word"), 1);
    ASSERT_EQ(tag.WriteData(kAction16, WORD{0x1234}, "action"), 1);
    ASSERT_EQ(tag.WriteData(kSwitch, BYTE{255}, "on"), 1);
    const std::vector<std::vector<BYTE>> expected = {
        {0x40, 0x23, 0x01, 0x00, 4, 0, 0x00, 0x00, 0xC6, 0x42},
        {0x48, 0x23, 0x01, 0x00, 4, 0, 0xD4, 0xC3, 0xB2, 0xA1},
        {0x50, 0x23, 0x01, 0x00, 2, 0, 0x34, 0x12},
        {0x45, 0x23, 0x01, 0x00, 1, 0, 0xFF},
    };
    EXPECT_EQ(owner.sent, expected);
    EXPECT_EQ(Texts().size(), 4u) << "each write recorded once";
    EXPECT_EQ(owner.shown, 4) << "each shown at once";
    EXPECT_FLOAT_EQ(t.Held(kFlow), 99.0f) << "the kept copy holds the written value";
    BOOL on = FALSE;
    tag.LookHMIData(kSwitch, on); // takes the written mark off
    ASSERT_EQ(tag.LookHMIData(kSwitch, on), 1);
    EXPECT_EQ(on, 255);
}

TEST_F(WriteTest, RecordedFirstThenSent) {
    EXPECT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 1);
    EXPECT_EQ(owner.sent.size(), 1u);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("FPASS1"), std::string::npos) << Texts()[0];
    EXPECT_FLOAT_EQ(t.Held(kFlow), 99.0f);
    EXPECT_TRUE(owner.told.empty());
}

TEST_F(WriteTest, ALogThatCannotTakeTheRecordStopsTheChange) {
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", folder.c_str()); // a folder where the log should be
    EXPECT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 0);
    EXPECT_EQ(tag.WriteData(kSwitch, static_cast<BYTE>(255), "on"), 0);
    EXPECT_TRUE(owner.sent.empty()) << "nothing reaches the plant unrecorded";
    EXPECT_FLOAT_EQ(t.Held(kFlow), 12.5f);
    EXPECT_EQ(owner.shown, 2) << "repainted from the unchanged block";
    ASSERT_EQ(owner.told.size(), 2u);
    EXPECT_EQ(owner.told[0], "TAG|" + fp::Format(fp::key::WriteNotRecorded, "s", "TAG.FPASS1"));
    EXPECT_FALSE(tag.IsWritten(kFlow));
}

TEST_F(WriteTest, ARefusedRequestIsRecordedAsNotMadeAndTold) {
    owner.sendResult = 0; // the server does not take it
    EXPECT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 0);
    EXPECT_EQ(owner.sent.size(), 1u);
    EXPECT_FLOAT_EQ(t.Held(kFlow), 12.5f) << "the block is not changed";
    EXPECT_EQ(owner.shown, 1) << "repainted from the unchanged block";
    EXPECT_FALSE(tag.IsWritten(kFlow));
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].rfind(texts[0], 0), 0u) << "the second record names the first";
    ASSERT_EQ(owner.told.size(), 1u);
    EXPECT_EQ(owner.told[0], "TAG|" + fp::Format(fp::key::WriteNotSent, "s", "TAG.FPASS1"));
}

TEST_F(WriteTest, ARecordWaitingForABusyLogIsToldAndWrittenLater) {
    {
        krlog::CLogLock holder(log, 0); // another writer keeps the log
        ASSERT_TRUE(holder.Owned());
        EXPECT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 1) << "stored in the spool: sent";
        EXPECT_EQ(owner.sent.size(), 1u);
        EXPECT_TRUE(Texts().empty());
        ASSERT_EQ(owner.told.size(), 1u);
        EXPECT_EQ(owner.told[0], "TAG|" + fp::Format(fp::key::LogWaiting, "d", 1));
    }
    EXPECT_EQ(kr_FlushLog(10000), 0);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("FPASS1"), std::string::npos);
}

// Once the owner closes, no write of any width is sent, shown, logged or marked.
TEST_F(WriteTest, AClosingOwnerStopsEveryWrite) {
    owner.closing = true;
    EXPECT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 0);
    EXPECT_EQ(tag.WriteData(kWord, DWORD{1}, "word"), 0);
    EXPECT_EQ(tag.WriteData(kAction16, WORD{1}, "action"), 0);
    EXPECT_EQ(tag.WriteData(kSwitch, BYTE{255}, "on"), 0);
    EXPECT_TRUE(owner.sent.empty());
    EXPECT_EQ(owner.shown, 0);
    EXPECT_TRUE(owner.told.empty());
    EXPECT_TRUE(Texts().empty());
    EXPECT_FALSE(tag.IsWritten(kFlow));
    EXPECT_FLOAT_EQ(t.Held(kFlow), 12.5f);
    owner.closing = false;
    EXPECT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 1) << "the same write while open";
    EXPECT_EQ(owner.sent.size(), 1u);
}

TEST_F(WriteTest, NothingIsSentWhenNotConnected) {
    t.Lose();
    EXPECT_EQ(tag.WriteData(kFlow, 1.0f, "FPASS1"), 0);
    EXPECT_EQ(tag.WriteData(kSwitch, static_cast<BYTE>(255), "on"), 0);
    EXPECT_TRUE(owner.sent.empty());
    EXPECT_EQ(owner.shown, 0);
    EXPECT_TRUE(Texts().empty());
}

TEST_F(WriteTest, ItemMissingFromTheMapCountsAsDoneWithoutSending) {
    EXPECT_EQ(tag.WriteData(kMissing, 1.0f, "X"), 1);
    EXPECT_FALSE(tag.IsWritten(kMissing));
    EXPECT_TRUE(owner.sent.empty());
    EXPECT_TRUE(Texts().empty());
}

// Without an owner the tag looks values up and takes deliveries; a write is recorded, goes
// nowhere, and is recorded as not made.
TEST_F(WriteTest, ATagWithoutOwnerSendsNothing) {
    CFPTag bare;
    tagFPOpenPara para = Record(&tb.block);
    bare.CopyRecord(&para);
    bare.SetReadLength(32);
    bare.TakeDelivery(t.data.data());
    float f = 0;
    EXPECT_EQ(bare.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 12.5f);
    EXPECT_EQ(bare.WriteData(kFlow, 99.0f, "FPASS1"), 0);
    EXPECT_FALSE(bare.IsWritten(kFlow));
    EXPECT_EQ(Texts().size(), 2u);
}

// Blocks of one size taken from the heap while a scope is open end at the end of a committed
// page with an inaccessible page after them: reading or writing past such a block faults. The
// tag's kept copy of a short delivery is made so.
class PageEndBlocks {
public:
    explicit PageEndBlocks(size_t size) { s_size = size; }
    ~PageEndBlocks() { s_size = 0; }

    static void* Allocate(size_t size) {
        if (size == 0 || size != s_size)
            return nullptr;
        SYSTEM_INFO si{};
        ::GetSystemInfo(&si);
        auto* base =
            static_cast<BYTE*>(::VirtualAlloc(nullptr, 2 * si.dwPageSize, MEM_RESERVE, PAGE_NOACCESS));
        if (!base || !::VirtualAlloc(base, si.dwPageSize, MEM_COMMIT, PAGE_READWRITE))
            return nullptr;
        for (Block& b : s_blocks)
            if (!b.base) {
                b = Block{base, base + si.dwPageSize - size};
                return b.at;
            }
        ::VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    static bool Free(void* p) {
        for (Block& b : s_blocks)
            if (p && b.at == p) {
                ::VirtualFree(b.base, 0, MEM_RELEASE);
                b = Block{nullptr, nullptr};
                return true;
            }
        return false;
    }
    // Blocks made so and not freed yet.
    static int Live() {
        int n = 0;
        for (const Block& b : s_blocks)
            n += b.base != nullptr;
        return n;
    }

private:
    struct Block {
        BYTE* base;
        BYTE* at;
    };
    static inline size_t s_size = 0;
    static inline Block s_blocks[8]{};
};

// A delivery of 16 image bytes (the compact view) while the subscription has grown to 32 (the
// detail view just opened): the kept copy ends at a page end.
class KeptCopyTest : public ::testing::Test {
protected:
    static constexpr int kHeld = 16;
    TestBlock tb;
    TagUnderTest t;
    CFPTag& tag = t.tag;
    void SetUp() override {
        t.Open(&tb.block);
        t.Put<float>(0, 12.5f);
        t.Put<BYTE>(4, 3); // decimals
        {
            PageEndBlocks guard(6 + kHeld);
            t.Deliver(kHeld);
        }
        ASSERT_EQ(PageEndBlocks::Live(), 1) << "the kept copy ends at a page end";
        tag.SetReadLength(32);
        UseTempLog(L"kept_copy");
    }
};

TEST_F(KeptCopyTest, ValuesBeyondTheCopyAreNotYetDelivered) {
    float f = 7.0f;
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 12.5f);
    EXPECT_EQ(tag.LookHMIData(kDetailOnly, f), 0) << "within the subscription, beyond the copy";
    std::string text;
    ASSERT_TRUE(tag.FormatItem(kDetailOnly, f, kDecimals, text));
    EXPECT_EQ(text, "????");
    ASSERT_TRUE(tag.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "12.500");
    EXPECT_EQ(tag.ReadFlagWord(*tag.FindItem(kDetailOnly)), 0u);
    EXPECT_EQ(tag.OldValueText(kDetailOnly), "????");
}

TEST_F(KeptCopyTest, AWriteBeyondTheCopyIsSentButPatchesNothing) {
    EXPECT_EQ(tag.WriteData(kDetailOnly, 3.0f, "X"), 1);
    EXPECT_EQ(t.owner.sent.size(), 1u);
    EXPECT_EQ(t.owner.shown, 1);
    std::string text;
    float f = 0;
    EXPECT_FALSE(tag.FormatItem(kDetailOnly, f, kDecimals, text)) << "the entry stays shown";
}

TEST_F(KeptCopyTest, AWrittenValueStaysShownUntilTheBlockIsReadAgain) {
    std::string text = "99.000";
    float f = 0;
    ASSERT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 1);
    EXPECT_FALSE(tag.FormatItem(kFlow, f, kDecimals, text)) << "the display keeps the entry";
    EXPECT_EQ(text, "99.000") << "not a local zero";
    ASSERT_TRUE(tag.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "99.000") << "the patched copy";
}

TEST_F(KeptCopyTest, StatesCountAsShownOnlyAfterADisplayOfTheWholeImage) {
    tag.ShowBlock();
    EXPECT_EQ(t.owner.shown, 1);
    EXPECT_FALSE(tag.StatesShown()) << "the copy lacks what the subscription asks for";
    TagUnderTest whole;
    whole.Open(&tb.block);
    EXPECT_FALSE(whole.tag.StatesShown()) << "nothing delivered";
    whole.Deliver();
    EXPECT_FALSE(whole.tag.StatesShown()) << "nothing displayed yet";
    whole.tag.ShowBlock();
    EXPECT_TRUE(whole.tag.StatesShown());
    whole.Lose();
    whole.tag.ShowBlock();
    EXPECT_FALSE(whole.tag.StatesShown()) << "lost";
    whole.Deliver();
    EXPECT_FALSE(whole.tag.StatesShown()) << "good again, not yet displayed";
    whole.tag.ShowBlock();
    EXPECT_TRUE(whole.tag.StatesShown());
}

// After a confirmed write the deliveries must show the written value within its decimals (the
// owner names the decimals item); a block that keeps another value is reported once after
// three, and reported again as taken when it shows the value at last.
class WriteCheckTest : public ::testing::Test {
protected:
    TestBlock tb;
    TagUnderTest t;
    CFPTag& tag = t.tag;
    void SetUp() override {
        UseTempLog(L"write_check");
        t.owner.decimalsItems[kFlow] = kDecimals;
        t.Open(&tb.block);
        t.Put<BYTE>(4, 2); // two decimals
        t.Deliver();
    }
};

TEST_F(WriteCheckTest, ABlockThatDoesNotShowTheWrittenValueIsReportedOnce) {
    auto& checked = t.owner.checked;
    ASSERT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 1);
    t.Put<float>(0, 12.5f); // the controller kept its value
    t.Deliver();
    t.Deliver();
    EXPECT_TRUE(checked.empty()) << "two deliveries are not yet a verdict";
    t.Deliver();
    ASSERT_EQ(checked.size(), 1u);
    EXPECT_EQ(checked[0].item, kFlow);
    EXPECT_FALSE(checked[0].taken);
    EXPECT_EQ(checked[0].written, "99.00") << "in the owner's decimals";
    EXPECT_EQ(checked[0].held, "12.50");
    t.Deliver();
    EXPECT_EQ(checked.size(), 1u) << "reported once";
    t.Put<float>(0, 98.996f); // within two decimals
    t.Deliver();
    ASSERT_EQ(checked.size(), 2u);
    EXPECT_TRUE(checked[1].taken);
    t.Deliver();
    EXPECT_EQ(checked.size(), 2u) << "no longer watched";
}

TEST_F(WriteCheckTest, AValueShownAtOnceIsNeverReportedAndSwitchesCompareOnAndOff) {
    auto& checked = t.owner.checked;
    t.Put<float>(0, 7.0f);
    ASSERT_EQ(tag.WriteData(kFlow, 7.0f, "FPASS1"), 1);
    ASSERT_EQ(tag.WriteData(kSwitch, BYTE{255}, "SW"), 1);
    t.Put<BYTE>(5, 1); // the block stores "on" as 1
    for (int i = 0; i < 4; ++i)
        t.Deliver();
    EXPECT_TRUE(checked.empty());
    // A later write of a switch the block leaves off is reported.
    ASSERT_EQ(tag.WriteData(kSwitch, BYTE{255}, "SW"), 1);
    t.Put<BYTE>(5, 0);
    for (int i = 0; i < 3; ++i)
        t.Deliver();
    ASSERT_EQ(checked.size(), 1u);
    EXPECT_EQ(checked[0].item, kSwitch);
    EXPECT_FALSE(checked[0].taken);
}

TEST_F(WriteCheckTest, NothingIsComparedWithoutGoodData) {
    ASSERT_EQ(tag.WriteData(kFlow, 99.0f, "FPASS1"), 1);
    t.Put<float>(0, 12.5f);
    tag.SetStatusBad(TRUE); // the host reports the data as bad: not a verdict
    for (int i = 0; i < 4; ++i)
        t.Deliver();
    EXPECT_TRUE(t.owner.checked.empty());
    tag.SetStatusBad(FALSE);
    for (int i = 0; i < 3; ++i)
        t.Deliver();
    EXPECT_EQ(t.owner.checked.size(), 1u);
}

} // namespace

namespace {

// The host's alarm-state callback failing without filling in its answer.
int __cdecl FailingAlarmState(const char*, uint32_t, int*, COLORREF*) {
    return 0;
}

TEST_F(FaceplateTest, AFailingAlarmCallbackKeepsTheAlarmOfTheFlagBits) {
    Open(FailingAlarmState);
    fp.OnCommuData(area.data());
    EXPECT_EQ(fp.FlagToAlarm(0x1), "H ");
    EXPECT_TRUE(fp.AlarmPresent()) << "the callback gave no answer: the bits stand";
    EXPECT_EQ(fp.FlagToAlarm(0x0), "NR");
    EXPECT_FALSE(fp.AlarmPresent());
}

TEST(OldValueTest, AnOldValueThatCannotBeReadIsUnknownNotZero) {
    TestBlock tb;
    TagUnderTest t;
    t.Open(&tb.block);
    t.Put<float>(0, 42.5f);
    t.Deliver();
    EXPECT_EQ(t.tag.OldValueText(kFlow), "42.5");
    t.Put<float>(0, 1e-7f);
    t.Deliver();
    EXPECT_EQ(t.tag.OldValueText(kFlow), "0.0000001") << "never 0.00000 for a value that is not 0";
    EXPECT_EQ(t.tag.OldValueText(kPastEnd), "????");
    t.Lose();
    EXPECT_EQ(t.tag.OldValueText(kFlow), "????");
}

TEST(EditEntryTest, TextThatIsNotANumberWritesNothingAndTellsTheOperator) {
    TestBlock tb;
    TagUnderTest t;
    UseTempLog(L"edit_entry");
    t.Open(&tb.block);
    t.Put<float>(0, 42.5f);
    t.Deliver();
    CFPTag& tag = t.tag;
    RecordingOwner& owner = t.owner;
    HWND window = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 80, 20, nullptr, nullptr,
                                    nullptr, nullptr);
    ASSERT_TRUE(window);
    CTnEdit edit;
    ASSERT_TRUE(edit.SubclassWindow(window));
    edit.SetText(L"42.500"); // the live value
    struct Refused {
        const wchar_t* typed;
        const char* key;
    };
    const Refused refused[] = {
        {L"-", fp::key::EntryNotANumber},      {L"abc", fp::key::EntryNotANumber},
        {L"1.2.3", fp::key::EntryNotANumber},  {L"   ", fp::key::EntryNotANumber},
        {L"12x", fp::key::EntryNotANumber},    {L"nan", fp::key::EntryNotANumber},
        {L"inf", fp::key::EntryNotANumber},    {L"0x10", fp::key::EntryNotANumber},
        {L"1,5", fp::key::EntryNotANumber},    {L"1e39", fp::key::EntryTooLarge},
        {L"-1e39", fp::key::EntryTooLarge},    {L"1e-50", fp::key::EntryTooSmall},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(kfw::Narrow(r.typed));
        owner.told.clear();
        ::SetWindowTextW(window, r.typed);
        ::SendMessageW(window, EM_SETMODIFY, TRUE, 0); // as typed by the operator
        EXPECT_EQ(tag.WriteData(kFlow, window, "FPASS1"), 0);
        EXPECT_EQ(edit.GetText(), L"42.500") << "the live value again";
        ASSERT_EQ(owner.told.size(), 1u);
        EXPECT_EQ(owner.told[0].substr(0, owner.told[0].find('|')),
                  fp::Text(fp::key::EntryCaption));
        std::string text = owner.told[0].substr(owner.told[0].find('|') + 1);
        EXPECT_NE(text.find(kfw::Narrow(r.typed)), std::string::npos) << text;
        // The message is the key's text (its first words), not another one.
        std::string format = fp::Text(r.key);
        EXPECT_NE(text.find(format.substr(format.find("%s") + 2, 6)), std::string::npos) << text;
    }
    EXPECT_EQ(owner.shown, 0) << "no write was tried";

    // A closing owner is not asked to tell anything.
    owner.told.clear();
    owner.closing = true;
    ::SetWindowTextW(window, L"abc");
    ::SendMessageW(window, EM_SETMODIFY, TRUE, 0);
    EXPECT_EQ(tag.WriteData(kFlow, window, "FPASS1"), 0);
    EXPECT_TRUE(owner.told.empty());
    owner.closing = false;

    // Nothing to change: Enter without typing, on the text the edit was given, or on a number
    // equal to the current value. Nothing is written and nothing needs saying.
    ::SetWindowTextW(window, L"41");
    ::SendMessageW(window, EM_SETMODIFY, FALSE, 0); // not the operator's typing
    EXPECT_EQ(tag.WriteData(kFlow, window, "FPASS1"), 0);
    edit.SetText(L"42.500");
    ::SendMessageW(window, EM_SETMODIFY, TRUE, 0);
    EXPECT_EQ(tag.WriteData(kFlow, window, "FPASS1"), 0);
    ::SetWindowTextW(window, L"42.50000");
    ::SendMessageW(window, EM_SETMODIFY, TRUE, 0);
    EXPECT_EQ(tag.WriteData(kFlow, window, "FPASS1"), 0);
    EXPECT_EQ(owner.shown, 0);
    EXPECT_TRUE(owner.told.empty());
    EXPECT_TRUE(owner.sent.empty());

    // A number with blanks around it goes on to the write (refused here by the server, and
    // the operator is told the change was not made).
    owner.sendResult = 0;
    ::SetWindowTextW(window, L" -12.5 ");
    ::SendMessageW(window, EM_SETMODIFY, TRUE, 0);
    EXPECT_EQ(tag.WriteData(kFlow, window, "FPASS1"), 0);
    ASSERT_EQ(owner.sent.size(), 1u);
    float sent = 0;
    std::memcpy(&sent, &owner.sent[0][6], 4);
    EXPECT_EQ(sent, -12.5f);
    EXPECT_EQ(owner.shown, 1);
    ASSERT_EQ(owner.told.size(), 1u);
    EXPECT_NE(owner.told[0].find("FPASS1"), std::string::npos) << owner.told[0];
    ::DestroyWindow(window);
}

// ---- entries and their texts ----

TEST(EntryTest, ATextIsANumberAFloatHoldsOrNothing) {
    struct Case {
        const char* text;
        fp::EntryProblem problem;
        float value;
    };
    const Case cases[] = {
        {"400", fp::EntryProblem::None, 400.0f},
        {" -12.5\t", fp::EntryProblem::None, -12.5f},
        {"1.", fp::EntryProblem::None, 1.0f},
        {".5", fp::EntryProblem::None, 0.5f},
        {"-0", fp::EntryProblem::None, 0.0f},
        {"16777217", fp::EntryProblem::None, 16777216.0f},
        {"3.4028234e38", fp::EntryProblem::None, 3.4028234e38f},
        {"0.0000001", fp::EntryProblem::None, 1e-7f},
        {"", fp::EntryProblem::NotANumber, 0},
        {"-", fp::EntryProblem::NotANumber, 0},
        {".", fp::EntryProblem::NotANumber, 0},
        {"1e", fp::EntryProblem::NotANumber, 0},
        {"0x10", fp::EntryProblem::NotANumber, 0},
        {"1,5", fp::EntryProblem::NotANumber, 0},
        {"nan", fp::EntryProblem::NotANumber, 0},
        {"-inf", fp::EntryProblem::NotANumber, 0},
        {"1 5", fp::EntryProblem::NotANumber, 0},
        {"1e39", fp::EntryProblem::TooLarge, 0},
        {"-1e39", fp::EntryProblem::TooLarge, 0},
        {"1e400", fp::EntryProblem::TooLarge, 0},
        {"3.4028236e38", fp::EntryProblem::TooLarge, 0},
        {"1e-39", fp::EntryProblem::TooSmall, 0},
        {"-1e-50", fp::EntryProblem::TooSmall, 0},
    };
    for (const Case& c : cases) {
        fp::Entry e = fp::ParseEntry(c.text);
        EXPECT_EQ(e.problem, c.problem) << c.text;
        if (c.problem == fp::EntryProblem::None) {
            EXPECT_EQ(e.value, c.value) << c.text;
            EXPECT_FALSE(std::signbit(e.value) && e.value == 0.0f) << "-0 is written as 0";
        }
    }
}

TEST(EntryTest, ValueTextsHaveAsManyDigitsAsTheValue) {
    const std::pair<float, const char*> cases[] = {
        {400.0f, "400"},
        {0.0f, "0"},
        {-0.5f, "-0.5"},
        {0.1f, "0.1"},
        {123.5f, "123.5"},
        {1e-7f, "0.0000001"},
        {-2.5e-7f, "-0.00000025"},
        {16777216.0f, "16777216"},
        {1e15f, "1000000000000000"},
        {1e16f, "1e+16"},
        {3.4028235e38f, "3.4028235e+38"},
        {1.17549435e-38f, "1.1754944e-38"},
        {1e-8f, "1e-08"},
        {0.3f, "0.3"},
        {1.0000001f, "1.0000001"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(fp::ExactValueText(value), text);
        EXPECT_EQ(std::strtof(fp::ExactValueText(value).c_str(), nullptr), value) << text;
    }
}

TEST(EntryTest, AWrittenValueThatDiffersFromTheTypingSaysSo) {
    fp::Entry e = fp::ParseEntry("16777217");
    std::string text = fp::EntryValueText(e.value, e.typed, "16777217");
    EXPECT_EQ(text.find("16777216"), 0u) << text;
    EXPECT_NE(text.find("16777217"), std::string::npos) << text;
    e = fp::ParseEntry(" 123.456789 ");
    text = fp::EntryValueText(e.value, e.typed, " 123.456789 ");
    EXPECT_EQ(text.find("123.45679"), 0u) << text;
    EXPECT_NE(text.find("123.456789"), std::string::npos) << text;
    // Typed texts a float holds exactly as typed show as the value alone.
    for (const char* typed : {"0.1", "400.000", "0.0000001", "-12.5", "16777216", "1.0000001"}) {
        e = fp::ParseEntry(typed);
        EXPECT_EQ(fp::EntryValueText(e.value, e.typed, typed), fp::ExactValueText(e.value))
            << typed;
    }
}

TEST(CopyRecordTest, UnterminatedTextFieldsAreCutAtTheirField) {
    tagFPOpenPara para;
    std::memset(&para, 'A', sizeof para); // no text field holds a terminating zero
    para.pBlock = nullptr;
    para.pUnitMap = nullptr;
    para.pfnOpenItem = nullptr;
    para.pfnReadStatus = nullptr;
    para.pfnHostCall = nullptr;
    para.pfnGetVariant = nullptr;
    para.pfnCheckArea = nullptr;
    para.pfnAlarmAck = nullptr;
    para.pfnAlarmState = nullptr;
    para.bConfirm = 0;
    CFPTag tag;
    tag.CopyRecord(&para);
    EXPECT_EQ(tag.TagName(), std::string(25, 'A'));
    EXPECT_EQ(tag.ModuleFile(), std::string(16, 'A'));
    tag.DetermineHostMode();
    EXPECT_FALSE(tag.IsHostCallbackMode());
    float f = 1.0f;
    EXPECT_EQ(tag.LookHMIData(kFlow, f), 0) << "no block descriptor: unavailable";
}

} // namespace

// This program's allocations: blocks of the size a PageEndBlocks scope names end at a page end.
void* operator new(size_t size) {
    if (void* p = PageEndBlocks::Allocate(size))
        return p;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    if (!PageEndBlocks::Free(p))
        std::free(p);
}

void operator delete(void* p, size_t) noexcept {
    operator delete(p);
}

// ---- The binding engine on a window of the test's own ----

namespace {

class TestBindingHost : public fp::IBindingHost {
public:
    explicit TestBindingHost(CFPTag& tag) : m_tag(tag) {}
    CFPTag& BoundTag() override { return m_tag; }
    bool MayOperate(int, HWND, bool) const override { return allow; }
    int RequiredLevel(uint16_t) const override { return required; }
    WORD UserLevel() const override { return user; }
    void ShowAlarmState(uint16_t) override {}
    bool IsClosing() const override { return false; }
    bool allow = true;
    int required = 1;
    WORD user = 1;

private:
    CFPTag& m_tag;
};

constexpr int kEditId = 100, kBoxId = 101;
constexpr uint32_t kBoxBit = 0x02;
// An edit of the real item, coloured by bit 0x01 of the word; a box for bit 0x02 of the word.
constexpr fp::Binding kTestRows[] = {
    {fp::kMainWindow, kEditId, fp::BindKind::Value, kFlow, kDecimals, kWord, 0x01, 0, 0, nullptr,
     nullptr, 0, "FPASS1", 0, 0},
    {fp::kMainWindow, kBoxId, fp::BindKind::WordBit, kWord, 0, 0, kBoxBit, 0x1F, sizeof(DWORD),
     "FP_ACCUM_STR000271", "FP_ACCUM_STR000272", 0, nullptr, 0, 0},
};

class BindingTest : public ::testing::Test {
protected:
    TestBlock tb;
    TagUnderTest t;
    TestBindingHost host{t.tag};
    fp::CBindingEngine engine{host, kTestRows};
    HWND parent = nullptr;

    void SetUp() override {
        UseTempLog(L"binding");
        t.Open(&tb.block);
        t.Put<float>(0, 12.5f);
        t.Put<BYTE>(4, 2);      // two decimals
        t.Put<DWORD>(8, 0x05u); // HH and LL set, H (the box's bit) clear
        t.Deliver();
        const HINSTANCE self = ::GetModuleHandleW(nullptr);
        parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 80, nullptr, nullptr,
                                   self, nullptr);
        ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 4, 4, 90, 20, parent,
                          reinterpret_cast<HMENU>(kEditId), self, nullptr);
        ::CreateWindowExW(0, L"BUTTON", L"H", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 4, 30, 90,
                          20, parent, reinterpret_cast<HMENU>(kBoxId), self, nullptr);
        engine.Bind(fp::kMainWindow, parent);
    }
    void TearDown() override {
        engine.Unbind(fp::kMainWindow);
        ::DestroyWindow(parent);
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", nullptr);
        ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
    }
    HWND Edit() const { return ::GetDlgItem(parent, kEditId); }
    HWND Box() const { return ::GetDlgItem(parent, kBoxId); }
    int BoxState() const { return static_cast<int>(::SendMessageW(Box(), BM_GETCHECK, 0, 0)); }
    // The platform's part of a click on the box: it toggles, then tells its parent.
    bool ClickBox() {
        ::SendMessageW(Box(), BM_SETCHECK, BoxState() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED,
                       0);
        return engine.OnCommand(fp::kMainWindow, kBoxId, BN_CLICKED, Box());
    }
    DWORD SentWord(size_t i) const {
        DWORD word = 0;
        std::memcpy(&word, t.owner.sent.at(i).data() + 6, sizeof word);
        return word;
    }
};

TEST_F(BindingTest, AControlIsTouchedOnlyWhenItsLookChanges) {
    engine.Show(fp::kMainWindow);
    engine.ApplyRights(false);
    EXPECT_EQ(kfw::GetWindowTextW(Edit()), L"12.50");
    EXPECT_EQ(BoxState(), BST_UNCHECKED);
    auto* edit = dynamic_cast<CTnEdit*>(kfw::CWnd::FromHandle(Edit()));
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->GetCurrentBackground(), kctl::kAlarmHighlight) << "bit 0x01 of the word";

    kt::MsgRecorder editLog(Edit(), 1), boxLog(Box(), 2);
    kt::MsgLog::Get().Clear();
    engine.Show(fp::kMainWindow);
    engine.ApplyRights(false);
    EXPECT_TRUE(kt::MsgLog::Get().Entries().empty()) << "the same block and rights again";

    t.Put<float>(0, 13.25f);
    t.Deliver();
    engine.Show(fp::kMainWindow);
    EXPECT_EQ(kfw::GetWindowTextW(Edit()), L"13.25");
    int toEdit = 0, toBox = 0;
    for (const kt::Message& m : kt::MsgLog::Get().Entries())
        (m.id == 1 ? toEdit : toBox) += m.message == WM_SETTEXT || m.message == BM_SETCHECK;
    EXPECT_EQ(toEdit, 1) << "one new text";
    EXPECT_EQ(toBox, 0) << "the word did not change";

    host.user = 0; // the operator's level drops: the rights change once
    kt::MsgLog::Get().Clear();
    engine.ApplyRights(false);
    EXPECT_FALSE(kt::MsgLog::Get().Entries().empty());
    EXPECT_TRUE(edit->IsReadOnly());
}

TEST_F(BindingTest, ABoxWritesTheBlocksWordWithOnlyItsBitChanged) {
    engine.Show(fp::kMainWindow);
    ASSERT_TRUE(ClickBox());
    ASSERT_EQ(t.owner.sent.size(), 1u);
    EXPECT_EQ(SentWord(0), 0x07u) << "HH and LL kept from the block, H set";
    // The block has not taken it yet: the next show puts the block's state back, and a
    // second click again starts from the block's word.
    t.Deliver();
    engine.Show(fp::kMainWindow);
    EXPECT_EQ(BoxState(), BST_UNCHECKED);
    ASSERT_TRUE(ClickBox());
    ASSERT_EQ(t.owner.sent.size(), 2u);
    EXPECT_EQ(SentWord(1), 0x07u);
}

TEST_F(BindingTest, ARefusedClickIsUndoneByTheNextShow) {
    engine.Show(fp::kMainWindow);
    host.allow = false;
    ASSERT_TRUE(ClickBox());
    EXPECT_TRUE(t.owner.sent.empty());
    EXPECT_EQ(BoxState(), BST_CHECKED) << "as the platform left it";
    engine.Show(fp::kMainWindow);
    EXPECT_EQ(BoxState(), BST_UNCHECKED) << "the block's state again";
}

} // namespace
