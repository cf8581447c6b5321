// The host's configuration: ini sections and keys, command-line keys, faults with line
// numbers, and the shipped demo_host.ini.
#include "HostConfig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>

namespace fphost {
namespace {

std::string ExeFolderFile(const char* name) {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::filesystem::path p(std::wstring(path, n));
    std::ifstream in(p.parent_path() / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// An ini text the loader must refuse, and how its error begins.
struct Refused {
    std::string text;
    const char* message;
};
void ExpectRefused(std::span<const Refused> cases) {
    for (const Refused& c : cases) {
        HostConfig config;
        std::string error;
        EXPECT_FALSE(LoadIni(c.text, config, error)) << c.text;
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.text << " -> " << error;
    }
}

TEST(HostConfigIni, SectionsAndKeys) {
    HostConfig c;
    std::string error;
    ASSERT_TRUE(LoadIni("; comment\n"
                        "[host]\n"
                        "module = FP_OTHER.dll\n"
                        "user = shift lead\n"
                        "level = 7\n"
                        "ack = 0\n"
                        "callbacks = off\n"
                        "almstate = off\n"
                        "alarm_colour = 0x00FF00\n"
                        "almstate_result = 3\n"
                        "[units]\n"
                        "7 = bar\n"
                        "[bits]\n"
                        "5 = HIGH FLOW alarm\n"
                        "2 = MAN status\n"
                        "[areas]\n"
                        "AREA_A = 1\n"
                        "[tag BAL8_7]\n"
                        "description = heater 7\n"
                        "base = 0x100\n"
                        "target = 3\n"
                        "station = 2\n"
                        "column = 4\n"
                        "confirm = 0\n"
                        "security = 9\n"
                        "operate_level = 0\n"
                        "x = 0\n"
                        "container_x = 220\n"
                        "bad = on\n"
                        "item_level = 3\n"
                        "item_level.FTTL = 8\n"
                        "item_confirm.105 = 1\n"
                        "value.FTTL = -1.5\n",
                        c, error))
        << error;
    EXPECT_EQ(c.module, "FP_OTHER.dll");
    EXPECT_EQ(c.user, "shift lead");
    EXPECT_EQ(c.level, 7);
    EXPECT_EQ(c.ack, 0);
    EXPECT_FALSE(c.callbacks);
    EXPECT_FALSE(c.almState);
    EXPECT_EQ(c.alarmColour, 0x00FF00u);
    EXPECT_EQ(c.almStateResult, 3);
    // A [units] or [bits] section replaces the defaults.
    ASSERT_EQ(c.units.size(), 1u);
    EXPECT_EQ(c.units[0].code, 7);
    EXPECT_EQ(c.units[0].text, "bar");
    EXPECT_TRUE(c.bitsSet);
    ASSERT_EQ(c.bits.size(), 2u);
    EXPECT_EQ(c.bits[0].bit, 5);
    EXPECT_EQ(c.bits[0].name, "HIGH FLOW");
    EXPECT_TRUE(c.bits[0].alarm);
    EXPECT_EQ(c.bits[1].bit, 2);
    EXPECT_FALSE(c.bits[1].alarm);
    ASSERT_EQ(c.areas.size(), 1u);
    EXPECT_EQ(c.areas[0].second, 1);

    TagConfig* t = c.FindTag("bal8_7");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->description, "heater 7");
    EXPECT_EQ(t->base, 0x100);
    EXPECT_EQ(t->target, 3);
    EXPECT_EQ(t->station, 2);
    EXPECT_EQ(t->column, 4);
    EXPECT_EQ(t->confirm, 0);
    EXPECT_EQ(t->securityClass, 9);
    EXPECT_EQ(t->operateLevel, 0);
    // The display window's place: given across, the faceplate's own place down.
    EXPECT_EQ(t->x, 0);
    EXPECT_EQ(t->containerX, 220);
    EXPECT_FALSE(t->containerY.has_value());
    EXPECT_TRUE(t->bad);
    EXPECT_EQ(t->itemLevel, 3);
    ASSERT_EQ(t->itemLevels.size(), 1u);
    EXPECT_EQ(t->itemLevels[0].item, "FTTL");
    EXPECT_EQ(t->itemLevels[0].value, 8);
    ASSERT_EQ(t->itemConfirms.size(), 1u);
    EXPECT_EQ(t->itemConfirms[0].item, "105");
    ASSERT_EQ(t->values.size(), 1u);
    EXPECT_DOUBLE_EQ(t->values[0].value, -1.5);
}

TEST(HostConfigIni, FaultsNameTheirLine) {
    const Refused cases[] = {
        {"[host]\nlevel = high\n", "line 2:"},
        {"[host]\nnosuch = 1\n", "line 2: unknown host key"},
        {"[tag T]\nbase = 1\ncolour = 2\n", "line 3: unknown tag key"},
        {"[nowhere]\n", "line 1: unknown section"},
        {"[host\n", "line 1: section header"},
        {"level = 1\n", "line 1: key outside a section"},
        {"[host]\njust words\n", "line 2: expected <key> = <value>"},
        {"[bits]\n1 = NAME loud\n", "line 2: expected <bit> = <name> alarm|status"},
        {"[units]\n256 = x\n", "line 2:"},
        {"[tag ABCDEFGHIJKLMNOPQRSTUVWXY]\n", "line 1: tag name"},
        {"[tag A.B]\n", "line 1: tag name"},
        {"[tag T]\nstation = 256\n", "line 2:"},
        {"[tag T]\nconfirm = 2\n", "line 2:"},
        {"[tag T]\nitem_level. = 2\n", "line 2: item missing"},
        {"[tag T]\nvalue.FTTL = lots\n", "line 2:"},
        {"[host]\nmodule = A_VERY_LONG_MODULE_NAME.dll\n", "line 2: module file name"},
    };
    ExpectRefused(cases);
}

TEST(HostConfigIni, TagNameOfTwentyFourCharactersIsTheLongest) {
    HostConfig c;
    std::string error;
    EXPECT_TRUE(LoadIni("[tag ABCDEFGHIJKLMNOPQRSTUVWX]\nbase = 0\n", c, error)) << error;
    EXPECT_NE(c.FindTag("ABCDEFGHIJKLMNOPQRSTUVWX"), nullptr);
}

// Configurations that would open a faceplate on the wrong data or show "???" are refused,
// naming the line to fix.
TEST(HostConfigIni, RiskyConfigurationIsRefusedWithItsLine) {
    const Refused cases[] = {
        {"[tag A]\nbase = 0\n[tag B]\ndescription = heater\n[host]\nlevel = 1\n",
         "line 3: tag 'B' has no base"},
        {"[tag A]\n", "line 1: tag 'A' has no base"},
        {"[tag T1]\nbase = 1\n[host]\nlevel = 1\n[tag t1]\nbase = 2\n",
         "line 5: a second section for tag 't1' (the first is at line 1)"},
        // GBK "张工" where UTF-8 is expected; the fault is on the line that holds it.
        {"; operator\n[host]\nuser = \xD5\xC5\xB9\xA4\n", "line 3: not UTF-8 text"},
        {"[tag T]\nbase = 0\ndescription = \xC0\xAF\n", "line 3: not UTF-8 text"}, // overlong
        {"[tag T]\nbase = 0\ndescription = \xED\xA0\x80\n", "line 3: not UTF-8"},  // surrogate
        {"[tag T]\nbase = 0\ndescription = \xF4\x90\x80\x80\n", "line 3: not UTF-8"},
        {"[tag T]\nbase = 0\ndescription = \xE5\x8A", "line 3: not UTF-8"}, // cut at the end
        {std::string("\xFF\xFE[\0h\0", 6), "line 1: the file is UTF-16 text"},
    };
    ExpectRefused(cases);
    // Well-formed UTF-8 of every length passes, a BOM included.
    HostConfig config;
    std::string error;
    EXPECT_TRUE(LoadIni("\xEF\xBB\xBF[tag T]\nbase = 0\n"
                        "description = \xC2\xB0 \xE5\x8A\xA0\xE7\x83\xAD \xF0\x9F\x94\xA5\n",
                        config, error))
        << error;
    EXPECT_EQ(config.FindTag("T")->description,
              "\xC2\xB0 \xE5\x8A\xA0\xE7\x83\xAD \xF0\x9F\x94\xA5");
}

// Values no block can hold, bits beyond the flag word and names that can never match are
// refused with their line; nothing of them would work as written.
TEST(HostConfigIni, ValuesBitsAndTextsThatCannotWorkAreRefused) {
    const std::string tag = "[tag T]\nbase = 0\n";
    const Refused cases[] = {
        {tag + "value.FTTL = nan\n", "line 3: 'nan' is not a finite number"},
        {tag + "value.FTTL = inf\n", "line 3: 'inf' is not a finite number"},
        {tag + "value.FTTL = -INF\n", "line 3: '-INF' is not a finite number"},
        {tag + "value.FTTL = 1e400\n", "line 3: '1e400' is not a finite number"},
        {tag + "value.FTTL = 1e39\n", "line 3: '1e39' is outside the range of a REAL value"},
        {tag + "value.FTTL = -3.5e38\n", "line 3: '-3.5e38' is outside the range"},
        {"[bits]\n0 = HH alarm\n40 = H alarm\n", "line 3: bit 40 is beyond the flag word"},
        {"[bits]\n32 = H alarm\n", "line 2: bit 32 is beyond the flag word (bits 0 to 31)"},
        {"[areas]\nAREA_ABCDEFGHIJKLMNOPQRSTUVWXYZ1 = 1\n", "line 2: area name"},
        {"[units]\n7 = cubic metres per hour\n", "line 2: unit text"},
    };
    ExpectRefused(cases);
    // The limits themselves are fine.
    HostConfig config;
    std::string error;
    EXPECT_TRUE(LoadIni(tag + "value.FTTL = -3.4028234e38\n[bits]\n31 = LAST status\n"
                              "[areas]\nAREA_ABCDEFGHIJKLMNOPQRSTUVWXYZ = 1\n"
                              "[units]\n7 = Nm3/h (normal)\n",
                        config, error))
        << error;
    EXPECT_EQ(config.bits.back().bit, 31);
}

// A key given twice passes, but the engineer hears of it with both lines; the later value is
// the one used, in every section.
TEST(HostConfigIni, RepeatedKeysAreWarnedAboutWithTheirLines) {
    HostConfig c;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(LoadIni("[host]\nlevel = 3\nuser = a\nLEVEL = 4\n"
                        "[units]\n1 = t/h\n01 = kg/h\n"
                        "[bits]\n3 = HH alarm\n4 = H alarm\n3 = LL alarm\n"
                        "[areas]\nA1 = 1\na1 = 0\n"
                        "[tag T]\nbase = 0\nvalue.FTTL = 1\nstation = 2\nvalue.fttl = 2\n"
                        "station = 3\n",
                        c, error, &warnings))
        << error;
    const std::vector<std::string> expected = {
        "line 4: key 'LEVEL' repeats line 2; the value of line 4 is used",
        "line 7: unit 1 repeats line 6; the value of line 7 is used",
        "line 11: bit 3 repeats line 9; the value of line 11 is used",
        "line 14: area 'a1' repeats line 13; the value of line 14 is used",
        "line 19: key 'value.fttl' repeats line 17; the value of line 19 is used",
        "line 20: key 'station' repeats line 18; the value of line 20 is used",
    };
    EXPECT_EQ(warnings, expected);
    EXPECT_EQ(c.level, 4);
    int unitOne = 0;
    for (const UnitDef& u : c.units)
        if (u.code == 1) {
            ++unitOne;
            EXPECT_EQ(u.text, "kg/h");
        }
    EXPECT_EQ(unitOne, 1);
    ASSERT_EQ(c.bits.size(), 2u);
    EXPECT_EQ(c.bits[0].name, "LL") << "replaced where the first one stood";
    ASSERT_EQ(c.areas.size(), 1u);
    EXPECT_EQ(c.areas[0].second, 0);
    const TagConfig* t = c.FindTag("T");
    ASSERT_EQ(t->values.size(), 1u);
    EXPECT_DOUBLE_EQ(t->values[0].value, 2.0);
    EXPECT_EQ(t->station, 3);
    // Keys of different sections, and different items, are not repeats.
    warnings.clear();
    HostConfig d;
    ASSERT_TRUE(LoadIni("[tag A]\nbase = 0\n[tag B]\nbase = 1\nvalue.FTTL = 1\nvalue.FPASS1 = 1\n",
                        d, error, &warnings));
    EXPECT_TRUE(warnings.empty());
}

TEST(HostConfigIni, ShippedDemoConfigurationLoads) {
    std::string text = ExeFolderFile("demo_host.ini");
    ASSERT_FALSE(text.empty()) << "demo_host.ini was not copied to the build folder";
    HostConfig c;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(LoadIni(text, c, error, &warnings)) << error;
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    ASSERT_FALSE(c.tags.empty());
    EXPECT_EQ(c.module, "FP_BALANCE8.dll");
    EXPECT_TRUE(c.callbacks);
    bool celsius = false;
    for (const UnitDef& u : c.units)
        celsius |= u.code == 2 && u.text == "\xE2\x84\x83";
    EXPECT_TRUE(celsius) << "unit 2 is degrees Celsius";
}

TEST(HostConfigKeys, CommandLineKeysUseTheSameNames) {
    HostConfig c;
    std::string error;
    EXPECT_TRUE(IsHostKey("USER"));
    EXPECT_FALSE(IsHostKey("base"));
    EXPECT_TRUE(SetHostKey(c, "callbacks", "on", error));
    EXPECT_TRUE(c.callbacks);
    EXPECT_FALSE(SetHostKey(c, "callbacks", "sometimes", error));
    EXPECT_FALSE(SetHostKey(c, "user", "", error));
    TagConfig& t = c.AddTag("T1");
    EXPECT_EQ(&c.AddTag("t1"), &t) << "existing tag, any case";
    EXPECT_TRUE(SetTagKey(t, "base", "4096", error)) << error;
    EXPECT_EQ(t.base, 4096);
    EXPECT_FALSE(SetTagKey(t, "base", "-1", error));
    EXPECT_FALSE(SetTagKey(t, "base", "+1", error));
    EXPECT_FALSE(SetTagKey(t, "target", "65536", error));
    EXPECT_TRUE(SetTagKey(t, "target", "0xFFFF", error));
    EXPECT_EQ(t.target, 0xFFFF);
}

} // namespace
} // namespace fphost
