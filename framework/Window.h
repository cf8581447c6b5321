// Window objects bound to HWNDs. A window created through the framework is bound before its
// first message (WM_GETMINMAXINFO and WM_NCCREATE included) and unbound at WM_NCDESTROY;
// template controls are bound by subclassing. One virtual WindowProc with a default.
#pragma once

#include <windows.h>

namespace kfw {

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Attributes
    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    // The object bound to a window of this module, or null.
    static CWnd* FromHandle(HWND hwnd);
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

    // Operations
    // Creates a window of a class registered with RegisterClass below (or a system class).
    bool CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, const RECT& rc,
                  HWND parent, UINT id);
    // Binds and subclasses an existing window (a template control).
    bool SubclassWindow(HWND hwnd);
    // Binds the control with this id of the parent (data exchange step).
    bool SubclassDlgItem(UINT id, HWND parent);
    // Restores the original window procedure and unbinds; returns the window.
    HWND UnsubclassWindow();
    bool DestroyWindow();

    // Thin wrappers, one Win32 call each.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageW(m_hWnd, msg, wp, lp);
    }
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    BOOL EnableWindow(BOOL enable) const { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL SetWindowTextW(LPCWSTR text) const { return ::SetWindowTextW(m_hWnd, text); }

    // Registers a window class of this module whose procedure dispatches to bound objects.
    static bool RegisterClass(LPCWSTR className, UINT style = CS_DBLCLKS,
                              HBRUSH background = nullptr, HCURSOR cursor = nullptr);

    // Overridables
    // Called for key messages of this window (and its children) before they are dispatched;
    // return true to swallow the message.
    virtual bool PreTranslateMessage(MSG* msg);

protected:
    // Every message of the window arrives here. The default cracks the common messages into
    // the typed handlers below; what they do not handle goes to DefWindowProc.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Typed handlers: each takes its message's real arguments and returns whether it handled
    // the message (WM_CTLCOLOR*: the brush, or null when not handled).
    virtual bool OnCommand(int id, int code, HWND ctl);
    virtual bool OnNotify(int id, NMHDR* hdr, LRESULT* result);
    virtual bool OnTimer(UINT_PTR id);
    virtual HBRUSH OnCtlColor(HDC dc, HWND ctl, UINT ctlColorMsg);
    // The window's original procedure (the class procedure or the one replaced by subclassing).
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // A notification the parent reflected back to this control (WM_COMMAND, WM_NOTIFY,
    // WM_DRAWITEM, WM_CTLCOLOR*). Return true with *result set when handled.
    virtual bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    // After WM_NCDESTROY; the window is gone and the object unbound.
    virtual void PostNcDestroy() {}
    // After SubclassWindow (or SubclassDlgItem) has bound an existing window: a control
    // adjusts its style or creates its helpers here.
    virtual void PreSubclassWindow() {}

private:
    friend class CDialog;
    friend struct WindowBinding;
    static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    bool Attach(HWND hwnd, bool subclass);
    void Detach();

    WNDPROC m_prevProc = nullptr;
};

// Runs a creation call with `wnd` bound to the first window the call creates on this thread,
// before that window receives any message.
template <typename F> auto CreateBound(CWnd* wnd, F&& create) -> decltype(create());
void BeginCreateBound(CWnd* wnd);
void EndCreateBound();

template <typename F> auto CreateBound(CWnd* wnd, F&& create) -> decltype(create()) {
    BeginCreateBound(wnd);
    struct End {
        ~End() { EndCreateBound(); }
    } end;
    return create();
}

// Deferred deletion of window objects. A window object may be asked to go away while one of
// its messages, or a modal loop started on its behalf, is still on this thread's stack (a host
// closes a faceplate from inside the faceplate's confirmation dialog). Such a deletion waits
// until the outermost framework frame on the stack has returned.
// Deletes the object now when no framework frame is active on this thread, else later.
void DeleteWhenUnwound(CWnd* wnd);
// A framework frame: every window message of a bound object runs inside one; entry points
// that may run modal loops open one too.
class CUnwindScope {
public:
    CUnwindScope();
    ~CUnwindScope();
    CUnwindScope(const CUnwindScope&) = delete;
    CUnwindScope& operator=(const CUnwindScope&) = delete;
};
// Whether a deletion of this object is waiting for the stack to unwind.
bool IsDeletionPending(const CWnd* wnd);

// The window with this control id anywhere below `parent` (child dialogs included), or null.
HWND FindDescendant(HWND parent, int id);

// The module (DLL or EXE) that contains this code.
HINSTANCE ThisModule();

} // namespace kfw
