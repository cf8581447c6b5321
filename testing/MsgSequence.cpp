#include "MsgSequence.h"

#include <cstdio>

namespace kt {
namespace {
// The posted message the pump is dispatching now (already logged as posted).
thread_local const MSG* t_dispatching = nullptr;
thread_local int t_depth = 0;
constexpr wchar_t kParentClass[] = L"kt.LoggingParent";
constexpr wchar_t kRecorderProp[] = L"kt.MsgRecorder";

bool IsBeingDispatched(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const MSG* m = t_dispatching;
    return m && t_depth == 1 && m->hwnd == hwnd && m->message == msg && m->wParam == wp &&
           m->lParam == lp;
}

bool IsLogged(HWND hwnd) {
    wchar_t cls[64];
    if (::GetPropW(hwnd, kRecorderProp))
        return true;
    return ::GetClassNameW(hwnd, cls, 64) && wcscmp(cls, kParentClass) == 0;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    ++t_depth;
    if (!IsBeingDispatched(hwnd, msg, wp, lp))
        MsgLog::Get().Add({msg, sent | parent, wp, lp, 0});
    --t_depth;
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}
} // namespace

MsgLog& MsgLog::Get() {
    static MsgLog log;
    return log;
}

void MsgLog::Add(const Message& m) {
    if (m_ignored.count(m.message))
        return;
    if (!m_only.empty() && !m_only.count(m.message))
        return;
    m_entries.push_back(m);
}

void MsgLog::IgnoreDefaults() {
    for (UINT m : {WM_NCHITTEST,      WM_SETCURSOR,    WM_MOUSEMOVE,    WM_NCMOUSEMOVE,
                   WM_PAINT,          WM_NCPAINT,      WM_ERASEBKGND,   WM_GETTEXT,
                   WM_GETTEXTLENGTH,  WM_GETICON,      WM_GETOBJECT,    WM_TIMER,
                   WM_IME_SETCONTEXT, WM_IME_NOTIFY,   WM_CTLCOLORBTN,  WM_CTLCOLOREDIT,
                   WM_CTLCOLORSTATIC, WM_CTLCOLORDLG,  WM_DRAWITEM,     WM_GETDLGCODE,
                   WM_SYNCPAINT,      WM_PRINTCLIENT,  WM_ENTERIDLE,    WM_MOUSEHOVER,
                   WM_MOUSELEAVE,     WM_NCMOUSELEAVE, WM_DEVICECHANGE, 0x0118 /*WM_SYSTIMER*/})
        m_ignored.insert(m);
}

void MsgRecorder::Attach(HWND hwnd, int recorderId, unsigned extraFlags) {
    Detach();
    m_hwnd = hwnd;
    m_id = recorderId;
    m_flags = extraFlags;
    ::SetPropW(hwnd, kRecorderProp, this);
    m_prev = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MsgRecorder::Proc)));
}

void MsgRecorder::Detach() {
    if (!m_hwnd)
        return;
    if (::IsWindow(m_hwnd)) {
        ::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prev));
        ::RemovePropW(m_hwnd, kRecorderProp);
    }
    m_hwnd = nullptr;
}

LRESULT CALLBACK MsgRecorder::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<MsgRecorder*>(::GetPropW(hwnd, kRecorderProp));
    if (!self)
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    ++t_depth;
    if (!IsBeingDispatched(hwnd, msg, wp, lp))
        MsgLog::Get().Add({msg, sent | self->m_flags, wp, lp, self->m_id});
    WNDPROC prev = self->m_prev;
    if (msg == WM_NCDESTROY)
        self->Detach();
    LRESULT r = ::CallWindowProcW(prev, hwnd, msg, wp, lp);
    --t_depth;
    return r;
}

LoggingParent::LoggingParent(int width, int height, DWORD style) {
    WNDCLASSEXW wc{sizeof wc};
    if (!::GetClassInfoExW(::GetModuleHandleW(nullptr), kParentClass, &wc)) {
        wc = WNDCLASSEXW{sizeof wc};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kParentClass;
        ::RegisterClassExW(&wc);
    }
    m_hwnd = ::CreateWindowExW(0, kParentClass, L"parent", style, 50, 50, width, height, nullptr,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

LoggingParent::~LoggingParent() {
    if (::IsWindow(m_hwnd))
        ::DestroyWindow(m_hwnd);
}

void PumpAndLog(DWORD maxMs) {
    DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < maxMs && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.hwnd && IsLogged(msg.hwnd)) {
            int recId = 0;
            unsigned flags = posted;
            if (auto* rec = static_cast<MsgRecorder*>(::GetPropW(msg.hwnd, kRecorderProp))) {
                recId = rec->recorderId();
                flags |= rec->extraFlags();
            } else {
                flags |= parent;
            }
            MsgLog::Get().Add({msg.message, flags, msg.wParam, msg.lParam, recId});
        }
        ::TranslateMessage(&msg);
        t_dispatching = &msg;
        ::DispatchMessageW(&msg);
        t_dispatching = nullptr;
    }
}

void MarkAndPump(HWND hwnd) {
    ::SendMessageW(hwnd, WM_APP, 0, 0);
    PumpAndLog();
}

std::string Describe(const std::vector<Message>& list) {
    std::string out;
    char line[160];
    for (const Message& m : list) {
        snprintf(line, sizeof line, "  %04x %s%s%s%s wp=%08lx lp=%08lx id=%d\n", m.message,
                 (m.flags & posted) ? "posted" : "sent", (m.flags & parent) ? "|parent" : "",
                 (m.flags & optional) ? "|optional" : "", (m.flags & id) ? "|id" : "",
                 static_cast<unsigned long>(m.wParam), static_cast<unsigned long>(m.lParam), m.id);
        out += line;
    }
    return out;
}

::testing::AssertionResult MatchSequence(const std::vector<Message>& expected,
                                         const std::vector<Message>& actual) {
    size_t a = 0;
    for (size_t e = 0; e < expected.size(); ++e) {
        const Message& x = expected[e];
        bool match = a < actual.size();
        if (match) {
            const Message& y = actual[a];
            match = x.message == y.message &&
                    ((x.flags & (sent | posted)) == 0 ||
                     (x.flags & (sent | posted)) == (y.flags & (sent | posted))) &&
                    ((x.flags & parent) == (y.flags & parent)) &&
                    (!(x.flags & wparam) || x.wParam == y.wParam) &&
                    (!(x.flags & lparam) || x.lParam == y.lParam) &&
                    (!(x.flags & id) || x.id == y.id);
        }
        if (match) {
            ++a;
        } else if (!(x.flags & optional)) {
            return ::testing::AssertionFailure()
                   << "message sequence differs at expected entry " << e << "\nexpected:\n"
                   << Describe(expected) << "actual:\n"
                   << Describe(actual);
        }
    }
    if (a != actual.size())
        return ::testing::AssertionFailure() << "unexpected trailing messages\nexpected:\n"
                                             << Describe(expected) << "actual:\n"
                                             << Describe(actual);
    return ::testing::AssertionSuccess();
}

} // namespace kt
