// Configuration of the test host: the host's own settings (module, operator, callbacks, unit
// texts, flag-word bits, areas) and one section per tag. Read from an ini file (UTF-8) and
// overridden from the command line with the same keys (--key value).
//
//   [host]                       module, user, level, ack, callbacks (on|off), almstate
//                                (on|off), alarm_colour, almstate_result
//   [units]    <code> = <text>   unit map (code 0..255)
//   [bits]     <bit> = <name> alarm|status     flag-word bit descriptors, in this order
//                                              (default: the block table's own)
//   [areas]    <name> = <permission>           areas the host resolves for the operate check
//   [tag NAME]                   description, base, target, station, column, confirm,
//                                security, operate, operate_level, x, y, width, height,
//                                detail_width, detail_height, msg_param, confirm_hold,
//                                normal_colour, bad (0|1), item_level, item_confirm,
//                                item_level.<item>, item_confirm.<item>, value.<item>
// <item> is an item name (FTTL) or an item index (105).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fphost {

constexpr size_t kMaxTagNameLength = 24; // the record's tag name field holds 24 + NUL

struct BitDef {
    uint16_t bit = 0;
    std::string name; // UTF-8
    bool alarm = false;
};

struct UnitDef {
    uint8_t code = 0;
    std::string text; // UTF-8
};

// A per-item setting: item name or index as written, and its value.
template <typename T> struct ItemSetting {
    std::string item;
    T value{};
};

struct TagConfig {
    std::string name;        // UTF-8, at most kMaxTagNameLength bytes in the ANSI code page
    std::string description; // UTF-8
    int32_t base = 0;
    uint16_t target = 1;
    uint8_t station = 1;
    uint8_t column = 0;
    int32_t confirm = 1;
    uint8_t securityClass = 0;
    int32_t operate = 1;
    uint16_t operateLevel = 1;
    int32_t x = 40;
    int32_t y = 40;
    // Where the station display window of an embedded faceplate stands on the screen (the
    // faceplate sits at x, y of its client area); x, y when not given.
    std::optional<int32_t> containerX;
    std::optional<int32_t> containerY;
    // The BALANCE8 faceplate's own sizes on this station's fonts: the compact strip ends at
    // the detail view's tab control (which a wider strip would show as a line at its right
    // edge) and below its buttons; the detail view ends a small margin past the tab control.
    int32_t width = 144;
    int32_t height = 653;
    int32_t detailWidth = 634;
    int32_t detailHeight = 702;
    int32_t msgParam = 0;
    int32_t confirmHold = 0;
    COLORREF normalColour = 0x008000;
    bool bad = false;
    uint16_t itemLevel = 1;
    uint8_t itemConfirm = 0;
    std::vector<ItemSetting<uint16_t>> itemLevels;
    std::vector<ItemSetting<uint8_t>> itemConfirms;
    std::vector<ItemSetting<double>> values;
};

struct HostConfig {
    std::string module = "FP_BALANCE8.dll";
    std::string user = "operator"; // UTF-8
    int32_t level = 5;
    int32_t ack = 1;
    bool callbacks = true;
    bool almState = true; // m_pFunAlmState set
    COLORREF alarmColour = 0x0000FF;
    int32_t almStateResult = 10;
    std::vector<UnitDef> units;
    std::vector<BitDef> bits;
    bool bitsSet = false; // a [bits] section was given; else the block table's bits apply
    std::vector<std::pair<std::string, int>> areas;
    std::vector<TagConfig> tags;

    HostConfig();                                // default units
    TagConfig* FindTag(const std::string& name); // case-insensitive
    const TagConfig* FindTag(const std::string& name) const;
    TagConfig& AddTag(const std::string& name); // existing or new
};

// Reads an ini text into `config` (on top of what it holds). Returns false with
// "line N: ..." in `error` on the first fault. Refused besides malformed lines: a text that is
// not UTF-8, two sections for one tag, a tag section without `base`, values that are not
// finite or beyond a REAL, flag-word bits above 31, area names and unit texts too long to be
// used. A key given twice in a section is taken from its later line and listed in *warnings
// ("line N: ...").
bool LoadIni(const std::string& text, HostConfig& config, std::string& error,
             std::vector<std::string>* warnings = nullptr);

// One setting by key, as in the ini or on the command line. Returns false with a message.
bool SetHostKey(HostConfig& config, const std::string& key, const std::string& value,
                std::string& error);
bool SetTagKey(TagConfig& tag, const std::string& key, const std::string& value,
               std::string& error);
bool IsHostKey(const std::string& key);

// Shared text helpers.
std::string Trim(const std::string& s);
std::string Lower(std::string s);                                                  // ASCII only
bool EqualNoCase(const std::string& a, const std::string& b);                      // ASCII only
bool ParseInt(const std::string& s, long long lo, long long hi, long long& value); // dec or 0x
bool ParseDouble(const std::string& s, double& value);
std::string Utf8ToAnsi(const std::string& utf8);
std::wstring Utf8ToWide(const std::string& utf8);

} // namespace fphost
