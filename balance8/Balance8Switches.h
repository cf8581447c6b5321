// The switch buttons of the main dialog: the seven balance loops and the two mode buttons,
// the items they write and the prompt keys of their confirmations.
#pragma once

#include "BlockTable.h"

#include <windows.h>
#include "resource.h"

namespace b8ui {

struct LoopSwitch {
    int controlId;
    const char* promptOn;  // switching on writes 255
    const char* promptOff; // switching off writes 0
};

// Loop order j = 0..6; the item of loop j is b8::LoopSwitchItem(j). The prompts of two-branch
// balances 3 and 4 come before those of four-branch balance 1.
constexpr LoopSwitch kLoopSwitches[b8::kLoopCount] = {
    {IDC_LOOP_21, "FP_ACCUM_STR000376", "FP_ACCUM_STR000383"},
    {IDC_LOOP_22, "FP_ACCUM_STR000377", "FP_ACCUM_STR000384"},
    {IDC_LOOP_41, "FP_ACCUM_STR000380", "FP_ACCUM_STR000387"},
    {IDC_LOOP_23, "FP_ACCUM_STR000378", "FP_ACCUM_STR000385"},
    {IDC_LOOP_24, "FP_ACCUM_STR000379", "FP_ACCUM_STR000386"},
    {IDC_LOOP_42, "FP_ACCUM_STR000381", "FP_ACCUM_STR000388"},
    {IDC_LOOP_8, "FP_ACCUM_STR000382", "FP_ACCUM_STR000389"},
};

// The loop ordinal of a loop switch's control id, or -1.
constexpr int LoopOfControl(int controlId) {
    for (int j = 0; j < b8::kLoopCount; ++j)
        if (kLoopSwitches[j].controlId == controlId)
            return j;
    return -1;
}
constexpr bool IsLoopSwitch(int controlId) {
    return LoopOfControl(controlId) >= 0;
}

// The refresh sets the loop switches in this order of loop ordinals.
constexpr int kRefreshOrder[b8::kLoopCount] = {0, 6, 5, 2, 4, 3, 1};

constexpr char kPromptModeOn[] = "FP_ACCUM_STR000391";
constexpr char kPromptModeOff[] = "FP_ACCUM_STR000390";

constexpr BYTE kSwitchOn = 255;
constexpr BYTE kSwitchOff = 0;

// The 24 alarm enable words in refresh order: flow words of branches 1..8, then branch
// temperature, then tube-skin.
constexpr int kEnableWordCount = 24;

} // namespace b8ui
