// Texts of the station's string database, and safe formatting of its printf texts: the
// conversions of a text are checked against the arguments really passed.
#pragma once

#include <string>

namespace fp {

// The text of a key in the host's code page (empty when the key is unknown).
std::string Text(const char* key);
// Formats a database text; argKinds names the arguments: 's' text, 'd' int, 'f' double.
std::string Format(const char* key, const char* argKinds, ...);
// Formats into a fixed buffer of the given size (cut when longer).
std::string FormatN(size_t size, const char* key, const char* argKinds, ...);
// Traces a database text formatted with the given arguments.
void TraceKey(const char* key, const char* argKinds, ...);

} // namespace fp
