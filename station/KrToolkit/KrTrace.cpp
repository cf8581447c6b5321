#include "KrTrace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace krtrace {
namespace {
constexpr int kTraceBufferSize = 512;
}

void Trace(const char* format, ...) {
    char line[kTraceBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    line[sizeof line - 1] = '\0';
    ::OutputDebugStringA(line);
}

} // namespace krtrace
