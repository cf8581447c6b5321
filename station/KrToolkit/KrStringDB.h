// The string database: one UTF-8 file per language next to KrToolkit.dll, named
// KrStrings.<language>.txt. One text per line: KEY, a tab, the text. Lines starting with '#'
// and empty lines are ignored; in a text "\n", "\t" and "\\" stand for a line break, a tab and
// a backslash. Texts are printf formats or plain texts; they are returned in the ANSI code page.
#pragma once

#include <map>
#include <string>

namespace krdb {

constexpr wchar_t kFilePrefix[] = L"KrStrings.";
constexpr wchar_t kFileSuffix[] = L".txt";
constexpr wchar_t kDefaultLanguage[] = L"zh-CN";

using Table = std::map<std::string, std::wstring>;

// Parses the contents of a database file (UTF-8, optional BOM). Malformed lines are skipped
// and counted in *badLines when given.
Table Parse(const std::string& utf8, int* badLines = nullptr);

} // namespace krdb
