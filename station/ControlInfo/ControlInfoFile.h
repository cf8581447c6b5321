// Parser of the control-information configuration (KrControlInfo.ini). One entry per line, in
// the order the faceplates walk them:
//     entry = <nID> [<column>=<permission>[:<area>]]...
// Columns not listed have permission 0 and no area. <column> is 0..kKrMaxStations-1 (each at
// most once per line), <permission> 0..255, <area> 1..31 bytes without blanks (8-bit text in
// the station's code page). Blank lines and lines starting with ';' or '#' are ignored.
#pragma once

#include "KrControlInfo.h"

#include <string>
#include <vector>

namespace krci {

struct ParseError {
    int line = 0;        // 1-based line of the fault; 0 = the text as a whole
    std::string message; // what is wrong, in English
};

// Parses the whole text. On success fills `entries` (file order) and returns true; on the
// first malformed line returns false with `error` set and `entries` empty. An nID given on an
// earlier line too is kept (the faceplates take the first match) and listed in *warnings.
bool ParseControlInfo(const std::string& text, std::vector<KrControlInfoEntry>& entries,
                      ParseError& error, std::vector<ParseError>* warnings = nullptr);

} // namespace krci
