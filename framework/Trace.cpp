#include "Trace.h"

#include <windows.h>

#include <cstdio>

namespace kfw {
namespace {
TraceSink g_sink = nullptr;
void* g_sinkContext = nullptr;
constexpr size_t kTraceBufferSize = 1024;
} // namespace

void TraceText(const char* text) {
    if (!text)
        return;
    OutputDebugStringA(text);
    if (g_sink)
        g_sink(text, g_sinkContext);
}

void TraceV(const char* format, va_list args) {
    if (!format)
        return;
    char line[kTraceBufferSize];
    int n = vsnprintf(line, sizeof line, format, args);
    if (n < 0)
        return;
    TraceText(line);
}

void Trace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    TraceV(format, args);
    va_end(args);
}

void SetTraceSink(TraceSink sink, void* context) {
    g_sink = sink;
    g_sinkContext = context;
}

} // namespace kfw
