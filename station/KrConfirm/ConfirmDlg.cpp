#include "ConfirmDlg.h"

#include "KrConfirm.h"
#include "KrConfirmIds.h"
#include "Text.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace krconfirm {
namespace {

constexpr UINT kMsgCloseRequest = WM_APP + 0x4B1; // CloseDialog: end as cancelled

std::mutex g_openLock;
std::vector<HWND> g_open; // confirmation dialogs open now, all threads

void Register(HWND hwnd) {
    std::lock_guard<std::mutex> guard(g_openLock);
    g_open.push_back(hwnd);
}

void Unregister(HWND hwnd) {
    std::lock_guard<std::mutex> guard(g_openLock);
    g_open.erase(std::remove(g_open.begin(), g_open.end(), hwnd), g_open.end());
}

} // namespace

CConfirmDlg::CConfirmDlg(const std::wstring& user, const std::wstring& message, const RECT* rect)
    : kfw::CDialog(IDD_KRCONFIRM), m_user(user), m_message(message), m_hasRect(rect != nullptr),
      m_rect(rect ? *rect : RECT{}) {}

int CConfirmDlg::CloseAll() {
    std::vector<HWND> open;
    {
        std::lock_guard<std::mutex> guard(g_openLock);
        open = g_open;
    }
    for (HWND hwnd : open) {
        DWORD thread = ::GetWindowThreadProcessId(hwnd, nullptr);
        if (thread == ::GetCurrentThreadId())
            ::SendMessageW(hwnd, kMsgCloseRequest, 0, 0);
        else
            ::PostMessageW(hwnd, kMsgCloseRequest, 0, 0);
    }
    return static_cast<int>(open.size());
}

BOOL CConfirmDlg::OnInitDialog() {
    ::SetDlgItemTextW(m_hWnd, IDC_KRC_USER, m_user.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_KRC_MESSAGE, m_message.c_str());
    HWND edit = GetDlgItem(IDC_KRC_REASON);
    ::SendMessageW(edit, EM_LIMITTEXT, kKrMaxReasonChars, 0);
    Place();
    Register(m_hWnd);
    ::SetFocus(edit);
    return FALSE; // the focus is set
}

void CConfirmDlg::Place() {
    RECT anchor{};
    if (m_hasRect)
        anchor = m_rect;
    else if (HWND owner = ::GetWindow(m_hWnd, GW_OWNER))
        ::GetWindowRect(owner, &anchor);
    else
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &anchor, 0);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoW(::MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& work = mi.rcWork;
    RECT self{};
    ::GetWindowRect(m_hWnd, &self);
    const LONG w = self.right - self.left, h = self.bottom - self.top;
    LONG x = (anchor.left + anchor.right) / 2 - w / 2;
    LONG y = (anchor.top + anchor.bottom) / 2 - h / 2;
    x = std::max(work.left, std::min(x, work.right - w));
    y = std::max(work.top, std::min(y, work.bottom - h));
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CConfirmDlg::OnOK() {
    m_reason = kfw::GetWindowTextW(GetDlgItem(IDC_KRC_REASON));
    EndDialog(IDOK);
}

LRESULT CConfirmDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kMsgCloseRequest:
        m_reason.clear();
        EndDialog(IDCANCEL);
        return 0;
    case WM_DESTROY:
        Unregister(m_hWnd);
        break;
    default:
        break;
    }
    return kfw::CDialog::WindowProc(msg, wp, lp);
}

} // namespace krconfirm
