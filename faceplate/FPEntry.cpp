#include "FPEntry.h"

#include "FPConstants.h"
#include "FPTag.h"
#include "FPText.h"

#include "TnEdit.h"

#include "Text.h"
#include "Trace.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fp {
namespace {

// Decimal digits with an optional sign, point and exponent, nothing else.
bool IsDecimalNumber(const std::string& s) {
    size_t i = 0;
    auto digits = [&] {
        size_t from = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i;
        return i - from;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t whole = digits();
    size_t fraction = 0;
    if (i < s.size() && s[i] == '.') {
        ++i;
        fraction = digits();
    }
    if (whole + fraction == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == s.size();
}

} // namespace

Entry ParseEntry(const std::string& text) {
    Entry entry;
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return entry;
    std::string core = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (!IsDecimalNumber(core))
        return entry;
    double typed = std::strtod(core.c_str(), nullptr);
    entry.typed = typed;
    if (!std::isfinite(typed) || std::fabs(typed) > FLT_MAX) {
        entry.problem = EntryProblem::TooLarge;
        return entry;
    }
    if (typed != 0.0 && std::fabs(typed) < FLT_MIN) {
        entry.problem = EntryProblem::TooSmall;
        return entry;
    }
    entry.value = typed == 0.0 ? 0.0f : static_cast<float>(typed); // "-0" is written as 0
    entry.problem = EntryProblem::None;
    return entry;
}

std::string ExactValueText(float value) {
    char text[64];
    if (!std::isfinite(value)) {
        std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
        return text;
    }
    if (value == 0.0f)
        return "0";
    // The fewest significant digits that read back as the same float.
    int digits = 1;
    for (; digits < kFloatRoundTripDigits; ++digits) {
        std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
    const char* e = std::strchr(text, 'e');
    const int exponent = e ? std::atoi(e + 1) : 0;
    if (!e || exponent < kFixedTextMinExponent || exponent > kFixedTextMaxExponent)
        return text;
    // Fixed point from the same digits: "1.6777216e+07" -> "16777216", "1e-07" -> "0.0000001".
    std::string mantissa;
    for (const char* p = text; p < e; ++p)
        if (std::isdigit(static_cast<unsigned char>(*p)))
            mantissa += *p;
    std::string out = value < 0 ? "-" : "";
    const int count = static_cast<int>(mantissa.size());
    if (exponent < 0) {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + mantissa;
    } else if (exponent + 1 >= count) {
        out += mantissa + std::string(static_cast<size_t>(exponent + 1 - count), '0');
    } else {
        out += mantissa.substr(0, static_cast<size_t>(exponent + 1)) + "." +
               mantissa.substr(static_cast<size_t>(exponent + 1));
    }
    return out;
}

std::string EntryValueText(float value, double typed, const std::string& typedText) {
    std::string exact = ExactValueText(value);
    if (std::strtod(exact.c_str(), nullptr) == typed)
        return exact;
    size_t first = typedText.find_first_not_of(" \t");
    std::string shown = first == std::string::npos
                            ? typedText
                            : typedText.substr(first, typedText.find_last_not_of(" \t") - first + 1);
    return Format(key::EntryRounded, "ss", exact.c_str(), shown.c_str());
}

} // namespace fp

using namespace fp;

int CFPTag::WriteData(WORD item, HWND edit, const char* label) {
    if (!m_bconnected)
        return 0;
    std::string text = kfw::Narrow(kfw::GetWindowTextW(edit));
    if (text.empty())
        return 0;
    auto* tn = dynamic_cast<CTnEdit*>(kfw::CWnd::FromHandle(edit));
    // Enter without an edit by the operator, or on the text the edit was given: there is
    // nothing to change (every character typed may have been refused).
    const bool modified = ::SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0;
    if (!modified || (tn && kfw::Widen(text) == tn->GetSavedText())) {
        kfw::Trace("[FP_BASE]:WriteData edit %d unchanged, nothing written\n",
                   ::GetDlgCtrlID(edit));
        return 0;
    }
    Entry entry = ParseEntry(text);
    if (entry.problem != EntryProblem::None) {
        kfw::Trace("[FP_BASE]:WriteData edit %d text \"%s\" refused, nothing written\n",
                   ::GetDlgCtrlID(edit), text.c_str());
        std::string why;
        if (entry.problem == EntryProblem::TooLarge)
            why = Format(key::EntryTooLarge, "ss", text.c_str(), ExactValueText(FLT_MAX).c_str());
        else if (entry.problem == EntryProblem::TooSmall)
            why = Format(key::EntryTooSmall, "ss", text.c_str(), ExactValueText(FLT_MIN).c_str());
        else
            why = Format(key::EntryNotANumber, "s", text.c_str());
        // The message names the typed text: the field shows the live value again.
        TellOperator(Text(key::EntryCaption), why);
        if (tn)
            tn->RevertToLive();
        return 0;
    }
    float current = NAN;
    if (LookHMIData(item, current, FALSE) && current == entry.value) {
        kfw::Trace("[FP_BASE]:WriteData edit %d value %s is the current one, nothing written\n",
                   ::GetDlgCtrlID(edit), ExactValueText(entry.value).c_str());
        if (tn)
            tn->RevertToLive();
        return 0;
    }
    return WriteFloat(item, entry.value, EntryValueText(entry.value, entry.typed, text), label);
}

void CFPTag::TellOperator(const std::string& caption, const std::string& text) {
    kfw::Trace("[FP_BASE] %s\n", text.c_str());
    if (m_pOwner && !m_pOwner->IsClosing())
        m_pOwner->TellOperator(caption, text);
}
