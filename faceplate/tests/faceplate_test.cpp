// Value lookup, formatting, alarm texts and log records of the generic faceplate, on a
// faceplate object fed with a data block of the test's own.
#include "FPEntry.h"
#include "FPText.h"
#include "FP_BASEDlg.h"
#include "FPText.h"
#include "KrConfirm.h"
#include "KrLogChain.h"
#include "KrLogLib.h"
#include "TnEdit.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr WORD kFlow = 3, kDecimals = 423, kSwitch = 95, kWord = 502, kFlag = 105, kMissing = 999;
constexpr WORD kNullEntry = 777, kPastEnd = 778, kDetailOnly = 779;

// A block of four items and a flag word with three bits.
struct TestBlock {
    FPItemInfo items[8]{};
    FPItemMapEntry entries[8]{};
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
        block.itemMap.pEntries = entries;
        block.itemMap.nCount = 8;
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

class TestFaceplate : public CFP_BASEDlg {
public:
    TestFaceplate() : CFP_BASEDlg(0) {}
    std::vector<BYTE> data = std::vector<BYTE>(6 + 32, 0);
    int shown = 0;


    void Feed(const FPBlockInfo* block, bool connected = true) {
        m_pBlock = block;
        m_pDataBlock = data.data();
        m_nReadLength = 32;
        m_nHeldLength = 32;
        m_bconnected = connected;
        m_nDataGood = connected;
    }
    // A kept copy of `held` image bytes at `image` (header included) while the subscription
    // asks for `read` bytes, as right after the detail view opened.
    void FeedCopy(const FPBlockInfo* block, BYTE* image, int held, int read) {
        Feed(block);
        m_pDataBlock = image;
        m_nHeldLength = held;
        m_nReadLength = read;
    }
    template <typename T> void Put(size_t offset, T v) {
        std::memcpy(&data[6 + offset], &v, sizeof v);
    }
    void MarkWritten(WORD item) { m_listWritten.push_back(item); }
    void SetModule(const char* file, const char* user, const wchar_t* reason) {
        m_strTagName = "TAG";
        m_strModuleFile = file;
        m_strUserName = user;
        m_strReason = reason;
    }
    void ShowData(BYTE*) override { ++shown; }
    struct Checked {
        WORD item;
        bool taken;
        std::string written, held;
    };
    std::vector<Checked> checked;
    WORD DecimalsItemOf(WORD item) const override { return item == kFlow ? kDecimals : 0; }
    void OnWriteChecked(WORD item, bool taken, const std::string& written,
                        const std::string& held) override {
        checked.push_back({item, taken, written, held});
    }
    // A delivery of the block as it is in `data`.
    void Deliver() { CheckWrites(); }
    // Requests handed to the server; sendResult -1 leaves them to the real client.
    int sent = 0;
    int sendResult = -1;
    int SendWrite(const BYTE* request, int length) override {
        ++sent;
        return sendResult >= 0 ? sendResult : CFP_BASEDlg::SendWrite(request, length);
    }
    void SetAlarmCallback(PFN_FPAlarmState callback) { m_pFunAlmState = callback; }
    // What the operator would be told, instead of a message box without a window.
    std::vector<std::string> told;
    void TellOperator(const std::string& caption, const std::string& text) override {
        told.push_back(caption + "|" + text);
    }
};

class LookupTest : public ::testing::Test {
protected:
    TestBlock tb;
    TestFaceplate fp;
    void SetUp() override {
        fp.Feed(&tb.block);
        fp.Put<float>(0, 12.5f);
        fp.Put<BYTE>(4, 2);
        fp.Put<BYTE>(5, 1);
        fp.Put<DWORD>(8, 0x12345678u);
    }
};

TEST_F(LookupTest, ReadsEachTypeAtItsOffset) {
    float f = 0;
    BYTE b = 0;
    BOOL on = FALSE;
    DWORD w = 0;
    EXPECT_EQ(fp.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 12.5f);
    EXPECT_EQ(fp.LookHMIData(kDecimals, b), 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(fp.LookHMIData(kSwitch, on), 1);
    EXPECT_EQ(on, 1); // a stored 1 counts as on
    EXPECT_EQ(fp.LookHMIData(kWord, w), 1);
    EXPECT_EQ(w, 0x12345678u);
}

TEST_F(LookupTest, UnknownAndWrittenItemsLeaveTheOutputAlone) {
    float f = 7.0f;
    EXPECT_EQ(fp.LookHMIData(kMissing, f), 1);
    EXPECT_FLOAT_EQ(f, 7.0f);
    fp.MarkWritten(kFlow);
    EXPECT_EQ(fp.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 7.0f) << "first lookup after a write keeps the shown value";
    EXPECT_EQ(fp.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 12.5f) << "the next lookup reads the block again";
}

TEST_F(LookupTest, BadDescriptorsAndShortDataReadAsUnavailable) {
    float f = 7.0f;
    EXPECT_EQ(fp.LookHMIData(kNullEntry, f), 0);
    EXPECT_EQ(fp.LookHMIData(kPastEnd, f), 0);
    fp.Feed(nullptr);
    EXPECT_EQ(fp.LookHMIData(kFlow, f), 0);
    std::string text;
    EXPECT_FALSE(fp.FormatItem(kFlow, f, kDecimals, text));
}

TEST_F(LookupTest, NoDataGivesZeroAndUnavailableText) {
    fp.Feed(&tb.block, false);
    float f = 7.0f;
    EXPECT_EQ(fp.LookHMIData(kFlow, f), 0);
    EXPECT_FLOAT_EQ(f, 0.0f);
    std::string text;
    EXPECT_TRUE(fp.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "????");
}

TEST_F(LookupTest, DecimalsFollowTheDecimalsItem) {
    float f = 0;
    std::string text;
    ASSERT_TRUE(fp.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "12.50");
    fp.Put<BYTE>(4, 0);
    ASSERT_TRUE(fp.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "12") << "0 decimals: an integer without a point";
    fp.Put<BYTE>(4, 6);
    ASSERT_TRUE(fp.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "12.500") << "more than 5 decimals gives 3";
    ASSERT_TRUE(fp.FormatItem(kFlow, f, 0, text));
    EXPECT_EQ(text, "12.500") << "no decimals item gives 3";
}

TEST_F(LookupTest, FlagWordByTypeCode) {
    FPItemInfo info{};
    info.wOffset = 12;
    fp.Put<int32_t>(12, -2);
    for (int type : {0, 3, 4, 5, 6}) {
        info.nType = type;
        EXPECT_EQ(fp.ReadFlagWord(info), 0xFFFFFFFEu) << type;
    }
    fp.Put<int16_t>(12, -2);
    info.nType = 1;
    EXPECT_EQ(fp.ReadFlagWord(info), 0xFFFFFFFEu);
    info.nType = 2;
    EXPECT_EQ(fp.ReadFlagWord(info), 0xFFFEu);
    fp.Put<float>(12, 5.7f);
    info.nType = 7;
    EXPECT_EQ(fp.ReadFlagWord(info), 5u);
    info.nType = 9;
    EXPECT_EQ(fp.ReadFlagWord(info), 0u);
    info.wOffset = 28;
    info.nType = 8; // 8 bytes would reach past the data
    EXPECT_EQ(fp.ReadFlagWord(info), 0u);
}

TEST_F(LookupTest, AlarmAndStatusTextsFromTheBitMap) {
    EXPECT_EQ(fp.FlagToAlarm(0), "NR");
    EXPECT_EQ(fp.StatusBitText(0), "");
    EXPECT_FALSE(fp.AlarmPresent());
    // Bit map order, each name followed by a blank; bit 33 stands for mask 0x2.
    EXPECT_EQ(fp.FlagToAlarm(0x3), "HH H ");
    EXPECT_TRUE(fp.AlarmPresent());
    EXPECT_EQ(fp.StatusBitText(0x13), "OOS ");
    EXPECT_EQ(fp.FlagToAlarm(0x10), "NR") << "a status bit is no alarm";
}

TEST_F(LookupTest, LampIsBlackWhenDataIsNotGood) {
    fp.FlagToAlarm(0x1);
    EXPECT_EQ(fp.LampColour(), fp::kAlarmColour);
    fp.FlagToAlarm(0);
    EXPECT_EQ(fp.LampColour(), fp::kNormalColour);
    fp.Feed(&tb.block, false);
    fp.FlagToAlarm(0x1);
    EXPECT_EQ(fp.LampColour(), static_cast<COLORREF>(0));
}

TEST(WriteLogTest, RecordFieldsAndSourceRule) {
    TestFaceplate fp;
    fp.SetModule("FP_BALANCE8.dll", "operator", L"");
    tagFPLogRecordW r = fp.BuildLogRecord("changed");
    EXPECT_EQ(r.nKind, 2);
    EXPECT_EQ(std::wstring(r.szSource).rfind(L"BALANCE8", 0), 0u);
    EXPECT_STREQ(r.szText, L"changed");
    EXPECT_STREQ(r.szUser, L"operator");

    fp.SetModule("NOUNDERSCORE.dll", "u", L"");
    EXPECT_STREQ(fp.BuildLogRecord("x").szSource, L"NOUNDERSCORE.dll");
    fp.SetModule("FP_.dll", "u", L"");
    EXPECT_STREQ(fp.BuildLogRecord("x").szSource, L"FP_.dll");
}

TEST(WriteLogTest, LongTextFillsTheFieldWithoutOverrun) {
    TestFaceplate fp;
    fp.SetModule("FP_BALANCE8.dll", "a-user-name-longer-than-thirty-two-characters", L"");
    std::string text(kLogRecordTextChars + 100, 'x');
    tagFPLogRecordW r = fp.BuildLogRecord(text.c_str());
    EXPECT_EQ(std::wstring(r.szText), std::wstring(kLogRecordTextChars - 1, L'x'));
    EXPECT_EQ(wcsnlen(r.szUser, std::size(r.szUser)), std::size(r.szUser) - 1);
}

// The longest operation text and the longest reason the dialog takes, in characters the ANSI
// code page has and has not: the record holds every character of both.
TEST(WriteLogTest, TheWholeReasonIsAppendedInAnyScript) {
    TestFaceplate fp;
    std::wstring reason;
    while (reason.size() + 4 <= static_cast<size_t>(kKrMaxReasonChars))
        reason += L"工艺\U0001F525\u0E01"; // two Chinese characters, a pair, a Thai letter
    while (reason.size() < static_cast<size_t>(kKrMaxReasonChars))
        reason += L"调";
    ASSERT_EQ(reason.size(), static_cast<size_t>(kKrMaxReasonChars));
    fp.SetModule("FP_BALANCE8.dll", "op", reason.c_str());
    std::string text(fp::kLogTextSize - 1, 'c');
    std::wstring record = fp.BuildLogRecord(text.c_str()).szText;
    EXPECT_EQ(record.rfind(std::wstring(text.begin(), text.end()), 0), 0u);
    ASSERT_GE(record.size(), reason.size());
    EXPECT_EQ(record.substr(record.size() - reason.size()), reason);
    EXPECT_EQ(record.size(), text.size() + kfw::Widen(fp::Text(fp::key::LogReason)).size() +
                                 reason.size());
}

// The write path's order against the real log library: the record is stored before the request
// goes out; without it nothing is sent and the operator is told.
class WriteOrderTest : public ::testing::Test {
protected:
    TestBlock tb;
    TestFaceplate fp;
    std::wstring folder;
    std::wstring log;
    void SetUp() override {
        wchar_t tmp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, tmp);
        folder = std::wstring(tmp) + L"fpwrite_" + std::to_wstring(::GetCurrentProcessId()) +
                 L"_" + std::to_wstring(::GetTickCount());
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
        log = folder + L"\\operation.log";
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", log.c_str());
        ::SetEnvironmentVariableW(L"KR_STATION_INI", (folder + L"\\KrStation.ini").c_str());
        fp.Feed(&tb.block);
        fp.Put<float>(0, 12.5f);
        fp.SetModule("FP_BALANCE8.dll", "op", L"");
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
    float Block() {
        float f = 0;
        std::memcpy(&f, &fp.data[6], 4);
        return f;
    }
};

TEST_F(WriteOrderTest, RecordedFirstThenSent) {
    fp.sendResult = 1;
    EXPECT_EQ(fp.WriteData(kFlow, 99.0f, "FPASS1"), 1);
    EXPECT_EQ(fp.sent, 1);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("FPASS1"), std::string::npos) << Texts()[0];
    EXPECT_FLOAT_EQ(Block(), 99.0f);
    EXPECT_TRUE(fp.told.empty());
}

TEST_F(WriteOrderTest, ALogThatCannotTakeTheRecordStopsTheChange) {
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", folder.c_str()); // a folder where the log should be
    fp.sendResult = 1;
    EXPECT_EQ(fp.WriteData(kFlow, 99.0f, "FPASS1"), 0);
    EXPECT_EQ(fp.WriteData(kSwitch, static_cast<BYTE>(255), "on"), 0);
    EXPECT_EQ(fp.sent, 0) << "nothing reaches the plant unrecorded";
    EXPECT_FLOAT_EQ(Block(), 12.5f);
    EXPECT_EQ(fp.shown, 2) << "repainted from the unchanged block";
    ASSERT_EQ(fp.told.size(), 2u);
    EXPECT_EQ(fp.told[0], "TAG|" + fp::Format(fp::key::WriteNotRecorded, "s", "TAG.FPASS1"));
    EXPECT_FALSE(fp.IsWritten(kFlow));
}

TEST_F(WriteOrderTest, ARefusedRequestIsRecordedAsNotMadeAndTold) {
    // No server: the client refuses the request.
    EXPECT_EQ(fp.WriteData(kFlow, 99.0f, "FPASS1"), 0);
    EXPECT_EQ(fp.sent, 1);
    EXPECT_FLOAT_EQ(Block(), 12.5f);
    EXPECT_EQ(fp.shown, 1);
    EXPECT_FALSE(fp.IsWritten(kFlow));
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].rfind(texts[0], 0), 0u) << "the second record names the first";
    ASSERT_EQ(fp.told.size(), 1u);
    EXPECT_EQ(fp.told[0], "TAG|" + fp::Format(fp::key::WriteNotSent, "s", "TAG.FPASS1"));
}

TEST_F(WriteOrderTest, ARecordWaitingForABusyLogIsToldAndWrittenLater) {
    fp.sendResult = 1;
    {
        krlog::CLogLock holder(log, 0); // another writer keeps the log
        ASSERT_TRUE(holder.Owned());
        EXPECT_EQ(fp.WriteData(kFlow, 99.0f, "FPASS1"), 1) << "stored in the spool: sent";
        EXPECT_EQ(fp.sent, 1);
        EXPECT_TRUE(Texts().empty());
        ASSERT_EQ(fp.told.size(), 1u);
        EXPECT_EQ(fp.told[0], "TAG|" + fp::Format(fp::key::LogWaiting, "d", 1));
    }
    EXPECT_EQ(kr_FlushLog(10000), 0);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("FPASS1"), std::string::npos);
}

TEST(WriteTest, NothingIsSentWhenNotConnected) {
    TestBlock tb;
    TestFaceplate fp;
    fp.Feed(&tb.block, false);
    EXPECT_EQ(fp.WriteData(kFlow, 1.0f, "FPASS1"), 0);
    EXPECT_EQ(fp.WriteData(kSwitch, static_cast<BYTE>(255), "on"), 0);
    EXPECT_EQ(fp.shown, 0);
}

TEST(WriteTest, ItemMissingFromTheMapCountsAsDoneWithoutSending) {
    TestBlock tb;
    TestFaceplate fp;
    fp.Feed(&tb.block);
    EXPECT_EQ(fp.WriteData(kMissing, 1.0f, "X"), 1);
    EXPECT_FALSE(fp.IsWritten(kMissing));
}

TEST(WriteTest, RefusedWriteKeepsTheBlockAndRepaints) {
    TestBlock tb;
    TestFaceplate fp;
    fp.Feed(&tb.block);
    fp.Put<float>(0, 12.5f);
    // No server: the client refuses the request.
    EXPECT_EQ(fp.WriteData(kFlow, 99.0f, "FPASS1"), 0);
    float f = 0;
    std::memcpy(&f, &fp.data[6], 4);
    EXPECT_FLOAT_EQ(f, 12.5f);
    EXPECT_EQ(fp.shown, 1);
    EXPECT_FALSE(fp.IsWritten(kFlow));
}

// A kept copy whose last byte is the last byte of a committed page: nothing may touch the
// page after it.
class PageEndCopy {
public:
    static constexpr int kHeld = 16;
    PageEndCopy() {
        SYSTEM_INFO si{};
        ::GetSystemInfo(&si);
        m_page = si.dwPageSize;
        m_base = static_cast<BYTE*>(::VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE, PAGE_NOACCESS));
        if (m_base)
            ::VirtualAlloc(m_base, m_page, MEM_COMMIT, PAGE_READWRITE);
    }
    ~PageEndCopy() {
        if (m_base)
            ::VirtualFree(m_base, 0, MEM_RELEASE);
    }
    BYTE* Image() const { return m_base ? m_base + m_page - (6 + kHeld) : nullptr; }

private:
    DWORD m_page = 0;
    BYTE* m_base = nullptr;
};

// A log of its own in a new folder, so that no log of an earlier run (or its keys) is used.
void UseTempLog(const wchar_t* name) {
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    const std::wstring folder = std::wstring(tmp) + L"fplog_" +
                                std::to_wstring(::GetCurrentProcessId()) + L"_" +
                                std::to_wstring(::GetTickCount()) + L"_" + name;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", (folder + L"\\operation.log").c_str());
    ::SetEnvironmentVariableW(L"KR_STATION_INI", (folder + L"\\KrStation.ini").c_str());
}

class KeptCopyTest : public ::testing::Test {
protected:
    TestBlock tb;
    TestFaceplate fp;
    PageEndCopy copy;
    void SetUp() override {
        ASSERT_TRUE(copy.Image());
        std::memset(copy.Image(), 0, 6 + PageEndCopy::kHeld);
        float flow = 12.5f;
        std::memcpy(copy.Image() + 6, &flow, 4);
        copy.Image()[6 + 4] = 3; // decimals
        // Compact copy, detail subscription.
        fp.FeedCopy(&tb.block, copy.Image(), PageEndCopy::kHeld, 32);
        UseTempLog(L"kept_copy");
    }
};

TEST_F(KeptCopyTest, ValuesBeyondTheCopyAreNotYetDelivered) {
    float f = 7.0f;
    EXPECT_EQ(fp.LookHMIData(kFlow, f), 1);
    EXPECT_FLOAT_EQ(f, 12.5f);
    EXPECT_EQ(fp.LookHMIData(kDetailOnly, f), 0) << "within the subscription, beyond the copy";
    std::string text;
    ASSERT_TRUE(fp.FormatItem(kDetailOnly, f, kDecimals, text));
    EXPECT_EQ(text, "????");
    ASSERT_TRUE(fp.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "12.500");
    EXPECT_EQ(fp.ReadFlagWord(*fp.FindItem(kDetailOnly)), 0u);
    EXPECT_EQ(fp.OldValueText(kDetailOnly), "????");
}

TEST_F(KeptCopyTest, AWriteBeyondTheCopyIsSentButPatchesNothing) {
    fp.sendResult = 1;
    EXPECT_EQ(fp.WriteData(kDetailOnly, 3.0f, "X"), 1);
    EXPECT_EQ(fp.shown, 1);
    std::string text;
    float f = 0;
    EXPECT_FALSE(fp.FormatItem(kDetailOnly, f, kDecimals, text)) << "the entry stays shown";
}

TEST_F(KeptCopyTest, AWrittenValueStaysShownUntilTheBlockIsReadAgain) {
    fp.sendResult = 1;
    std::string text = "99.000";
    float f = 0;
    ASSERT_EQ(fp.WriteData(kFlow, 99.0f, "FPASS1"), 1);
    EXPECT_FALSE(fp.FormatItem(kFlow, f, kDecimals, text)) << "the display keeps the entry";
    EXPECT_EQ(text, "99.000") << "not a local zero";
    ASSERT_TRUE(fp.FormatItem(kFlow, f, kDecimals, text));
    EXPECT_EQ(text, "99.000") << "the patched copy";
}

// After a confirmed write the deliveries must show the written value within its decimals; a
// block that keeps another value is reported once after three, and reported again as taken
// when it shows the value at last.
TEST(WriteCheckTest, ABlockThatDoesNotShowTheWrittenValueIsReportedOnce) {
    TestBlock tb;
    TestFaceplate fp;
    UseTempLog(L"write_check");
    fp.Feed(&tb.block);
    fp.Put<BYTE>(4, 2); // two decimals
    fp.sendResult = 1;
    ASSERT_EQ(fp.WriteData(kFlow, 99.0f, "FPASS1"), 1);
    fp.Put<float>(0, 12.5f); // the controller kept its value
    fp.Deliver();
    fp.Deliver();
    EXPECT_TRUE(fp.checked.empty()) << "two deliveries are not yet a verdict";
    fp.Deliver();
    ASSERT_EQ(fp.checked.size(), 1u);
    EXPECT_EQ(fp.checked[0].item, kFlow);
    EXPECT_FALSE(fp.checked[0].taken);
    EXPECT_EQ(fp.checked[0].written, "99.00");
    EXPECT_EQ(fp.checked[0].held, "12.50");
    fp.Deliver();
    EXPECT_EQ(fp.checked.size(), 1u) << "reported once";
    fp.Put<float>(0, 98.996f); // within two decimals
    fp.Deliver();
    ASSERT_EQ(fp.checked.size(), 2u);
    EXPECT_TRUE(fp.checked[1].taken);
    fp.Deliver();
    EXPECT_EQ(fp.checked.size(), 2u) << "no longer watched";
}

TEST(WriteCheckTest, AValueShownAtOnceIsNeverReportedAndSwitchesCompareOnAndOff) {
    TestBlock tb;
    TestFaceplate fp;
    UseTempLog(L"write_check");
    fp.Feed(&tb.block);
    fp.sendResult = 1;
    ASSERT_EQ(fp.WriteData(kFlow, 7.0f, "FPASS1"), 1);
    ASSERT_EQ(fp.WriteData(kSwitch, BYTE{255}, "SW"), 1);
    fp.Put<BYTE>(5, 1); // the block stores "on" as 1
    for (int i = 0; i < 4; ++i)
        fp.Deliver(); // the patched copy holds 7.0 as delivered
    EXPECT_TRUE(fp.checked.empty());
    // A later write of a switch the block leaves off is reported.
    ASSERT_EQ(fp.WriteData(kSwitch, BYTE{255}, "SW"), 1);
    fp.Put<BYTE>(5, 0);
    for (int i = 0; i < 3; ++i)
        fp.Deliver();
    ASSERT_EQ(fp.checked.size(), 1u);
    EXPECT_EQ(fp.checked[0].item, kSwitch);
    EXPECT_FALSE(fp.checked[0].taken);
}

TEST_F(KeptCopyTest, StatesCountAsShownOnlyAfterADisplayOfTheWholeImage) {
    fp.ShowBlock();
    EXPECT_FALSE(fp.StatesShown()) << "the copy lacks what the subscription asks for";
    TestFaceplate whole;
    whole.Feed(&tb.block);
    EXPECT_FALSE(whole.StatesShown()) << "nothing displayed yet";
    whole.ShowBlock();
    EXPECT_TRUE(whole.StatesShown());
    whole.Feed(&tb.block, false);
    whole.ShowBlock();
    EXPECT_FALSE(whole.StatesShown()) << "lost";
    whole.Feed(&tb.block);
    EXPECT_FALSE(whole.StatesShown()) << "good again, not yet displayed";
    whole.ShowBlock();
    EXPECT_TRUE(whole.StatesShown());
}

} // namespace

namespace {

// The host's alarm-state callback failing without filling in its answer.
int __cdecl FailingAlarmState(const char*, uint32_t, int*, COLORREF*) {
    return 0;
}

TEST(AlarmStateTest, AFailingCallbackKeepsTheAlarmOfTheFlagBits) {
    TestBlock tb;
    TestFaceplate fp;
    fp.Feed(&tb.block);
    fp.SetAlarmCallback(FailingAlarmState);
    EXPECT_EQ(fp.FlagToAlarm(0x1), "H ");
    EXPECT_TRUE(fp.AlarmPresent()) << "the callback gave no answer: the bits stand";
    EXPECT_EQ(fp.FlagToAlarm(0x0), "NR");
    EXPECT_FALSE(fp.AlarmPresent());
}

TEST(WriteTest, OldValueThatCannotBeReadIsUnknownNotZero) {
    TestBlock tb;
    TestFaceplate fp;
    fp.Feed(&tb.block);
    fp.Put<float>(0, 42.5f);
    EXPECT_EQ(fp.OldValueText(kFlow), "42.5");
    fp.Put<float>(0, 1e-7f);
    EXPECT_EQ(fp.OldValueText(kFlow), "0.0000001") << "never 0.00000 for a value that is not 0";
    EXPECT_EQ(fp.OldValueText(kPastEnd), "????");
    fp.Feed(&tb.block, false);
    EXPECT_EQ(fp.OldValueText(kFlow), "????");
}

TEST(WriteTest, EditTextThatIsNotANumberWritesNothingAndTellsTheOperator) {
    TestBlock tb;
    TestFaceplate fp;
    fp.Feed(&tb.block);
    fp.Put<float>(0, 42.5f);
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
        fp.told.clear();
        ::SetWindowTextW(window, r.typed);
        ::SendMessageW(window, EM_SETMODIFY, TRUE, 0); // as typed by the operator
        EXPECT_EQ(fp.WriteData(kFlow, window, "FPASS1"), 0);
        EXPECT_EQ(edit.GetText(), L"42.500") << "the live value again";
        ASSERT_EQ(fp.told.size(), 1u);
        EXPECT_EQ(fp.told[0].substr(0, fp.told[0].find('|')), fp::Text(fp::key::EntryCaption));
        std::string text = fp.told[0].substr(fp.told[0].find('|') + 1);
        EXPECT_NE(text.find(kfw::Narrow(r.typed)), std::string::npos) << text;
        // The message is the key's text (its first words), not another one.
        std::string format = fp::Text(r.key);
        EXPECT_NE(text.find(format.substr(format.find("%s") + 2, 6)), std::string::npos) << text;
    }
    EXPECT_EQ(fp.shown, 0) << "no write was tried";

    // Nothing to change: Enter without typing, on the text the edit was given, or on a number
    // equal to the current value. Nothing is written and nothing needs saying.
    fp.told.clear();
    ::SetWindowTextW(window, L"41"); // not the operator's typing
    EXPECT_EQ(fp.WriteData(kFlow, window, "FPASS1"), 0);
    edit.SetText(L"42.500");
    ::SendMessageW(window, EM_SETMODIFY, TRUE, 0);
    EXPECT_EQ(fp.WriteData(kFlow, window, "FPASS1"), 0);
    ::SetWindowTextW(window, L"42.50000");
    ::SendMessageW(window, EM_SETMODIFY, TRUE, 0);
    EXPECT_EQ(fp.WriteData(kFlow, window, "FPASS1"), 0);
    EXPECT_EQ(fp.shown, 0);
    EXPECT_TRUE(fp.told.empty());

    // A number with blanks around it goes on to the write (refused here: no server, and the
    // operator is told the change was not made).
    ::SetWindowTextW(window, L" -12.5 ");
    ::SendMessageW(window, EM_SETMODIFY, TRUE, 0);
    EXPECT_EQ(fp.WriteData(kFlow, window, "FPASS1"), 0);
    EXPECT_EQ(fp.shown, 1);
    ASSERT_EQ(fp.told.size(), 1u);
    EXPECT_NE(fp.told[0].find("FPASS1"), std::string::npos) << fp.told[0];
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

TEST(SetFPParaTest, UnterminatedTextFieldsAreCutAtTheirField) {
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
    TestFaceplate fp;
    fp.SetFPPara(&para, TRUE, FALSE, TRUE, nullptr);
    EXPECT_EQ(fp.TagName(), std::string(25, 'A'));
    EXPECT_FALSE(fp.IsHostCallbackMode());
    float f = 1.0f;
    EXPECT_EQ(fp.LookHMIData(kFlow, f), 0) << "no block descriptor: unavailable";
}

} // namespace
