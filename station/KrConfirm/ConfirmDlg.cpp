#include "ConfirmDlg.h"

#include "KrConfirmIds.h"
#include "KrStationConfig.h"
#include "Text.h"

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <vector>

namespace krconfirm {
namespace {

constexpr UINT kMsgCloseRequest = WM_APP + 0x4B1; // CloseDialog: end as cancelled
constexpr UINT_PTR kUnattendedTimer = 0x4B1;
constexpr UINT kDefaultDelayMs = 800;
constexpr UINT kMaxDelayMs = 60000;
constexpr int kMaxReasonChars = 100; // the reason travels into a 256-byte log text
constexpr wchar_t kAccept[] = L"accept";
constexpr wchar_t kCancel[] = L"cancel";

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

AutoAnswer ParseAnswer(const std::wstring& word) {
    if (::lstrcmpiW(word.c_str(), kAccept) == 0)
        return AutoAnswer::Accept;
    if (::lstrcmpiW(word.c_str(), kCancel) == 0)
        return AutoAnswer::Cancel;
    return AutoAnswer::None;
}

} // namespace

Unattended ReadUnattended() {
    Unattended u;
    std::wstring env;
    if (krcfg::GetEnv(krcfg::kEnvConfirmAuto, env) && !env.empty()) {
        size_t colon = env.find(L':');
        u.answer = ParseAnswer(env.substr(0, colon));
        if (colon != std::wstring::npos)
            u.reason = env.substr(colon + 1);
    } else {
        u.answer = ParseAnswer(krcfg::ReadIni(L"Confirm", L"AutoAnswer", L"none"));
        u.reason = krcfg::ReadIni(L"Confirm", L"AutoReason", L"");
    }
    std::wstring delay = krcfg::ReadIni(L"Confirm", L"AutoDelayMs", L"");
    u.delayMs = delay.empty()
                    ? kDefaultDelayMs
                    : std::min<UINT>(static_cast<UINT>(std::wcstoul(delay.c_str(), nullptr, 10)),
                                     kMaxDelayMs);
    return u;
}

CConfirmDlg::CConfirmDlg(const std::wstring& user, const std::wstring& message, const RECT* rect,
                         const Unattended& unattended)
    : kfw::CDialog(IDD_KRCONFIRM), m_user(user), m_message(message), m_hasRect(rect != nullptr),
      m_rect(rect ? *rect : RECT{}), m_unattended(unattended) {}

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
    ::SendMessageW(edit, EM_LIMITTEXT, kMaxReasonChars, 0);
    Place();
    Register(m_hWnd);
    if (m_unattended.answer != AutoAnswer::None)
        SetTimer(kUnattendedTimer, m_unattended.delayMs);
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

// Unattended answer in two visible steps: type the reason, then press the button.
void CConfirmDlg::OnUnattendedStep() {
    if (m_unattendedStep++ == 0) {
        ::SetDlgItemTextW(m_hWnd, IDC_KRC_REASON, m_unattended.reason.c_str());
        return;
    }
    KillTimer(kUnattendedTimer);
    int button = m_unattended.answer == AutoAnswer::Accept ? IDOK : IDCANCEL;
    ::SendMessageW(GetDlgItem(button), BM_CLICK, 0, 0);
}

LRESULT CConfirmDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kUnattendedTimer) {
            OnUnattendedStep();
            return 0;
        }
        break;
    case kMsgCloseRequest:
        m_reason.clear();
        EndDialog(IDCANCEL);
        return 0;
    case WM_DESTROY:
        KillTimer(kUnattendedTimer);
        Unregister(m_hWnd);
        break;
    default:
        break;
    }
    return kfw::CDialog::WindowProc(msg, wp, lp);
}

} // namespace krconfirm
