#include "HostConfig.h"

#include "Text.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace fphost {
namespace {

constexpr char kHostSection[] = "host";
constexpr char kUnitsSection[] = "units";
constexpr char kBitsSection[] = "bits";
constexpr char kAreasSection[] = "areas";
constexpr char kTagSectionPrefix[] = "tag ";
constexpr char kItemLevelPrefix[] = "item_level.";
constexpr char kItemConfirmPrefix[] = "item_confirm.";
constexpr char kValuePrefix[] = "value.";
constexpr uint16_t kMaxBitNumber = 31; // the flag word has 32 bits
// Longer names can never match an area of the control information (31 bytes at most there).
constexpr size_t kMaxAreaNameBytes = 31;
// A unit is shown beside a value's caption; longer texts do not fit the pages.
constexpr size_t kMaxUnitTextBytes = 15;
constexpr int kHostOkDefault = 10;

// Default unit texts (the ini may replace them).
const UnitDef kDefaultUnits[] = {
    {1, "t/h"}, {2, "\xE2\x84\x83"}, {3, "m3/h"}, {4, "kg/h"}, {5, "%"}};

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

template <typename T>
bool SetInt(const std::string& value, long long lo, long long hi, T& out, std::string& error) {
    long long v = 0;
    if (!ParseInt(value, lo, hi, v)) {
        error = "'" + value + "' is not a number from " + std::to_string(lo) + " to " +
                std::to_string(hi);
        return false;
    }
    out = static_cast<T>(v);
    return true;
}

bool SetBool(const std::string& value, bool& out, std::string& error) {
    std::string v = Lower(value);
    if (v == "1" || v == "on" || v == "yes" || v == "true") {
        out = true;
        return true;
    }
    if (v == "0" || v == "off" || v == "no" || v == "false") {
        out = false;
        return true;
    }
    error = "'" + value + "' is not on/off";
    return false;
}

constexpr char kBaseKey[] = "base";

// A [tag NAME] section of the file being read.
struct TagSection {
    std::string name;
    int line = 0;
    bool hasBase = false;
};

// Offset of the first byte that does not belong to a well-formed UTF-8 sequence (overlong
// forms, surrogates and code points above U+10FFFF included), or npos.
size_t FirstInvalidUtf8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned c = p[i];
        size_t len = 0;
        unsigned lo = 0x80, hi = 0xBF; // range of the second byte
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return i;
        }
        if (i + len > n || p[i + 1] < lo || p[i + 1] > hi)
            return i;
        for (size_t k = 2; k < len; ++k)
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return i;
        i += len;
    }
    return std::string::npos;
}

int LineOf(const std::string& text, size_t offset) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

bool ValidTagName(const std::string& name, std::string& error) {
    std::string ansi = Utf8ToAnsi(name);
    if (name.empty() || ansi.size() > kMaxTagNameLength ||
        name.find_first_of(" \t.") != std::string::npos) {
        error = "tag name '" + name + "' must have 1 to " + std::to_string(kMaxTagNameLength) +
                " characters, no blank and no point";
        return false;
    }
    return true;
}

// Adds an entry, or replaces the one `same` finds when the key was given before.
template <typename T, typename Same>
void PutUnique(std::vector<T>& list, const T& entry, Same same, bool givenBefore) {
    if (givenBefore) {
        auto it = std::find_if(list.begin(), list.end(), same);
        if (it != list.end()) {
            *it = entry;
            return;
        }
    }
    list.push_back(entry);
}

// A per-item key given again: only its latest setting stays.
template <typename T> void DropAllButLast(std::vector<ItemSetting<T>>& list) {
    if (list.empty())
        return;
    const std::string item = list.back().item;
    list.erase(std::remove_if(list.begin(), list.end() - 1,
                              [&](const ItemSetting<T>& s) { return EqualNoCase(s.item, item); }),
               list.end() - 1);
}

void RemoveEarlierItemSetting(TagConfig& tag, const std::string& keyIn) {
    const std::string key = Lower(keyIn);
    if (StartsWith(key, kItemLevelPrefix))
        DropAllButLast(tag.itemLevels);
    else if (StartsWith(key, kItemConfirmPrefix))
        DropAllButLast(tag.itemConfirms);
    else if (StartsWith(key, kValuePrefix))
        DropAllButLast(tag.values);
}

} // namespace

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return Lower(a) == Lower(b);
}

bool ParseInt(const std::string& s, long long lo, long long hi, long long& value) {
    if (s.empty() || s[0] == '+' || s[0] == ' ')
        return false;
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == s.c_str() || *end != '\0' || v < lo || v > hi)
        return false;
    value = v;
    return true;
}

bool ParseDouble(const std::string& s, double& value) {
    if (s.empty() || s[0] == ' ')
        return false;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    // "nan", "inf" and overflowing texts are no values a block can hold.
    if (errno != 0 || end == s.c_str() || *end != '\0' || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

std::wstring Utf8ToWide(const std::string& utf8) {
    return kfw::Widen(utf8.c_str(), CP_UTF8);
}

std::string Utf8ToAnsi(const std::string& utf8) {
    return kfw::Narrow(Utf8ToWide(utf8).c_str(), CP_ACP);
}

HostConfig::HostConfig() : units(std::begin(kDefaultUnits), std::end(kDefaultUnits)) {}

TagConfig* HostConfig::FindTag(const std::string& name) {
    for (TagConfig& t : tags)
        if (EqualNoCase(t.name, name))
            return &t;
    return nullptr;
}

const TagConfig* HostConfig::FindTag(const std::string& name) const {
    return const_cast<HostConfig*>(this)->FindTag(name);
}

TagConfig& HostConfig::AddTag(const std::string& name) {
    if (TagConfig* t = FindTag(name))
        return *t;
    tags.emplace_back();
    tags.back().name = name;
    return tags.back();
}

bool IsHostKey(const std::string& key) {
    static const char* const keys[] = {"module",    "user",         "level",    "ack",
                                       "callbacks", "alarm_colour", "almstate", "almstate_result"};
    for (const char* k : keys)
        if (Lower(key) == k)
            return true;
    return false;
}

bool SetHostKey(HostConfig& c, const std::string& keyIn, const std::string& value,
                std::string& error) {
    const std::string key = Lower(keyIn);
    if (key == "module") {
        if (value.empty() || value.size() > 15) {
            error = "module file name must have 1 to 15 characters";
            return false;
        }
        c.module = value;
        return true;
    }
    if (key == "user") {
        if (value.empty() || Utf8ToAnsi(value).size() > 29) {
            error = "user name must have 1 to 29 characters";
            return false;
        }
        c.user = value;
        return true;
    }
    if (key == "level")
        return SetInt(value, 0, INT32_MAX, c.level, error);
    if (key == "ack")
        return SetInt(value, 0, 1, c.ack, error);
    if (key == "callbacks")
        return SetBool(value, c.callbacks, error);
    if (key == "almstate")
        return SetBool(value, c.almState, error);
    if (key == "alarm_colour")
        return SetInt(value, 0, 0xFFFFFF, c.alarmColour, error);
    if (key == "almstate_result")
        return SetInt(value, INT32_MIN, INT32_MAX, c.almStateResult, error);
    error = "unknown host key '" + keyIn + "'";
    return false;
}

bool SetTagKey(TagConfig& t, const std::string& keyIn, const std::string& value,
               std::string& error) {
    const std::string key = Lower(keyIn);
    if (StartsWith(key, kItemLevelPrefix)) {
        ItemSetting<uint16_t> s{keyIn.substr(sizeof(kItemLevelPrefix) - 1), 0};
        if (s.item.empty() || !SetInt(value, 0, 0xFFFF, s.value, error))
            return error.empty() ? (error = "item missing", false) : false;
        t.itemLevels.push_back(s);
        return true;
    }
    if (StartsWith(key, kItemConfirmPrefix)) {
        ItemSetting<uint8_t> s{keyIn.substr(sizeof(kItemConfirmPrefix) - 1), 0};
        if (s.item.empty() || !SetInt(value, 0, 1, s.value, error))
            return error.empty() ? (error = "item missing", false) : false;
        t.itemConfirms.push_back(s);
        return true;
    }
    if (StartsWith(key, kValuePrefix)) {
        ItemSetting<double> s{keyIn.substr(sizeof(kValuePrefix) - 1), 0};
        if (s.item.empty()) {
            error = "item missing";
            return false;
        }
        if (!ParseDouble(value, s.value)) {
            error = "'" + value + "' is not a finite number";
            return false;
        }
        // Every item's value must fit a REAL (and so do all 32-bit integers).
        if (std::fabs(s.value) > FLT_MAX) {
            error = "'" + value + "' is outside the range of a REAL value (magnitude at most " +
                    "3.40282347e+38)";
            return false;
        }
        t.values.push_back(s);
        return true;
    }
    using Setter = std::function<bool()>;
    const std::map<std::string, Setter> setters = {
        {"description",
         [&] {
             if (Utf8ToAnsi(value).size() > 64) {
                 error = "description must have at most 64 characters";
                 return false;
             }
             t.description = value;
             return true;
         }},
        {"base", [&] { return SetInt(value, 0, INT32_MAX, t.base, error); }},
        {"target", [&] { return SetInt(value, 0, 0xFFFF, t.target, error); }},
        {"station", [&] { return SetInt(value, 0, 255, t.station, error); }},
        {"column", [&] { return SetInt(value, 0, 255, t.column, error); }},
        {"confirm", [&] { return SetInt(value, 0, 1, t.confirm, error); }},
        {"security", [&] { return SetInt(value, 0, 255, t.securityClass, error); }},
        {"operate", [&] { return SetInt(value, 0, 1, t.operate, error); }},
        {"operate_level", [&] { return SetInt(value, 0, 0xFFFF, t.operateLevel, error); }},
        {"x", [&] { return SetInt(value, -32768, 32767, t.x, error); }},
        {"y", [&] { return SetInt(value, -32768, 32767, t.y, error); }},
        {"container_x", [&] { return SetInt(value, -32768, 32767, t.containerX.emplace(), error); }},
        {"container_y", [&] { return SetInt(value, -32768, 32767, t.containerY.emplace(), error); }},
        {"width", [&] { return SetInt(value, 1, 32767, t.width, error); }},
        {"height", [&] { return SetInt(value, 1, 32767, t.height, error); }},
        {"detail_width", [&] { return SetInt(value, 1, 32767, t.detailWidth, error); }},
        {"detail_height", [&] { return SetInt(value, 1, 32767, t.detailHeight, error); }},
        {"msg_param", [&] { return SetInt(value, INT32_MIN, INT32_MAX, t.msgParam, error); }},
        {"confirm_hold", [&] { return SetInt(value, 0, INT32_MAX, t.confirmHold, error); }},
        {"normal_colour", [&] { return SetInt(value, 0, 0xFFFFFF, t.normalColour, error); }},
        {"bad", [&] { return SetBool(value, t.bad, error); }},
        {"item_level", [&] { return SetInt(value, 0, 0xFFFF, t.itemLevel, error); }},
        {"item_confirm", [&] { return SetInt(value, 0, 1, t.itemConfirm, error); }},
    };
    auto it = setters.find(key);
    if (it == setters.end()) {
        error = "unknown tag key '" + keyIn + "'";
        return false;
    }
    return it->second();
}

bool LoadIni(const std::string& textIn, HostConfig& config, std::string& error,
             std::vector<std::string>* warnings) {
    std::string text = textIn;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    if (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0) {
        error = "line 1: the file is UTF-16 text; save it as UTF-8";
        return false;
    }
    if (text.find('\0') != std::string::npos) {
        error = "line 0: the file holds a zero byte (not a text file)";
        return false;
    }
    // Texts of another encoding would reach the confirmation and the log as "???".
    if (size_t bad = FirstInvalidUtf8(text); bad != std::string::npos) {
        error = "line " + std::to_string(LineOf(text, bad)) +
                ": not UTF-8 text (save the file as UTF-8)";
        return false;
    }
    std::string section;
    TagConfig* tag = nullptr;
    TagSection* tagSection = nullptr;
    std::vector<TagSection> tagSections; // this file's tag sections, in order
    bool unitsSeen = false;
    int lineNo = 0;
    // The line of every key by section, for keys given twice (the later value is used).
    std::map<std::string, int> keyLines;
    auto repeated = [&](const std::string& what, const std::string& id) {
        auto [earlier, first] = keyLines.emplace(section + "\n" + id, lineNo);
        if (first)
            return false;
        if (warnings)
            warnings->push_back("line " + std::to_string(lineNo) + ": " + what + " repeats line " +
                                std::to_string(earlier->second) + "; the value of line " +
                                std::to_string(lineNo) + " is used");
        earlier->second = lineNo;
        return true;
    };
    size_t pos = 0;
    while (pos < text.size()) {
        ++lineNo;
        size_t nl = text.find('\n', pos);
        std::string line = Trim(text.substr(pos, nl == std::string::npos ? nl : nl - pos));
        pos = nl == std::string::npos ? text.size() : nl + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        std::string problem;
        if (line[0] == '[') {
            if (line.back() != ']') {
                problem = "section header without ']'";
            } else {
                std::string name = Trim(line.substr(1, line.size() - 2));
                section = Lower(name);
                tag = nullptr;
                tagSection = nullptr;
                if (StartsWith(section, kTagSectionPrefix)) {
                    std::string tagName = Trim(name.substr(sizeof(kTagSectionPrefix) - 1));
                    if (ValidTagName(tagName, problem)) {
                        for (const TagSection& earlier : tagSections)
                            if (EqualNoCase(earlier.name, tagName))
                                problem = "a second section for tag '" + tagName +
                                          "' (the first is at line " +
                                          std::to_string(earlier.line) + ")";
                    }
                    if (problem.empty()) {
                        tag = &config.AddTag(tagName);
                        tagSections.push_back(TagSection{tag->name, lineNo, false});
                        tagSection = &tagSections.back();
                    }
                } else if (section == kUnitsSection) {
                    if (!unitsSeen)
                        config.units.clear();
                    unitsSeen = true;
                } else if (section == kBitsSection) {
                    if (!config.bitsSet)
                        config.bits.clear();
                    config.bitsSet = true;
                } else if (section != kHostSection && section != kAreasSection) {
                    problem = "unknown section [" + name + "]";
                }
            }
        } else {
            size_t eq = line.find('=');
            if (eq == std::string::npos) {
                problem = "expected <key> = <value>";
            } else {
                std::string key = Trim(line.substr(0, eq));
                std::string value = Trim(line.substr(eq + 1));
                if (key.empty()) {
                    problem = "empty key";
                } else if (section == kHostSection) {
                    if (SetHostKey(config, key, value, problem))
                        repeated("key '" + key + "'", Lower(key));
                } else if (tag) {
                    if (SetTagKey(*tag, key, value, problem)) {
                        if (Lower(key) == kBaseKey)
                            tagSection->hasBase = true;
                        if (repeated("key '" + key + "'", Lower(key)))
                            RemoveEarlierItemSetting(*tag, key);
                    }
                } else if (section == kUnitsSection) {
                    UnitDef u;
                    if (SetInt(key, 0, 255, u.code, problem)) {
                        u.text = value;
                        if (Utf8ToAnsi(value).size() > kMaxUnitTextBytes)
                            problem = "unit text '" + value + "' has more than " +
                                      std::to_string(kMaxUnitTextBytes) + " bytes";
                        else
                            PutUnique(config.units, u, [&](const UnitDef& e) {
                                return e.code == u.code;
                            }, repeated("unit " + std::to_string(u.code),
                                        std::to_string(u.code)));
                    }
                } else if (section == kBitsSection) {
                    BitDef b;
                    size_t blank = value.find_last_of(" \t");
                    std::string kind =
                        blank == std::string::npos ? "" : Lower(value.substr(blank + 1));
                    long long number = 0;
                    if (ParseInt(key, 0, LLONG_MAX, number) && number > kMaxBitNumber) {
                        // A bit beyond the flag word would act as another bit.
                        problem = "bit " + key + " is beyond the flag word (bits 0 to " +
                                  std::to_string(kMaxBitNumber) + ")";
                    } else if (SetInt(key, 0, kMaxBitNumber, b.bit, problem)) {
                        if (blank == std::string::npos || (kind != "alarm" && kind != "status")) {
                            problem = "expected <bit> = <name> alarm|status";
                        } else {
                            b.name = Trim(value.substr(0, blank));
                            b.alarm = kind == "alarm";
                            PutUnique(config.bits, b, [&](const BitDef& e) {
                                return e.bit == b.bit;
                            }, repeated("bit " + std::to_string(b.bit), std::to_string(b.bit)));
                        }
                    }
                } else if (section == kAreasSection) {
                    int permission = 0;
                    if (Utf8ToAnsi(key).size() > kMaxAreaNameBytes ||
                        key.find_first_of(" \t") != std::string::npos) {
                        problem = "area name '" + key + "' must have 1 to " +
                                  std::to_string(kMaxAreaNameBytes) + " bytes and no blank";
                    } else if (SetInt(value, 0, 255, permission, problem)) {
                        std::pair<std::string, int> area{key, permission};
                        PutUnique(config.areas, area, [&](const std::pair<std::string, int>& e) {
                            return EqualNoCase(e.first, key);
                        }, repeated("area '" + key + "'", Lower(key)));
                    }
                } else {
                    problem = "key outside a section";
                }
            }
        }
        if (!problem.empty()) {
            error = "line " + std::to_string(lineNo) + ": " + problem;
            return false;
        }
    }
    // Without its base a tag would read another block's data, or the segment's start.
    for (const TagSection& t : tagSections) {
        if (!t.hasBase) {
            error = "line " + std::to_string(t.line) + ": tag '" + t.name +
                    "' has no base (its block's address in the server's memory)";
            return false;
        }
    }
    return true;
}

} // namespace fphost
