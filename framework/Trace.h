// Debug trace lines: formatted, then written with OutputDebugStringA so that a debugger or a
// DBWIN listener sees them. Tests of this module can also install an in-process sink.
#pragma once

#include <cstdarg>

namespace kfw {

// Formats one trace line (printf rules) and writes it. Lines longer than the buffer are cut.
void Trace(const char* format, ...);
void TraceV(const char* format, va_list args);
// Writes a text as it stands (no formatting): for texts that may contain '%'.
void TraceText(const char* text);

// In-process capture: every line written by this module also goes to the sink.
using TraceSink = void (*)(const char* line, void* context);
void SetTraceSink(TraceSink sink, void* context);

} // namespace kfw
