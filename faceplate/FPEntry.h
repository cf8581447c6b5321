// An operator's entry of a real value: what the typed text stands for, whether a 32-bit float
// can hold it, and the texts that show the value really written.
#pragma once

#include <string>

namespace fp {

enum class EntryProblem {
    None,
    NotANumber, // empty, "-", "1.2.3", "1,5", "0x10", "nan", "inf", ...
    TooLarge,   // magnitude above the largest float
    TooSmall,   // not 0, but below the smallest normal float: it would be stored as another value
};

struct Entry {
    EntryProblem problem = EntryProblem::NotANumber;
    float value = 0.0f; // what is written (valid when problem is None)
    double typed = 0.0; // the typed number as closely as a double holds it
};

// The number a whole text stands for, blanks around it allowed: decimal digits with an optional
// sign, point and exponent. Hexadecimal, infinities and NaN are not numbers here.
Entry ParseEntry(const std::string& text);

// The shortest text that reads back as exactly this float: fixed point for ordinary magnitudes
// ("400", "0.0000001", "16777216"), exponent form for very large or very small ones.
std::string ExactValueText(float value);

// The text of a value to be written: ExactValueText, and when the float differs from the typed
// number, a note with the typed text (16777217 is written as 16777216).
std::string EntryValueText(float value, double typed, const std::string& typedText);

} // namespace fp
