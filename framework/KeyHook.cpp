#include "KeyHook.h"

#include "Window.h"

#include <algorithm>
#include <vector>

namespace kfw {
namespace {

struct ThreadHook {
    HHOOK hook = nullptr;
    std::vector<HWND> dialogs;
};
thread_local ThreadHook t_hook;

bool IsRegistered(HWND hwnd) {
    return std::find(t_hook.dialogs.begin(), t_hook.dialogs.end(), hwnd) != t_hook.dialogs.end();
}

// True when the message was consumed and must not be dispatched by the host's loop.
bool PreTranslate(MSG* msg) {
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !msg->hwnd)
        return false;
    HWND outerDialog = nullptr;
    for (HWND h = msg->hwnd; h; h = ::GetAncestor(h, GA_PARENT)) {
        if (CWnd* wnd = CWnd::FromHandle(h)) {
            if (wnd->PreTranslateMessage(msg))
                return true;
        }
        if (IsRegistered(h))
            outerDialog = h;
        if (h == ::GetDesktopWindow())
            break;
    }
    return outerDialog && ::IsDialogMessageW(outerDialog, msg);
}

LRESULT CALLBACK GetMessageProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        auto* msg = reinterpret_cast<MSG*>(lp);
        bool consumed = false;
        // A command run from here may close its faceplate (a host callback calling CloseFP):
        // as for a window message, the object goes away only once this hook has returned.
        CUnwindScope frame;
        try {
            consumed = PreTranslate(msg);
        } catch (...) {
            consumed = false;
        }
        if (consumed) {
            msg->message = WM_NULL;
            msg->wParam = 0;
            msg->lParam = 0;
        }
    }
    return ::CallNextHookEx(t_hook.hook, code, wp, lp);
}

} // namespace

void KeyHook::Register(HWND dialog) {
    if (!dialog || IsRegistered(dialog))
        return;
    t_hook.dialogs.push_back(dialog);
    if (!t_hook.hook)
        t_hook.hook =
            ::SetWindowsHookExW(WH_GETMESSAGE, GetMessageProc, nullptr, ::GetCurrentThreadId());
}

void KeyHook::Unregister(HWND dialog) {
    auto& d = t_hook.dialogs;
    auto it = std::find(d.begin(), d.end(), dialog);
    if (it == d.end())
        return;
    d.erase(it);
    if (d.empty() && t_hook.hook) {
        ::UnhookWindowsHookEx(t_hook.hook);
        t_hook.hook = nullptr;
    }
}

bool KeyHook::Installed() {
    return t_hook.hook != nullptr;
}

} // namespace kfw
