// The string database: one UTF-8 file per language next to KrToolkit.dll, named
// KrStrings.<language>.txt. One text per line: KEY, a tab, the text. Lines starting with '#'
// and empty lines are ignored; in a text "\n", "\t" and "\\" stand for a line break, a tab and
// a backslash. Texts are printf formats or plain texts; they are returned in the ANSI code page.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace krdb {

constexpr wchar_t kFilePrefix[] = L"KrStrings.";
constexpr wchar_t kFileSuffix[] = L".txt";
constexpr wchar_t kDefaultLanguage[] = L"zh-CN";

using Table = std::map<std::string, std::wstring>;

// A text longer than this (UTF-16 units) cannot be used whole: the faceplate formats texts into
// buffers of 1024 bytes.
constexpr size_t kMaxTextChars = 1023;

struct Problem {
    int line = 0;
    std::string message; // ASCII
};

// Parses the contents of a database file (UTF-8, optional BOM). Lines without KEY<TAB>, with a
// text that is not UTF-8 or longer than kMaxTextChars are skipped; a key given again replaces
// the earlier text. Each of these is listed in *problems when given.
Table Parse(const std::string& utf8, std::vector<Problem>* problems = nullptr);

} // namespace krdb
