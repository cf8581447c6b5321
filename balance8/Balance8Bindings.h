// Every bound control of the BALANCE8 faceplate, one row each: the main dialog's mode buttons,
// status lines and loop switches, and on the nine setup pages the numeric edits (the block
// table's edit rows), the alarm and limit enable check boxes, the switches and the captions
// that carry an engineering unit. The faceplate's binding engine binds, shows, locks and
// dispatches them by these rows alone.
#pragma once

#include "BlockTable.h"
#include "FPBinding.h"

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
// The binding window of a page (0: the main dialog).
constexpr int WindowOf(b8::Page page) {
    return static_cast<int>(page);
}

// ---- The rows ----
// Main dialog first (in the order of its refresh: mode buttons, status, the loop switches in
// their refresh order), then every page's edits, then the pages' other controls.
std::span<const fp::Binding> Rows();
// The row of a control of a window; null when none. Check-box ids repeat across pages.
const fp::Binding* FindRow(int window, int controlId);

// The page's alarm enable boxes stand for bit `bits` of word b8::AlarmEnableItem(measure,
// branch); the limit enable boxes for bit `bits` of item b8::kItemLimitEnable.
constexpr bool IsAlarmBox(const fp::Binding& row) {
    return row.kind == fp::BindKind::WordBit && row.item != b8::kItemLimitEnable;
}
constexpr bool IsLimitBox(const fp::Binding& row) {
    return row.kind == fp::BindKind::WordBit && row.item == b8::kItemLimitEnable;
}
// The measurement and branch of an alarm enable word.
constexpr b8::Measure MeasureOfEnableItem(uint16_t item) {
    return static_cast<b8::Measure>((item - b8::AlarmEnableItem(b8::Measure::Flow, 1)) / 16);
}
constexpr int BranchOfEnableItem(uint16_t item) {
    return (item - b8::AlarmEnableItem(MeasureOfEnableItem(item), 1)) / 2 + 1;
}
constexpr int kAlarmBoxCount = 3 * b8::kBranchCount * 5;
// Bit number k of the limit enable word: 3(b-1) high, 3(b-1)+1 low, 3(b-1)+2 rate limit of
// branch b.
constexpr int LimitBranch(int bitNumber) {
    return bitNumber / 3 + 1;
}

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

} // namespace b8ui
