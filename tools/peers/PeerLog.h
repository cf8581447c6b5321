// The request log of the peer programs: one line per received request, appended to the file
// named on the peer's command line. The tests read it back to see what arrived where.
#pragma once

#include <string>
#include <vector>

namespace peers {

struct ReceivedRequest {
    std::string time;        // local time of arrival, "hh:mm:ss.mmm"
    std::string window;      // logical name of the communication window that received it
    unsigned long from = 0;  // wParam: the sender's own window
    unsigned code = 0;       // WM_COPYDATA dwData
    unsigned size = 0;       // WM_COPYDATA cbData
    bool terminated = false; // the record holds a zero byte
    std::string tag;         // the record's text up to its first zero (or its end)
};

// Texts as the log holds them: control characters (below 0x20, and 0x7F) as \xHH, the
// backslash doubled; every other byte as it is. A received text can thus never end a line or
// start a forged one.
std::string EscapeLogText(const std::string& text);
// The reverse; false for a text that EscapeLogText cannot have written.
bool UnescapeLogText(const std::string& text, std::string& out);

// "hh:mm:ss.mmm window=W from=F code=C size=S terminated=yes|no tag=T" (no line end), with W
// and T escaped.
std::string FormatLogLine(const ReceivedRequest& request);
bool ParseLogLine(const std::string& line, ReceivedRequest& request);
// Every well-formed line of the file; empty when the file does not exist.
std::vector<ReceivedRequest> ReadLog(const std::string& path);

} // namespace peers
