// The configuration parser: entries in file order, columns and areas, and every kind of
// malformed line reported with its line number and no partial list.
#include "ControlInfoFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok;
    std::vector<KrControlInfoEntry> entries;
    krci::ParseError error;
};

Parsed Parse(const std::string& text) {
    Parsed p;
    p.entries.push_back(KrControlInfoEntry{}); // must be cleared either way
    p.ok = krci::ParseControlInfo(text, p.entries, p.error);
    return p;
}

TEST(ControlInfoParser, EntriesInFileOrderWithColumnsAndAreas) {
    Parsed p = Parse("; comment\r\n"
                     "\r\n"
                     "entry = 7 0=1 3=2:AREA_A\r\n"
                     "  # indented comment\n"
                     "entry=2\n"
                     "\tentry = -5 31=255:Z \t\n"
                     "entry = 7 1=0:DUP");
    ASSERT_TRUE(p.ok) << p.error.line << ": " << p.error.message;
    ASSERT_EQ(p.entries.size(), 4u);
    EXPECT_EQ(p.entries[0].nID, 7);
    EXPECT_EQ(p.entries[0].byPermission[0], 1);
    EXPECT_STREQ(p.entries[0].szArea[0], "");
    EXPECT_EQ(p.entries[0].byPermission[3], 2);
    EXPECT_STREQ(p.entries[0].szArea[3], "AREA_A");
    for (int c : {1, 2, 4, 31}) {
        EXPECT_EQ(p.entries[0].byPermission[c], 0) << c;
        EXPECT_STREQ(p.entries[0].szArea[c], "") << c;
    }
    EXPECT_EQ(p.entries[1].nID, 2);
    for (int c = 0; c < kKrMaxStations; ++c)
        EXPECT_EQ(p.entries[1].byPermission[c], 0) << c;
    EXPECT_EQ(p.entries[2].nID, -5);
    EXPECT_EQ(p.entries[2].byPermission[31], 255);
    EXPECT_STREQ(p.entries[2].szArea[31], "Z");
    // A repeated nID is kept: the reader decides which entry wins.
    EXPECT_EQ(p.entries[3].nID, 7);
    EXPECT_STREQ(p.entries[3].szArea[1], "DUP");
}

TEST(ControlInfoParser, RepeatedStationIdsAreKeptAndWarnedAboutWithTheirLines) {
    std::vector<KrControlInfoEntry> entries;
    krci::ParseError error;
    std::vector<krci::ParseError> warnings;
    ASSERT_TRUE(krci::ParseControlInfo("entry = 7 0=1\n; c\nentry = 2\nentry = 7 0=0\nentry = 2\n",
                                       entries, error, &warnings));
    ASSERT_EQ(entries.size(), 4u);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].line, 4);
    EXPECT_EQ(warnings[0].message, "nID 7 repeats line 1; the entry of line 1 is used");
    EXPECT_EQ(warnings[1].line, 5);
    EXPECT_EQ(warnings[1].message, "nID 2 repeats line 3; the entry of line 3 is used");
}

TEST(ControlInfoParser, EmptyTextAndCommentsOnlyGiveNoEntries) {
    for (const char* text : {"", "\n\n", "; only a comment\r\n# another"}) {
        Parsed p = Parse(text);
        EXPECT_TRUE(p.ok) << text;
        EXPECT_TRUE(p.entries.empty()) << text;
    }
}

TEST(ControlInfoParser, Utf8BomAndEightBitAreaNames) {
    // An area name in the station's 8-bit code page ("炉区" in GBK) is kept byte for byte.
    Parsed p = Parse("\xEF\xBB\xBF"
                     "entry = 1 0=1:\xC2\xAF\xC7\xF8\n");
    ASSERT_TRUE(p.ok) << p.error.message;
    ASSERT_EQ(p.entries.size(), 1u);
    EXPECT_STREQ(p.entries[0].szArea[0], "\xC2\xAF\xC7\xF8");
}

TEST(ControlInfoParser, AreaNameLengthLimit) {
    std::string longest(kKrAreaNameSize - 1, 'A');
    Parsed ok = Parse("entry = 1 0=1:" + longest + "\n");
    ASSERT_TRUE(ok.ok) << ok.error.message;
    EXPECT_EQ(std::string(ok.entries[0].szArea[0]), longest);

    Parsed tooLong = Parse("entry = 1 0=1:" + longest + "B\n");
    EXPECT_FALSE(tooLong.ok);
    EXPECT_EQ(tooLong.error.line, 1);
}

struct BadCase {
    const char* text;
    int line;
    const char* messagePart;
};

TEST(ControlInfoParser, MalformedLinesAreRejectedWithTheirLineNumber) {
    const BadCase cases[] = {
        {"entry = 1 0=1\nstation = 2\n", 2, "expected 'entry"},
        {"entry 1 0=1\n", 1, "expected 'entry"},
        {"; c\nentry =\n", 2, "missing nID"},
        {"entry = x1\n", 1, "nID 'x1'"},
        {"entry = 2147483648\n", 1, "nID"},
        {"entry = +1\n", 1, "nID"},
        {"entry = 1 0\n", 1, "expected <column>=<permission>"},
        {"entry = 1 32=1\n", 1, "column '32'"},
        {"entry = 1 -1=1\n", 1, "column '-1'"},
        {"entry = 1 =1\n", 1, "column ''"},
        {"entry = 1 0=256\n", 1, "permission '256'"},
        {"entry = 1 0=\n", 1, "permission ''"},
        {"entry = 1 0=1x\n", 1, "permission '1x'"},
        {"entry = 1 0=1:\n", 1, "area name of column 0"},
        {"\n\n\nentry = 1 4=1 4=0\n", 4, "column 4 given twice"},
    };
    for (const BadCase& c : cases) {
        Parsed p = Parse(c.text);
        EXPECT_FALSE(p.ok) << c.text;
        EXPECT_TRUE(p.entries.empty()) << c.text;
        EXPECT_EQ(p.error.line, c.line) << c.text;
        EXPECT_NE(p.error.message.find(c.messagePart), std::string::npos)
            << c.text << " -> " << p.error.message;
    }
}

TEST(ControlInfoParser, BinaryContentIsRejected) {
    Parsed p = Parse(std::string("entry = 1\n\0\x01\x02", 13));
    EXPECT_FALSE(p.ok);
    EXPECT_TRUE(p.entries.empty());
    EXPECT_NE(p.error.message.find("zero byte"), std::string::npos);
}

} // namespace
