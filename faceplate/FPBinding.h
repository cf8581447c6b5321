// Controls bound to block items. Every bound control of a faceplate, on its own dialog or on a
// page of its detail view, is one row: where it is, its id, its kind and the item(s) it shows
// and writes. One engine binds the rows to their windows, shows them on each delivery, gives
// them their rights and dispatches their commands through the faceplate's operable check. A
// kind is a small type that knows how to bind, show, lock and operate its controls.
//
// Each bound row keeps what its control last showed (text, colour, check state, levels), so a
// delivery that changes nothing sends no message to any control.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class CFPTag;
namespace kfw {
class CWnd;
}
namespace kctl {
class IOperable;
}

namespace fp {

// The window number of the faceplate's own dialog; pages are 1, 2, ...
constexpr int kMainWindow = 0;

enum class BindKind : uint8_t {
    Value,    // numeric edit of a real item: text with its decimals, alarm colour, entry
    WordBit,  // check box standing for one bit of an enable word; a click writes the word
    Toggle,   // switch button of an on/off item: shows the state, a click asks for the other
    Latched,  // switch button that latches what it shows; a latched button asks for off
    Selector, // one of a pair of buttons of an on/off item: checked while the item has its
              // state, a click selects that state
    Status,   // the status lines and lamp, from the alarm-flag item
    UnitText, // caption that gets the unit text of a unit item appended: "caption(unit)"
};

struct Binding {
    int window;            // 0: the faceplate's own dialog; n: page n of the detail view
    int controlId;
    BindKind kind;
    uint16_t item;         // item shown and written; the unit item of a caption
    uint16_t decimalsItem; // Value: byte item giving the decimals (0: the default decimals)
    uint16_t stateItem;    // Value: word whose bit colours the edit (0: none)
    uint32_t bits;         // Value: that bit; WordBit: the box's bit; Selector: the state (0/1)
    uint32_t wordBits;     // WordBit: the bits of the word that boxes stand for
    uint8_t width;         // WordBit: bytes of the written word (2 or 4)
    const char* promptOn;  // key of the label of a write that switches on or sets the bit
    const char* promptOff; // key of the label of a write that switches off or clears the bit
    int promptArg;         // nonzero: the number a "%d" prompt is filled with
    const char* name;      // Value: the item's name, the label of an entry's write
    UINT icon;             // Toggle, Selector: icon given at binding (0: none)
    UINT iconOff;          // second icon of the button (0: none)
};

// What the engine needs of its faceplate.
class IBindingHost {
public:
    virtual ~IBindingHost() = default;
    virtual CFPTag& BoundTag() = 0;
    // The check every command of a control runs first (refusals are traced there).
    virtual bool MayOperate(int controlId, HWND control, bool stateful) const = 0;
    // The level required to write an item; -1 when the item is not in the item map (the
    // control keeps its level).
    virtual int RequiredLevel(uint16_t item) const = 0;
    virtual WORD UserLevel() const = 0;
    // Status lines and lamp from the alarm-flag item.
    virtual void ShowAlarmState(uint16_t flagItem) = 0;
    virtual bool IsClosing() const = 0;
};

// A row bound to its control, with what the control last showed.
struct BoundRow {
    const Binding* row = nullptr;
    std::unique_ptr<kfw::CWnd> control; // null for a row that needs no control object
    kctl::IOperable* operable = nullptr;
    HWND hwnd = nullptr;
    std::wstring caption; // UnitText: the template's caption
    // What the control shows; `known` false until the engine has set it (or after the
    // operator's typing may have replaced it).
    bool known = false;
    std::wstring text;
    COLORREF colour = CLR_INVALID;
    int state = -1;       // check or switch state
    bool noData = false;  // Toggle, Selector: shown without a state
    DWORD held = 0;       // WordBit: the block's word last shown
    int required = -1;    // levels given
    int user = -1;
};

class CBindingEngine {
public:
    CBindingEngine(IBindingHost& host, std::span<const Binding> rows);
    ~CBindingEngine();
    CBindingEngine(const CBindingEngine&) = delete;
    CBindingEngine& operator=(const CBindingEngine&) = delete;

    // Binds the rows of a window to the controls of `hwnd` (its dialog), and lets them go
    // before the window is destroyed.
    void Bind(int window, HWND hwnd);
    void Unbind(int window);

    // Shows the rows of a window from the block. With `states` false, check boxes keep the
    // state the operator just gave them (a write from them is under way).
    void Show(int window, bool states = true);
    // Sets the check boxes of an enable word in a window from a given word.
    void ShowWord(int window, uint16_t item, DWORD word);
    // Gives every bound row its levels: those of the faceplate's own dialog, and with `pages`
    // those of the pages.
    void ApplyRights(bool pages);

    // A command of a control of a window; true when a row took it.
    bool OnCommand(int window, int controlId, int code, HWND ctl);
    // Enter in a numeric edit: writes the typed value when the operator may edit it now.
    bool OnEditEnter(int controlId, HWND edit);
    // Writes on or off to the item of a Toggle or Latched row, with its prompt.
    int WriteSwitch(uint16_t item, bool on);

    // The bound row of a kind that shows an item (the first, when several do).
    BoundRow* FindItem(uint16_t item, BindKind kind);
    const BoundRow* FindItem(uint16_t item, BindKind kind) const;
    template <typename F> void ForEach(int window, F&& visit) const {
        for (const BoundRow& b : m_bound)
            if (b.row->window == window && b.hwnd)
                visit(b);
    }

private:
    // The bound row of a control of a window; null when it is not bound.
    BoundRow* Find(int window, int controlId);

    IBindingHost& m_host;
    std::vector<BoundRow> m_bound; // one per row, in the rows' order
};

} // namespace fp
