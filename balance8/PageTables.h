// The controls of the nine setup pages beyond their numeric edits (those are rows of the block
// table: b8::ItemDef::editId and page): the pages in tab order, the alarm enable and limit
// enable check boxes, the captions that carry an engineering unit and the switch buttons.
// A page binds, refreshes, locks and dispatches its controls by walking these rows.
#pragma once

#include "BlockTable.h"

#include <cstdint>
#include <span>

namespace b8ui {

// ---- Pages, in tab order (tab index = position, page number = position + 1) ----
struct PageDef {
    b8::Page page;
    int templateId;         // IDD_PAGE_*
    const char* captionKey; // string-database key of the tab caption
};
std::span<const PageDef> Pages();
// Template of a page; 0 for b8::Page::None.
int PageTemplate(b8::Page page);

// ---- Alarm enable check boxes (pages PVAlarmSetup, TAlarmSetup1, TCSAlarmSetup1 for the
// HH/H/LL/L bits, SpeedAlarmSetup for the rate bit) ----
// The box of (measure, branch, bit) stands for that bit of the word
// b8::AlarmEnableItem(measure, branch); its state word is b8::AlarmStateItem(measure, branch).
struct AlarmCheck {
    int controlId;
    b8::Page page;
    b8::Measure measure;
    uint8_t branch; // 1..8
    uint8_t bit;    // b8::kAlarmHH, kAlarmH, kAlarmLL, kAlarmL or kAlarmRate
};
// 120 rows: four levels of eight branches on each alarm page, three rate groups.
std::span<const AlarmCheck> AlarmChecks();
// Check-box ids repeat across pages: a box is found by its page and its id. Null when none.
const AlarmCheck* FindAlarmCheck(b8::Page page, int controlId);

// The measurement kind by which the faceplate's CollectAlarmEnableWords and the page families
// name a measurement: branch flow 0, branch temperature 2, tube-skin temperature 3.
constexpr int AlarmKind(b8::Measure measure) {
    return measure == b8::Measure::Flow ? 0 : static_cast<int>(measure) + 1;
}
// The inverse; false for a kind that names no measurement (1, or anything outside 0..3).
constexpr bool MeasureOfAlarmKind(int kind, b8::Measure* measure) {
    if (kind != 0 && kind != 2 && kind != 3)
        return false;
    *measure = static_cast<b8::Measure>(kind == 0 ? 0 : kind - 1);
    return true;
}

// Prompt keys of an alarm enable change, by the bit of the box: on = the box is now checked.
struct SwitchPrompts {
    const char* on;
    const char* off;
};
// Null for a value that is not exactly one of the five alarm bits.
const SwitchPrompts* AlarmPrompts(uint32_t bit);

// ---- Limit enable check boxes (page SVLimtSetup; limit enable word, item 554) ----
struct LimitCheck {
    int controlId;
    uint8_t bit; // bit number 0..23: 3(k-1) high, 3(k-1)+1 low, 3(k-1)+2 rate limit of branch k
};
// 24 rows: high limits of branches 1..8, low limits, rate limits.
std::span<const LimitCheck> LimitChecks();
const LimitCheck* FindLimitCheck(int controlId);
constexpr b8::Page kLimitCheckPage = b8::Page::SVLimtSetup;
constexpr int LimitBranch(uint8_t bit) {
    return bit / 3 + 1;
}
// Prompt keys of a limit enable change. The rate-limit texts are formats with one integer
// placeholder, filled with the branch number (formatBranch).
struct LimitPrompts {
    const char* on;
    const char* off;
    bool formatBranch;
};
const LimitPrompts& LimitPromptsOf(uint8_t bit);

// ---- Captions that get an engineering unit appended: group boxes and unit labels ----
enum class CaptionKind : uint8_t { GroupBox, UnitLabel };
struct UnitCaption {
    int controlId;
    b8::Page page;
    uint16_t unitItem; // unit code item: b8::kItemUnitTotalFlow .. kItemUnitTubeSkin
    CaptionKind kind;
};
// Page by page in the order of the page refresh (FirstSetup, KTLSetup, MultyBalanceSetup,
// PVAlarmSetup, SpeedAlarmSetup, SVLimtSetup, TAlarmSetup1, TCSAlarmSetup1,
// TwoTPBalanceSetup), and within a page in the order its captions are refreshed.
std::span<const UnitCaption> UnitCaptions();

// ---- Switch buttons of the pages: write 255 (on) or 0 (off) to a BOOL item ----
struct PageSwitch {
    int controlId;
    b8::Page page;
    uint16_t item;
    const char* promptOn;  // key of the label when switching on
    const char* promptOff; // key of the label when switching off
};
std::span<const PageSwitch> PageSwitches();
const PageSwitch* FindPageSwitch(b8::Page page, int controlId);

} // namespace b8ui
