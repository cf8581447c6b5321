// KrFormat: printf for texts of the string database, which are data and may not match the
// arguments their caller passes. The conversions of the format are checked against the kinds
// of the arguments actually passed before any argument is read.
#include "KrToolkit.h"
#include "KrTrace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Kinds a conversion needs: 'i' an int-sized integer (argument kind 'd' or 'u'), 'f' a
// double, 's' a narrow string. 'x' marks a conversion that no argument kind can satisfy.
constexpr char kNeedInt = 'i';
constexpr char kNeedDouble = 'f';
constexpr char kNeedString = 's';
constexpr char kUnsupported = 'x';
constexpr char kNullFormatText[] = "(null)";
constexpr char kNullStringText[] = "(null)";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Appends the argument kinds the conversions of format need; false when the format holds a
// conversion that cannot be checked (positional arguments, %n, %p, 64-bit or wide types,
// an incomplete conversion at the end).
bool NeededKinds(const char* format, std::string& needs) {
    for (const char* p = format; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        while (*p && std::strchr("-+ #0'", *p))
            ++p;
        if (*p == '*') {
            needs += kNeedInt;
            ++p;
        } else {
            while (IsDigit(*p))
                ++p;
            if (*p == '$')
                return false;
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                needs += kNeedInt;
                ++p;
            } else {
                while (IsDigit(*p))
                    ++p;
            }
        }
        // Length modifier: only those that keep an int-sized integer or a double.
        enum { kNone, kShort, kLong, kOther } length = kNone;
        if (*p == 'h') {
            length = kShort;
            ++p;
            if (*p == 'h')
                ++p;
        } else if (*p == 'l') {
            length = kLong;
            ++p;
            if (*p == 'l') {
                length = kOther;
                ++p;
            }
        } else if (*p && std::strchr("LjztqIw", *p)) {
            length = kOther;
            ++p;
            while (IsDigit(*p)) // I32, I64
                ++p;
        }
        char need = kUnsupported;
        switch (*p) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            need = length == kOther ? kUnsupported : kNeedInt;
            break;
        case 'c':
            need = (length == kNone || length == kShort) ? kNeedInt : kUnsupported;
            break;
        case 's':
            need = (length == kNone || length == kShort) ? kNeedString : kUnsupported;
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            need = (length == kNone || length == kLong) ? kNeedDouble : kUnsupported;
            break;
        default: // '\0', 'n', 'p', unknown letters
            break;
        }
        if (need == kUnsupported)
            return false;
        needs += need;
    }
    return true;
}

bool KindsAgree(const std::string& needs, const char* kinds) {
    if (std::strlen(kinds) != needs.size())
        return false;
    for (size_t i = 0; i < needs.size(); ++i) {
        char k = kinds[i];
        bool ok = needs[i] == kNeedInt ? (k == 'd' || k == 'u') : k == needs[i];
        if (!ok)
            return false;
    }
    return true;
}

// True when a string argument is null (vsnprintf would have to print it).
bool HasNullString(const char* kinds, va_list args) {
    for (const char* k = kinds; *k; ++k) {
        switch (*k) {
        case 's':
            if (!va_arg(args, const char*))
                return true;
            break;
        case 'd':
            (void)va_arg(args, int);
            break;
        case 'u':
            (void)va_arg(args, unsigned int);
            break;
        case 'f':
            (void)va_arg(args, double);
            break;
        default:
            return false;
        }
    }
    return false;
}

// "format [arg1, arg2]" with every argument read by the kind it really has.
std::string SafeRendering(const char* format, const char* kinds, va_list args) {
    std::string out = format ? format : kNullFormatText;
    out += " [";
    char number[64];
    for (const char* k = kinds; *k; ++k) {
        if (k != kinds)
            out += ", ";
        switch (*k) {
        case 's': {
            const char* s = va_arg(args, const char*);
            out += s ? s : kNullStringText;
            continue;
        }
        case 'd':
            std::snprintf(number, sizeof number, "%d", va_arg(args, int));
            break;
        case 'u':
            std::snprintf(number, sizeof number, "%u", va_arg(args, unsigned int));
            break;
        case 'f':
            std::snprintf(number, sizeof number, "%g", va_arg(args, double));
            break;
        default:
            // An unknown kind has an unknown size: nothing after it can be read.
            out += "?]";
            return out;
        }
        out += number;
    }
    out += "]";
    return out;
}

// Length of the longest prefix of text that fits in `room` bytes without splitting a
// character of the ANSI code page.
size_t FittingLength(const std::string& text, size_t room) {
    if (text.size() <= room)
        return text.size();
    const UINT acp = ::GetACP();
    if (acp == CP_UTF8) {
        size_t n = room;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
        return n;
    }
    size_t boundary = 0;
    for (size_t i = 0; i < room;) {
        size_t step = ::IsDBCSLeadByteEx(acp, static_cast<BYTE>(text[i])) ? 2 : 1;
        if (i + step > room)
            break;
        i += step;
        boundary = i;
    }
    return boundary;
}

int CopyOut(char* out, int outSize, const std::string& text) {
    size_t n = FittingLength(text, static_cast<size_t>(outSize - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<int>(n);
}

} // namespace

extern "C" int KrFormatV(char* out, int outSize, const char* format, const char* argKinds,
                         va_list args) {
    if (!out || outSize <= 0)
        return 0;
    const char* kinds = argKinds ? argKinds : "";
    std::string text;
    std::string needs;
    bool agree = format && NeededKinds(format, needs) && KindsAgree(needs, kinds);
    if (agree) {
        va_list probe;
        va_copy(probe, args);
        agree = !HasNullString(kinds, probe);
        va_end(probe);
    }
    if (agree) {
        va_list measure;
        va_copy(measure, args);
        int n = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        if (n >= 0) {
            text.assign(static_cast<size_t>(n) + 1, '\0');
            std::vsnprintf(text.data(), text.size(), format, args);
            text.resize(static_cast<size_t>(n));
        } else {
            agree = false;
        }
    }
    if (!agree) {
        krtrace::Trace("[KrToolkit] KrFormat: arguments \"%s\" do not fit the format \"%.200s\"\n",
                       kinds, format ? format : kNullFormatText);
        text = SafeRendering(format, kinds, args);
    }
    return CopyOut(out, outSize, text);
}

extern "C" int KrFormat(char* out, int outSize, const char* format, const char* argKinds, ...) {
    va_list args;
    va_start(args, argKinds);
    int n = KrFormatV(out, outSize, format, argKinds, args);
    va_end(args);
    return n;
}
