#include "FPBinding.h"

#include "FPConstants.h"
#include "FPTag.h"
#include "FPText.h"

#include "BtnST.h"
#include "LevelButton.h"
#include "TnButton.h"
#include "TnEdit.h"

#include "Text.h"

namespace fp {
namespace {

// One kind of bound control: how its control object is made, shown, locked and operated.
class CKind {
public:
    virtual ~CKind() = default;
    // The control object the row binds (null: the row needs only the window handle).
    virtual std::unique_ptr<kfw::CWnd> Make() const { return nullptr; }
    virtual void Bind(BoundRow& /*b*/) const {}
    virtual void Show(BoundRow& b, CFPTag& tag, IBindingHost& host, bool states) const = 0;
    // Whether a click on the control is a command (edits, captions and status lines have none).
    virtual bool TakesClicks() const { return false; }
    // What a click did to the control, taken before the operable check runs.
    virtual void Clicked(BoundRow& /*b*/) const {}
    // A click the operable check let through.
    virtual void OnCommand(BoundRow& /*b*/, IBindingHost& /*host*/) const {}
};

template <typename T> T& ControlOf(const BoundRow& b) {
    return static_cast<T&>(*b.control);
}

// The state of an on/off item as the block holds it; a lookup that leaves it alone (the item
// was just written) keeps what the control shows.
bool LookSwitch(CFPTag& tag, const BoundRow& b) {
    BOOL on = b.state > 0;
    if (!tag.LookHMIData(b.row->item, on))
        on = FALSE;
    return on != FALSE;
}

class CValueKind : public CKind {
public:
    std::unique_ptr<kfw::CWnd> Make() const override {
        auto edit = std::make_unique<CTnEdit>();
        edit->SetMode(kctl::kModeReal);
        return edit;
    }
    void Show(BoundRow& b, CFPTag& tag, IBindingHost&, bool) const override {
        auto& edit = ControlOf<CTnEdit>(b);
        const Binding& row = *b.row;
        std::string text;
        float value = 0.0f;
        if (!tag.IsDataGood())
            text = kTextUnavailable;
        else if (!tag.FormatItem(row.item, value, row.decimalsItem, text))
            text.clear(); // keeps what it shows (just written, or no value yet)
        if (!text.empty()) {
            std::wstring wide = kfw::Widen(text);
            if (!b.known || wide != b.text) {
                if (text == kTextUnavailable) {
                    edit.ShowUnavailable();
                } else {
                    edit.SetUnavailable(false);
                    edit.SetText(wide);
                }
                b.text = std::move(wide);
                b.known = true;
            }
        }
        if (row.stateItem == 0)
            return;
        // No alarm colour on a field that shows no value.
        DWORD word = 0;
        if (edit.IsUnavailable() || !tag.LookHMIData(row.stateItem, word))
            word = 0;
        COLORREF back = (word & row.bits) ? kctl::kAlarmHighlight : kctl::kEditNormalBackground;
        if (back != b.colour) {
            b.colour = back;
            edit.SetNormalBackground(back);
            edit.Invalidate(FALSE);
        }
    }
};

class CWordBitKind : public CKind {
public:
    std::unique_ptr<kfw::CWnd> Make() const override { return std::make_unique<CLevelButton>(); }
    void Show(BoundRow& b, CFPTag& tag, IBindingHost&, bool states) const override {
        if (!states)
            return;
        DWORD word = b.held;
        if (!tag.LookHMIData(b.row->item, word))
            word = 0;
        ShowWord(b, word);
    }
    static void ShowWord(BoundRow& b, DWORD word) {
        b.held = word;
        int checked = (word & b.row->bits) ? BST_CHECKED : BST_UNCHECKED;
        if (checked != b.state) {
            ::SendMessageW(b.hwnd, BM_SETCHECK, static_cast<WPARAM>(checked), 0);
            b.state = checked;
        }
    }
    bool TakesClicks() const override { return true; }
    void Clicked(BoundRow& b) const override {
        // The platform has toggled the box: it shows the state the click asks for. Kept as
        // shown, so that the next show puts the block's state back whatever becomes of the
        // click (refused, cancelled, not taken).
        const bool requested = ::SendMessageW(b.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        b.state = requested ? BST_CHECKED : BST_UNCHECKED;
    }
    void OnCommand(BoundRow& b, IBindingHost& host) const override {
        const Binding& row = *b.row;
        const bool requested = b.state == BST_CHECKED;
        // The other bits are the block's last delivered word, so no cancelled or stale state
        // of another box goes into the word.
        DWORD held = b.held & row.wordBits;
        DWORD word = requested ? held | row.bits : held & ~row.bits;
        const char* key = (word & row.bits) ? row.promptOn : row.promptOff;
        std::string label = row.promptArg ? Format(key, "d", row.promptArg) : Text(key);
        CFPTag& tag = host.BoundTag();
        if (row.width == sizeof(WORD))
            tag.WriteData(row.item, static_cast<WORD>(word), label.c_str());
        else
            tag.WriteData(row.item, word, label.c_str());
    }
};

class CToggleKind : public CKind {
public:
    std::unique_ptr<kfw::CWnd> Make() const override { return std::make_unique<CLevelBtnST>(); }
    void Bind(BoundRow& b) const override {
        if (b.row->icon)
            ControlOf<CLevelBtnST>(b).SetIcon(b.row->icon, b.row->iconOff);
    }
    void Show(BoundRow& b, CFPTag& tag, IBindingHost&, bool) const override {
        // Without good data the button shows no state at all rather than "off".
        ShowState(b, tag, LookSwitch(tag, b));
    }
    bool TakesClicks() const override { return true; }
    void OnCommand(BoundRow& b, IBindingHost& host) const override {
        // The shown state decides: off asks for on, on asks for off.
        Write(b, host, ControlOf<CLevelBtnST>(b).GetCheck() == 0);
    }
    static int Write(const BoundRow& b, IBindingHost& host, bool on) {
        std::string label = Text(on ? b.row->promptOn : b.row->promptOff);
        return host.BoundTag().WriteData(b.row->item, on ? kSwitchOn : kSwitchOff, label.c_str());
    }

protected:
    static void ShowState(BoundRow& b, CFPTag& tag, bool checked) {
        auto& button = ControlOf<CLevelBtnST>(b);
        const bool noData = !tag.HasGoodData();
        if (!b.known || noData != b.noData)
            button.SetNoData(noData);
        button.SetCheckIfChanged(checked ? 1 : 0);
        b.noData = noData;
        b.state = checked ? 1 : 0;
        b.known = true;
    }
};

class CSelectorKind : public CToggleKind {
public:
    void Show(BoundRow& b, CFPTag& tag, IBindingHost&, bool) const override {
        BOOL on = FALSE;
        tag.LookHMIData(b.row->item, on);
        ShowState(b, tag, (on != FALSE) == (b.row->bits != 0));
    }
    void OnCommand(BoundRow& b, IBindingHost& host) const override {
        if (b.state == 1)
            return; // already selected
        std::string label = Text(b.row->promptOn);
        host.BoundTag().WriteData(b.row->item, b.row->bits ? kSwitchOn : kSwitchOff,
                                  label.c_str());
    }
};

class CLatchedKind : public CKind {
public:
    std::unique_ptr<kfw::CWnd> Make() const override { return std::make_unique<CTnButton>(); }
    void Show(BoundRow& b, CFPTag& tag, IBindingHost&, bool) const override {
        // The button latches on a click by itself: what it shows is its own state, not the
        // row's, and a lookup that leaves the item alone keeps that.
        auto& button = ControlOf<CTnButton>(b);
        b.state = button.IsLatched() ? 1 : 0;
        const bool on = LookSwitch(tag, b);
        if (on != button.IsLatched())
            button.SetLatched(on);
        b.state = on ? 1 : 0;
    }
    bool TakesClicks() const override { return true; }
    void OnCommand(BoundRow& b, IBindingHost& host) const override {
        // Any latched state asks for off.
        CToggleKind::Write(b, host, !ControlOf<CTnButton>(b).IsLatched());
    }
};

class CStatusKind : public CKind {
public:
    void Show(BoundRow& b, CFPTag&, IBindingHost& host, bool) const override {
        host.ShowAlarmState(b.row->item);
    }
};

class CUnitTextKind : public CKind {
public:
    void Bind(BoundRow& b) const override { b.caption = kfw::GetWindowTextW(b.hwnd); }
    void Show(BoundRow& b, CFPTag& tag, IBindingHost&, bool) const override {
        std::string unit;
        if (!tag.GetUnitText(b.row->item, unit))
            return;
        std::wstring text = b.caption + L"(" + kfw::Widen(unit) + L")";
        if (b.known && text == b.text)
            return;
        ::SetWindowTextW(b.hwnd, text.c_str());
        b.text = std::move(text);
        b.known = true;
    }
};

const CKind& KindOf(BindKind kind) {
    static const CValueKind value;
    static const CWordBitKind wordBit;
    static const CToggleKind toggle;
    static const CLatchedKind latched;
    static const CSelectorKind selector;
    static const CStatusKind status;
    static const CUnitTextKind unitText;
    switch (kind) {
    case BindKind::Value:
        return value;
    case BindKind::WordBit:
        return wordBit;
    case BindKind::Toggle:
        return toggle;
    case BindKind::Latched:
        return latched;
    case BindKind::Selector:
        return selector;
    case BindKind::Status:
        return status;
    case BindKind::UnitText:
        break;
    }
    return unitText;
}

} // namespace

CBindingEngine::CBindingEngine(IBindingHost& host, std::span<const Binding> rows) : m_host(host) {
    m_bound.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        m_bound[i].row = &rows[i];
}

CBindingEngine::~CBindingEngine() = default;

void CBindingEngine::Bind(int window, HWND hwnd) {
    for (BoundRow& b : m_bound) {
        if (b.row->window != window)
            continue;
        const CKind& kind = KindOf(b.row->kind);
        b = BoundRow{b.row};
        b.control = kind.Make();
        if (b.control) {
            b.control->SubclassDlgItem(static_cast<UINT>(b.row->controlId), hwnd);
            b.hwnd = b.control->m_hWnd;
            b.operable = dynamic_cast<kctl::IOperable*>(b.control.get());
        } else {
            b.hwnd = ::GetDlgItem(hwnd, b.row->controlId);
        }
        if (b.hwnd)
            kind.Bind(b);
    }
}

void CBindingEngine::Unbind(int window) {
    for (BoundRow& b : m_bound)
        if (b.row->window == window)
            b = BoundRow{b.row};
}

void CBindingEngine::Show(int window, bool states) {
    CFPTag& tag = m_host.BoundTag();
    for (BoundRow& b : m_bound) {
        if (b.row->window != window || !b.hwnd)
            continue;
        KindOf(b.row->kind).Show(b, tag, m_host, states);
        if (m_host.IsClosing())
            return; // the host's alarm-state callback closed the faceplate
    }
}

void CBindingEngine::ShowWord(int window, uint16_t item, DWORD word) {
    for (BoundRow& b : m_bound)
        if (b.row->window == window && b.row->item == item && b.row->kind == BindKind::WordBit &&
            b.hwnd)
            CWordBitKind::ShowWord(b, word);
}

void CBindingEngine::ApplyRights(bool pages) {
    const WORD user = m_host.UserLevel();
    for (BoundRow& b : m_bound) {
        if ((b.row->window != 0 && !pages) || !b.operable)
            continue;
        // Both levels at once, so that the control changes its look once; and only when they
        // changed.
        int required = m_host.RequiredLevel(b.row->item);
        if (required >= 0 && (required != b.required || user != b.user))
            b.operable->SetLevels(static_cast<WORD>(required), user);
        else if (required < 0 && user != b.user)
            b.operable->SetUserLevel(user);
        if (required >= 0)
            b.required = required;
        b.user = user;
    }
}

bool CBindingEngine::OnCommand(int window, int controlId, int code, HWND ctl) {
    if (code != BN_CLICKED)
        return false;
    BoundRow* b = Find(window, controlId);
    if (!b)
        return false;
    const CKind& kind = KindOf(b->row->kind);
    if (!kind.TakesClicks())
        return false;
    kind.Clicked(*b);
    // Every click goes through the faceplate's operable check first: anyone on the desktop
    // can post one.
    if (m_host.MayOperate(controlId, ctl ? ctl : b->hwnd, true))
        kind.OnCommand(*b, m_host);
    return true;
}

bool CBindingEngine::OnEditEnter(int controlId, HWND edit) {
    for (BoundRow& b : m_bound) {
        if (b.row->kind != BindKind::Value || b.row->controlId != controlId || !b.hwnd)
            continue;
        // Anyone on the desktop can post this message: write only for the bound edit, when
        // the logged-in operator may edit it now.
        if (edit != b.hwnd || !m_host.MayOperate(controlId, edit, false))
            return true;
        // The edit shows the typing now: the next show sets it whatever it last showed.
        b.known = false;
        m_host.BoundTag().WriteData(b.row->item, b.hwnd, b.row->name);
        return true;
    }
    return false;
}

int CBindingEngine::WriteSwitch(uint16_t item, bool on) {
    for (const BoundRow& b : m_bound)
        if (b.row->item == item &&
            (b.row->kind == BindKind::Toggle || b.row->kind == BindKind::Latched))
            return CToggleKind::Write(b, m_host, on);
    return 0;
}

BoundRow* CBindingEngine::Find(int window, int controlId) {
    for (BoundRow& b : m_bound)
        if (b.row->window == window && b.row->controlId == controlId)
            return b.hwnd ? &b : nullptr;
    return nullptr;
}

const BoundRow* CBindingEngine::FindItem(uint16_t item, BindKind kind) const {
    return const_cast<CBindingEngine*>(this)->FindItem(item, kind);
}

BoundRow* CBindingEngine::FindItem(uint16_t item, BindKind kind) {
    for (BoundRow& b : m_bound)
        if (b.row->item == item && b.row->kind == kind && b.hwnd)
            return &b;
    return nullptr;
}

} // namespace fp
