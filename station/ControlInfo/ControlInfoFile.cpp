#include "ControlInfoFile.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <string_view>

namespace krci {
namespace {

constexpr std::string_view kEntryKey = "entry";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr int kMaxPermission = 255;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Next blank-separated token of `s`; empty at the end.
std::string_view NextToken(std::string_view& s) {
    s = Trim(s);
    size_t end = 0;
    while (end < s.size() && !IsBlank(s[end]))
        ++end;
    std::string_view token = s.substr(0, end);
    s.remove_prefix(end);
    return token;
}

// A whole token as a decimal number in [lo, hi].
bool ParseNumber(std::string_view token, long long lo, long long hi, long long& value) {
    if (token.empty())
        return false;
    const char* first = token.data();
    const char* last = first + token.size();
    if (*first == '+')
        return false;
    auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last && value >= lo && value <= hi;
}

// One "<column>=<permission>[:<area>]" token into the entry.
bool ParseColumn(std::string_view token, KrControlInfoEntry& entry, bool (&seen)[kKrMaxStations],
                 std::string& message) {
    size_t eq = token.find('=');
    if (eq == std::string_view::npos) {
        message = "expected <column>=<permission>[:<area>], got '" + std::string(token) + "'";
        return false;
    }
    long long column = 0;
    if (!ParseNumber(token.substr(0, eq), 0, kKrMaxStations - 1, column)) {
        message = "column '" + std::string(token.substr(0, eq)) + "' is not a number from 0 to " +
                  std::to_string(kKrMaxStations - 1);
        return false;
    }
    if (seen[column]) {
        message = "column " + std::to_string(column) + " given twice";
        return false;
    }
    std::string_view rest = token.substr(eq + 1);
    size_t colon = rest.find(':');
    std::string_view permissionText = rest.substr(0, colon);
    long long permission = 0;
    if (!ParseNumber(permissionText, 0, kMaxPermission, permission)) {
        message = "permission '" + std::string(permissionText) + "' is not a number from 0 to " +
                  std::to_string(kMaxPermission);
        return false;
    }
    if (colon != std::string_view::npos) {
        std::string_view area = rest.substr(colon + 1);
        if (area.empty() || area.size() >= static_cast<size_t>(kKrAreaNameSize)) {
            message = "area name of column " + std::to_string(column) + " must have 1 to " +
                      std::to_string(kKrAreaNameSize - 1) + " bytes";
            return false;
        }
        std::memcpy(entry.szArea[column], area.data(), area.size());
        entry.szArea[column][area.size()] = '\0';
    }
    seen[column] = true;
    entry.byPermission[column] = static_cast<BYTE>(permission);
    return true;
}

bool ParseLine(std::string_view line, KrControlInfoEntry& entry, std::string& message) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || Trim(line.substr(0, eq)) != kEntryKey) {
        message = "expected 'entry = <nID> ...'";
        return false;
    }
    std::string_view rest = line.substr(eq + 1);
    std::string_view idText = NextToken(rest);
    long long id = 0;
    if (!ParseNumber(idText, LONG_MIN, LONG_MAX, id)) {
        message = idText.empty() ? "missing nID"
                                 : "nID '" + std::string(idText) + "' is not a 32-bit number";
        return false;
    }
    entry = KrControlInfoEntry{};
    entry.nID = static_cast<LONG>(id);
    bool seen[kKrMaxStations] = {};
    for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
        if (!ParseColumn(token, entry, seen, message))
            return false;
    }
    return true;
}

} // namespace

bool ParseControlInfo(const std::string& text, std::vector<KrControlInfoEntry>& entries,
                      ParseError& error, std::vector<ParseError>* warnings) {
    entries.clear();
    std::vector<int> lines; // of the entries
    error = ParseError{};
    std::string_view all(text);
    if (all.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        all.remove_prefix(kUtf8Bom.size());
    if (all.find('\0') != std::string_view::npos) {
        error.message = "the file holds a zero byte (not a text file)";
        return false;
    }
    int lineNo = 0;
    while (!all.empty()) {
        ++lineNo;
        size_t nl = all.find('\n');
        std::string_view line = Trim(all.substr(0, nl));
        all.remove_prefix(nl == std::string_view::npos ? all.size() : nl + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        KrControlInfoEntry entry{};
        if (!ParseLine(line, entry, error.message)) {
            error.line = lineNo;
            entries.clear();
            return false;
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].nID == entry.nID && warnings) {
                warnings->push_back(
                    ParseError{lineNo, "nID " + std::to_string(entry.nID) + " repeats line " +
                                           std::to_string(lines[i]) + "; the entry of line " +
                                           std::to_string(lines[i]) + " is used"});
                break;
            }
        }
        entries.push_back(entry);
        lines.push_back(lineNo);
    }
    return true;
}

} // namespace krci
