#include "Window.h"

#include "KeyHook.h"
#include "Text.h"
#include "Trace.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace kfw {

HINSTANCE ThisModule() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

namespace {

// Property naming the bound object; one name per module so that two modules built on this
// framework never mistake each other's objects.
const wchar_t* BindingProperty() {
    static wchar_t name[64];
    if (!name[0])
        swprintf(name, 64, L"kfw.CWnd.%p", static_cast<void*>(ThisModule()));
    return name;
}

// Creation in progress on this thread: the object to bind and the CBT hook that binds it.
struct PendingCreate {
    CWnd* wnd = nullptr;
    HHOOK hook = nullptr;
    PendingCreate* outer = nullptr;
};
thread_local PendingCreate* t_pending = nullptr;

// Framework frames active on this thread and the objects waiting for them to return.
thread_local int t_unwindDepth = 0;
thread_local std::vector<CWnd*>* t_pendingDeletes = nullptr;

} // namespace

CUnwindScope::CUnwindScope() {
    ++t_unwindDepth;
}

CUnwindScope::~CUnwindScope() {
    if (--t_unwindDepth > 0 || !t_pendingDeletes)
        return;
    // Deleting may run messages (destroying windows) that open and close frames again: take the
    // list first.
    std::vector<CWnd*>* pending = t_pendingDeletes;
    t_pendingDeletes = nullptr;
    ++t_unwindDepth;
    for (CWnd* wnd : *pending) {
        try {
            delete wnd;
        } catch (...) {
            Trace("[FW] exception in a deferred deletion\n");
        }
    }
    --t_unwindDepth;
    delete pending;
}

void DeleteWhenUnwound(CWnd* wnd) {
    if (!wnd)
        return;
    if (t_unwindDepth == 0) {
        delete wnd;
        return;
    }
    if (!t_pendingDeletes)
        t_pendingDeletes = new std::vector<CWnd*>;
    if (std::find(t_pendingDeletes->begin(), t_pendingDeletes->end(), wnd) ==
        t_pendingDeletes->end())
        t_pendingDeletes->push_back(wnd);
}

bool IsDeletionPending(const CWnd* wnd) {
    return t_pendingDeletes && std::find(t_pendingDeletes->begin(), t_pendingDeletes->end(), wnd) !=
                                   t_pendingDeletes->end();
}

namespace {
struct FindChild {
    int id;
    HWND found;
};
BOOL CALLBACK MatchChildId(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<FindChild*>(lp);
    if (::GetDlgCtrlID(hwnd) == s->id) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindDescendant(HWND parent, int id) {
    if (HWND direct = ::GetDlgItem(parent, id))
        return direct;
    FindChild search{id, nullptr};
    ::EnumChildWindows(parent, MatchChildId, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The CBT hook binds the object to the window before the window's first message.
struct WindowBinding {
    static LRESULT CALLBACK CreateHookProc(int code, WPARAM wp, LPARAM lp) {
        PendingCreate* pending = t_pending;
        if (code == HCBT_CREATEWND && pending && pending->wnd) {
            CWnd* wnd = pending->wnd;
            pending->wnd = nullptr; // only the first window of the call
            wnd->Attach(reinterpret_cast<HWND>(wp), true);
        }
        return ::CallNextHookEx(pending ? pending->hook : nullptr, code, wp, lp);
    }
};

void BeginCreateBound(CWnd* wnd) {
    auto* pending = new PendingCreate{wnd, nullptr, t_pending};
    t_pending = pending;
    pending->hook =
        ::SetWindowsHookExW(WH_CBT, WindowBinding::CreateHookProc, nullptr, ::GetCurrentThreadId());
}

void EndCreateBound() {
    PendingCreate* pending = t_pending;
    if (!pending)
        return;
    if (pending->hook)
        ::UnhookWindowsHookEx(pending->hook);
    t_pending = pending->outer;
    delete pending;
}

CWnd::~CWnd() {
    // Unbind first: nothing may call into this half-destroyed object any more.
    if (m_hWnd) {
        HWND hwnd = m_hWnd;
        bool owned = ::GetPropW(hwnd, BindingProperty()) == this;
        Detach();
        if (owned && ::IsWindow(hwnd) && !(::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD))
            ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    return static_cast<CWnd*>(::GetPropW(hwnd, BindingProperty()));
}

bool CWnd::RegisterClass(LPCWSTR className, UINT style, HBRUSH background, HCURSOR cursor) {
    WNDCLASSEXW wc{sizeof wc};
    if (::GetClassInfoExW(ThisModule(), className, &wc))
        return true;
    wc = WNDCLASSEXW{sizeof wc};
    wc.style = style;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ThisModule();
    wc.hCursor = cursor ? cursor : ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return ::RegisterClassExW(&wc) != 0;
}

bool CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, const RECT& rc,
                    HWND parent, UINT id) {
    if (m_hWnd)
        return false;
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND hwnd = CreateBound(this, [&] {
        return ::CreateWindowExW(exStyle, className, title, style, rc.left, rc.top,
                                 rc.right - rc.left, rc.bottom - rc.top, parent, menu, ThisModule(),
                                 nullptr);
    });
    return hwnd != nullptr && m_hWnd == hwnd;
}

bool CWnd::Attach(HWND hwnd, bool subclass) {
    if (!hwnd || m_hWnd || FromHandle(hwnd))
        return false;
    m_hWnd = hwnd;
    ::SetPropW(hwnd, BindingProperty(), this);
    if (subclass)
        m_prevProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    return true;
}

void CWnd::Detach() {
    if (!m_hWnd)
        return;
    if (::IsWindow(m_hWnd)) {
        if (m_prevProc && ::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) ==
                              reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc))
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
        if (::GetPropW(m_hWnd, BindingProperty()) == this)
            ::RemovePropW(m_hWnd, BindingProperty());
    }
    m_hWnd = nullptr;
    m_prevProc = nullptr;
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!Attach(hwnd, true))
        return false;
    PreSubclassWindow();
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, HWND parent) {
    HWND hwnd = ::GetDlgItem(parent, static_cast<int>(id));
    if (!hwnd) {
        Trace("[FW] SubclassDlgItem: no control %u\n", id);
        return false;
    }
    return SubclassWindow(hwnd);
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    Detach();
    return hwnd;
}

bool CWnd::DestroyWindow() {
    if (!m_hWnd)
        return false;
    return ::DestroyWindow(m_hWnd) != FALSE;
}

bool CWnd::PreTranslateMessage(MSG*) {
    return false;
}

namespace {
// WM_CTLCOLORMSGBOX .. WM_CTLCOLORSTATIC: the seven colour requests of controls.
bool IsCtlColorMessage(UINT msg) {
    return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC;
}
} // namespace

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp)))
            return 0;
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        LRESULT result = 0;
        if (hdr && OnNotify(static_cast<int>(wp), hdr, &result))
            return result;
        break;
    }
    case WM_TIMER:
        if (OnTimer(static_cast<UINT_PTR>(wp)))
            return 0;
        break;
    default:
        if (IsCtlColorMessage(msg)) {
            if (HBRUSH brush =
                    OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), msg))
                return reinterpret_cast<LRESULT>(brush);
        }
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

bool CWnd::OnCommand(int, int, HWND) {
    return false;
}

bool CWnd::OnNotify(int, NMHDR*, LRESULT*) {
    return false;
}

bool CWnd::OnTimer(UINT_PTR) {
    return false;
}

HBRUSH CWnd::OnCtlColor(HDC, HWND, UINT) {
    return nullptr;
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (m_prevProc)
        return ::CallWindowProcW(m_prevProc, m_hWnd, msg, wp, lp);
    return ::DefWindowProcW(m_hWnd, msg, wp, lp);
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

namespace {
// The child window a notification is about, for the reflected messages.
HWND ReflectTarget(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        return lp ? reinterpret_cast<HWND>(lp) : nullptr;
    case WM_NOTIFY:
        return lp ? reinterpret_cast<NMHDR*>(lp)->hwndFrom : nullptr;
    case WM_DRAWITEM:
        return wp && lp ? reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem : nullptr;
    default:
        return IsCtlColorMessage(msg) ? reinterpret_cast<HWND>(lp) : nullptr;
    }
}
} // namespace

LRESULT CWnd::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    // Reflection: the control object gets the first look at its own notifications.
    if (HWND child = ReflectTarget(msg, wp, lp); child && child != m_hWnd) {
        if (CWnd* target = FromHandle(child)) {
            LRESULT result = 0;
            if (target->OnChildNotify(msg, wp, lp, &result))
                return result;
        }
    }
    return WindowProc(msg, wp, lp);
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* wnd = FromHandle(hwnd);
    if (!wnd || wnd->m_hWnd != hwnd)
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    // An object deleted while this message runs goes away only after the frame returns.
    CUnwindScope frame;
    LRESULT result = 0;
    try {
        result = wnd->Dispatch(msg, wp, lp);
    } catch (const std::exception& e) {
        Trace("[FW] exception in window procedure (message 0x%04X): %s\n", msg, e.what());
    } catch (...) {
        Trace("[FW] exception in window procedure (message 0x%04X)\n", msg);
    }
    if (msg == WM_NCDESTROY) {
        // The window is gone: unbind, then let the object know.
        if (FromHandle(hwnd) == wnd) {
            KeyHook::Unregister(hwnd);
            wnd->Detach();
            try {
                wnd->PostNcDestroy();
            } catch (...) {
                Trace("[FW] exception in PostNcDestroy\n");
            }
        }
    }
    return result;
}

} // namespace kfw
