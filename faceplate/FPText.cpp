#include "FPText.h"

#include "KrToolkit.h"
#include "Trace.h"

#include <cstdarg>
#include <vector>

namespace fp {
namespace {
constexpr size_t kFormatBufferSize = 1024;

std::string VFormat(size_t size, const char* key, const char* argKinds, va_list args) {
    std::string format = Text(key);
    std::vector<char> out(size, '\0');
    KrFormatV(out.data(), static_cast<int>(size), format.c_str(), argKinds, args);
    return std::string(out.data());
}
} // namespace

std::string Text(const char* key) {
    CKrString text = CKrStringDBWrapper::GetString(key);
    const char* s = text;
    return s ? std::string(s) : std::string();
}

std::string Format(const char* key, const char* argKinds, ...) {
    va_list args;
    va_start(args, argKinds);
    std::string s = VFormat(kFormatBufferSize, key, argKinds, args);
    va_end(args);
    return s;
}

std::string FormatN(size_t size, const char* key, const char* argKinds, ...) {
    va_list args;
    va_start(args, argKinds);
    std::string s = VFormat(size, key, argKinds, args);
    va_end(args);
    return s;
}

void TraceKey(const char* key, const char* argKinds, ...) {
    va_list args;
    va_start(args, argKinds);
    std::string s = VFormat(kFormatBufferSize, key, argKinds, args);
    va_end(args);
    kfw::TraceText(s.c_str());
}

} // namespace fp
