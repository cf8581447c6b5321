#include "PeerLog.h"

#include <fstream>

namespace peers {
namespace {

// Reads "key=" at pos and the value up to the next space (or, for the last key, the line end).
bool Field(const std::string& line, size_t& pos, const char* key, std::string& value,
           bool toEnd = false) {
    const std::string prefix = std::string(key) + "=";
    if (line.compare(pos, prefix.size(), prefix) != 0)
        return false;
    pos += prefix.size();
    size_t end = toEnd ? line.size() : line.find(' ', pos);
    if (end == std::string::npos)
        return false;
    value = line.substr(pos, end - pos);
    pos = toEnd ? end : end + 1;
    return true;
}

constexpr char kEscape = '\\';
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ToUnsigned(const std::string& text, unsigned& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = static_cast<unsigned>(std::stoul(text));
    return true;
}

} // namespace

std::string EscapeLogText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == kEscape) {
            out += "\\\\";
        } else if (IsControl(c)) {
            out += "\\x";
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

bool UnescapeLogText(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsControl(c))
            return false; // never written: a line with one was not made here
        if (text[i] != kEscape) {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == kEscape) {
            out += kEscape;
            ++i;
            continue;
        }
        if (i + 3 >= text.size() || text[i + 1] != 'x')
            return false;
        const int high = HexValue(text[i + 2]), low = HexValue(text[i + 3]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 3;
    }
    return true;
}

std::string FormatLogLine(const ReceivedRequest& r) {
    return r.time + " window=" + EscapeLogText(r.window) + " from=" + std::to_string(r.from) +
           " code=" + std::to_string(r.code) + " size=" + std::to_string(r.size) +
           " terminated=" + (r.terminated ? "yes" : "no") + " tag=" + EscapeLogText(r.tag);
}

bool ParseLogLine(const std::string& line, ReceivedRequest& r) {
    size_t pos = line.find(' ');
    if (pos == std::string::npos)
        return false;
    r.time = line.substr(0, pos++);
    std::string window, from, code, size, terminated, tag;
    if (!Field(line, pos, "window", window) || !Field(line, pos, "from", from) ||
        !Field(line, pos, "code", code) || !Field(line, pos, "size", size) ||
        !Field(line, pos, "terminated", terminated) || !Field(line, pos, "tag", tag, true))
        return false;
    if (!UnescapeLogText(window, r.window) || !UnescapeLogText(tag, r.tag))
        return false;
    if (terminated != "yes" && terminated != "no")
        return false;
    r.terminated = terminated == "yes";
    unsigned sender = 0;
    if (!ToUnsigned(from, sender))
        return false;
    r.from = sender;
    return ToUnsigned(code, r.code) && ToUnsigned(size, r.size);
}

std::vector<ReceivedRequest> ReadLog(const std::string& path) {
    std::vector<ReceivedRequest> requests;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        ReceivedRequest r;
        if (ParseLogLine(line, r))
            requests.push_back(r);
    }
    return requests;
}

} // namespace peers
