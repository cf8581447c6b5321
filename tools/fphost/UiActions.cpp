#include "UiActions.h"

#include <commctrl.h>

namespace fphost {
namespace {

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kEditClass[] = L"Edit";
constexpr wchar_t kButtonClass[] = L"Button";
// lParam bits of a key-up message: previous key state and transition state.
constexpr LPARAM kKeyUpFlags = (1u << 30) | (1u << 31);

bool ClassIs(HWND hwnd, const wchar_t* name) {
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    return ::lstrcmpiW(cls, name) == 0;
}

struct ControlSearch {
    int id;
    HWND visible = nullptr;
    HWND any = nullptr;
};

BOOL CALLBACK FindControlProc(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<ControlSearch*>(lp);
    if (::GetDlgCtrlID(hwnd) == s->id) {
        if (!s->any)
            s->any = hwnd;
        if (::IsWindowVisible(hwnd)) {
            s->visible = hwnd;
            return FALSE;
        }
    }
    return TRUE;
}

LPARAM KeyLParam(UINT vk, bool up) {
    LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    return 1 | (scan << 16) | (up ? kKeyUpFlags : 0);
}

struct DialogSearch {
    const std::function<bool(HWND)>* owned;
    bool wantEdit;
    const std::vector<HWND>* except;
    HWND found = nullptr;
};

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<DialogSearch*>(lp);
    if (!ClassIs(hwnd, kDialogClass) || !::IsWindowVisible(hwnd))
        return TRUE;
    for (HWND skipped : *s->except)
        if (hwnd == skipped)
            return TRUE;
    HWND owner = ::GetWindow(hwnd, GW_OWNER);
    if (!owner || !(*s->owned)(owner))
        return TRUE;
    const bool hasEdit = ::FindWindowExW(hwnd, nullptr, kEditClass, nullptr) != nullptr;
    if (hasEdit != s->wantEdit)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

// Keyboard focus as a user's click gives it: the control's window comes to the foreground
// (another program may hold it), then the control takes the focus.
void Focus(HWND control) {
    HWND root = ::GetAncestor(control, GA_ROOT);
    if (root && ::GetForegroundWindow() != root)
        ::SetForegroundWindow(root);
    ::SetFocus(control);
}

} // namespace

HWND FindControl(HWND root, int id) {
    if (!root)
        return nullptr;
    // A control of the faceplate itself is its direct child; walking every control of every
    // page (hundreds of windows, each a server call) is for the pages' controls only.
    if (HWND direct = ::GetDlgItem(root, id); direct && ::IsWindowVisible(direct))
        return direct;
    ControlSearch s{id};
    ::EnumChildWindows(root, FindControlProc, reinterpret_cast<LPARAM>(&s));
    return s.visible ? s.visible : s.any;
}

void TypeText(HWND control, const std::wstring& text) {
    Focus(control);
    for (wchar_t ch : text)
        ::PostMessageW(control, WM_CHAR, ch, 1);
    ::PostMessageW(control, WM_KEYDOWN, VK_RETURN, KeyLParam(VK_RETURN, false));
    ::PostMessageW(control, WM_KEYUP, VK_RETURN, KeyLParam(VK_RETURN, true));
}

void ClickControl(HWND control) {
    if (ClassIs(control, kButtonClass)) {
        ::PostMessageW(control, BM_CLICK, 0, 0);
        return;
    }
    RECT rc{};
    ::GetClientRect(control, &rc);
    LPARAM centre = MAKELPARAM((rc.right - rc.left) / 2, (rc.bottom - rc.top) / 2);
    ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    ::PostMessageW(control, WM_LBUTTONUP, 0, centre);
}

void SelectTab(HWND tabControl, int index) {
    RECT rc{};
    if (!::SendMessageW(tabControl, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&rc)))
        return;
    LPARAM centre = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::PostMessageW(tabControl, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    ::PostMessageW(tabControl, WM_LBUTTONUP, 0, centre);
}

HWND FindOwnedDialog(const std::function<bool(HWND owner)>& owned, bool wantEdit,
                     const std::vector<HWND>& except) {
    DialogSearch s{&owned, wantEdit, &except};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void AnswerDialog(HWND dialog, bool accept, const std::wstring& reason) {
    if (HWND edit = ::FindWindowExW(dialog, nullptr, kEditClass, nullptr)) {
        if (!reason.empty()) {
            Focus(edit);
            for (wchar_t ch : reason)
                ::PostMessageW(edit, WM_CHAR, ch, 1);
        }
    }
    HWND button = ::GetDlgItem(dialog, accept ? IDOK : IDCANCEL);
    if (button)
        ::PostMessageW(button, BM_CLICK, 0, 0);
    else
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(accept ? IDOK : IDCANCEL, BN_CLICKED), 0);
}

} // namespace fphost
