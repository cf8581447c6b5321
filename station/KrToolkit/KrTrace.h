// Trace lines of the station libraries: OutputDebugStringA, like the rest of the station.
#pragma once

namespace krtrace {

// printf-style; lines longer than the buffer are cut.
void Trace(const char* format, ...);

} // namespace krtrace
