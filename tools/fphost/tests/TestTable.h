// A small block table for the host's tests: one item of every value type, listed out of
// index order on purpose.
#pragma once

#include "Descriptors.h"

namespace fphost::test {

inline BlockTable SmallTable() {
    BlockTable t;
    t.items = {
        {1, "FTTL", FPT_FLOAT, 0, 4},     {105, "", FPT_UINT32, 12, 4},
        {2, "FTTLSET", FPT_FLOAT, 4, 4},  {94, "", FPT_BOOL, 8, 1},
        {418, "", FPT_BYTE, 9, 1},        {502, "", FPT_UINT32, 16, 4},
        {60, "FPSET1", FPT_FLOAT, 20, 4},
    };
    t.flagBits = {{0, "HH", true}, {8, "SVLIM", false}};
    t.wholeSize = 24;
    t.compactSize1 = 8;
    t.compactSize2 = 4;
    return t;
}

} // namespace fphost::test
