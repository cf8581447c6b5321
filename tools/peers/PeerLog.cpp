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

bool ToUnsigned(const std::string& text, unsigned& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = static_cast<unsigned>(std::stoul(text));
    return true;
}

} // namespace

std::string FormatLogLine(const ReceivedRequest& r) {
    return r.time + " window=" + r.window + " from=" + std::to_string(r.from) +
           " code=" + std::to_string(r.code) + " size=" + std::to_string(r.size) +
           " terminated=" + (r.terminated ? "yes" : "no") + " tag=" + r.tag;
}

bool ParseLogLine(const std::string& line, ReceivedRequest& r) {
    size_t pos = line.find(' ');
    if (pos == std::string::npos)
        return false;
    r.time = line.substr(0, pos++);
    std::string from, code, size, terminated;
    if (!Field(line, pos, "window", r.window) || !Field(line, pos, "from", from) ||
        !Field(line, pos, "code", code) || !Field(line, pos, "size", size) ||
        !Field(line, pos, "terminated", terminated) || !Field(line, pos, "tag", r.tag, true))
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
