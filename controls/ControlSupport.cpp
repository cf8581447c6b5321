#include "ControlSupport.h"

#include "ControlMessages.h"

#include "Handle.h"
#include "KrToolkit.h"
#include "Text.h"
#include "Trace.h"

#include <commctrl.h>

#include <vector>

namespace kctl {

void PostToParent(HWND control, UINT msg, WPARAM wp, LPARAM lp) {
    HWND parent = ::GetParent(control);
    if (!parent || !::PostMessageW(parent, msg, wp, lp))
        kfw::Trace("[CTRL] notification %u of control %d not posted (error %lu)\n", msg,
                   ::GetDlgCtrlID(control), ::GetLastError());
}

void PostInteraction(HWND control, bool begins) {
    PostToParent(control, WM_CTRL_INTERACT, begins ? 1 : 0, 0);
}

void PostButtonReleased(HWND button) {
    PostToParent(button, WM_BUTTON_RELEASED, static_cast<WPARAM>(::GetDlgCtrlID(button)),
                 reinterpret_cast<LPARAM>(button));
}

void CLevelRights::SetRequiredLevel(WORD level) {
    m_lock.SetRequiredLevel(level);
    Apply();
}

void CLevelRights::SetUserLevel(WORD level) {
    m_lock.SetUserLevel(level);
    Apply();
}

void CLevelRights::SetLevels(WORD required, WORD user) {
    m_lock.SetLevels(required, user);
    Apply();
}

void CLevelRights::SetEnablePreference(bool enable) {
    m_lock.SetPreference(enable);
    Apply();
}

void CLevelRights::Apply() {
    HWND hwnd = RightsWindow();
    const Applied now{m_lock.RequiredLevel(), m_lock.UserLevel(), m_lock.Operable()};
    const bool enabled = hwnd && ::IsWindowEnabled(hwnd);
    if (m_applied && *m_applied == now && (!hwnd || enabled == now.operable))
        return;
    if (hwnd && enabled != now.operable)
        ::EnableWindow(hwnd, now.operable ? TRUE : FALSE);
    if (hwnd)
        m_applied = now;
    else
        m_applied.reset();
    OnRightsApplied();
}

namespace {
constexpr int kStationTextBufferSize = 256;
} // namespace

std::wstring StationText(const char* key) {
    CKrString text = CKrStringDBWrapper::GetString(key);
    return kfw::Widen(text.GetString() ? text.GetString() : "");
}

std::wstring StationText(const char* key, int number) {
    char out[kStationTextBufferSize] = "";
    CKrString format = CKrStringDBWrapper::GetString(key);
    KrFormat(out, kStationTextBufferSize, format, "d", number);
    return kfw::Widen(out);
}

std::wstring LockedTipText(WORD requiredLevel, WORD userLevel) {
    if (requiredLevel == 0)
        return StationText(kNeverOperableTipKey, static_cast<int>(userLevel));
    char out[kStationTextBufferSize] = "";
    CKrString format = CKrStringDBWrapper::GetString(kLockedTipKey);
    KrFormat(out, kStationTextBufferSize, format, "dd", static_cast<int>(requiredLevel),
             static_cast<int>(userLevel));
    return kfw::Widen(out);
}

namespace {
// An always-tip tooltip window owned by `owner` (it goes with it); null, traced, on failure.
HWND CreateTooltipWindow(HWND owner, DWORD extraStyle = 0) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    HWND tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | extraStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                                 nullptr, nullptr, nullptr);
    if (!tip)
        kfw::Trace("[CTRL] tooltip not created (error %lu)\n", ::GetLastError());
    return tip;
}
} // namespace

namespace parent_tips {
namespace {
constexpr wchar_t kTipProperty[] = L"kctl.ParentTips"; // the parent's tooltip window

TOOLINFOW ChildTool(HWND child, LPWSTR text) {
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = ::GetParent(child);
    ti.uId = reinterpret_cast<UINT_PTR>(child);
    ti.lpszText = text;
    ::GetWindowRect(child, &ti.rect);
    ::MapWindowPoints(nullptr, ti.hwnd, reinterpret_cast<POINT*>(&ti.rect), 2);
    return ti;
}

HWND WindowOf(HWND child) {
    HWND parent = ::GetParent(child);
    return parent ? Window(parent) : nullptr;
}

bool HasTool(HWND tip, HWND child) {
    TOOLINFOW ti = ChildTool(child, nullptr);
    return ::SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&ti)) != FALSE;
}
} // namespace

HWND Window(HWND parent) {
    auto tip = static_cast<HWND>(::GetPropW(parent, kTipProperty));
    // A handle left behind by a destroyed tooltip may name another window by now. A popup
    // made for a child window (a page) is owned by the child's top-level window.
    if (tip && ::IsWindow(tip) && ::GetWindow(tip, GW_OWNER) == ::GetAncestor(parent, GA_ROOT))
        return tip;
    return nullptr;
}

void Set(HWND child, const std::wstring& text) {
    HWND parent = ::GetParent(child);
    if (!parent)
        return;
    if (text.empty()) {
        Remove(child);
        return;
    }
    HWND tip = Window(parent);
    if (!tip) {
        tip = CreateTooltipWindow(parent);
        if (!tip)
            return;
        ::SetPropW(parent, kTipProperty, tip);
    }
    std::wstring copy = text;
    TOOLINFOW ti = ChildTool(child, copy.data());
    if (HasTool(tip, child)) {
        ::SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
        ::SendMessageW(tip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
    } else {
        ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ::SendMessageW(tip, TTM_ACTIVATE, TRUE, 0);
}

std::wstring Get(HWND child) {
    HWND tip = WindowOf(child);
    if (!tip || !HasTool(tip, child))
        return std::wstring();
    wchar_t buf[1024] = L"";
    TOOLINFOW ti = ChildTool(child, buf);
    ::SendMessageW(tip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&ti));
    return buf;
}

void UpdateRect(HWND child) {
    HWND tip = WindowOf(child);
    if (!tip || !HasTool(tip, child))
        return;
    TOOLINFOW ti = ChildTool(child, nullptr);
    ::SendMessageW(tip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void Remove(HWND child) {
    HWND tip = WindowOf(child);
    if (!tip)
        return;
    TOOLINFOW ti = ChildTool(child, nullptr);
    ::SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}
} // namespace parent_tips

void FillSolid(HDC hdc, const RECT& rc, COLORREF colour) {
    kfw::CBrush brush(::CreateSolidBrush(colour));
    ::FillRect(hdc, &rc, brush);
}

void Draw3dRect(HDC hdc, const RECT& rc, COLORREF topLeft, COLORREF bottomRight) {
    const LONG w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0)
        return;
    FillSolid(hdc, RECT{rc.left, rc.top, rc.right - 1, rc.top + 1}, topLeft);
    FillSolid(hdc, RECT{rc.left, rc.top, rc.left + 1, rc.bottom - 1}, topLeft);
    FillSolid(hdc, RECT{rc.right - 1, rc.top, rc.right, rc.bottom}, bottomRight);
    FillSolid(hdc, RECT{rc.left, rc.bottom - 1, rc.right, rc.bottom}, bottomRight);
}

void FrameSolid(HDC hdc, const RECT& rc, COLORREF colour) {
    Draw3dRect(hdc, rc, colour, colour);
}

namespace {
TOOLINFOW MakeToolInfo(HWND owner, UINT id, LPWSTR text) {
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = 0;
    ti.hwnd = owner;
    ti.uId = id;
    ti.lpszText = text;
    ::GetClientRect(owner, &ti.rect);
    return ti;
}
} // namespace

bool CToolTip::Create(HWND owner, UINT toolId) {
    return m_hwnd || CreateWindowAndTool(owner, toolId, 0, 0);
}

bool CToolTip::CreateWindowAndTool(HWND owner, UINT toolId, DWORD style, UINT toolFlags) {
    m_hwnd = CreateTooltipWindow(owner, style);
    if (!m_hwnd)
        return false;
    m_owner = owner;
    m_toolId = toolId;
    wchar_t empty[1] = L"";
    TOOLINFOW ti = MakeToolInfo(owner, toolId, empty);
    ti.uFlags = toolFlags;
    ::SendMessageW(m_hwnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    return true;
}

bool CToolTip::CreateBalloon(HWND owner, UINT toolId) {
    if (m_hwnd)
        return true;
    if (!CreateWindowAndTool(owner, toolId, TTS_BALLOON | TTS_NOPREFIX, TTF_TRACK | TTF_ABSOLUTE))
        return false;
    ::SendMessageW(m_hwnd, TTM_SETMAXTIPWIDTH, 0, kBalloonMaxWidth);
    return true;
}

void CToolTip::ShowBalloon(const std::wstring& title, const std::wstring& text,
                           POINT screenPoint) {
    if (!m_hwnd)
        return;
    m_title = title;
    ::SendMessageW(m_hwnd, TTM_SETTITLEW, TTI_WARNING, reinterpret_cast<LPARAM>(title.c_str()));
    SetText(text);
    ::SendMessageW(m_hwnd, TTM_TRACKPOSITION, 0, MAKELPARAM(screenPoint.x, screenPoint.y));
    TOOLINFOW ti = MakeToolInfo(m_owner, m_toolId, nullptr);
    ::SendMessageW(m_hwnd, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
}

void CToolTip::HideBalloon() {
    if (!m_hwnd)
        return;
    TOOLINFOW ti = MakeToolInfo(m_owner, m_toolId, nullptr);
    ::SendMessageW(m_hwnd, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
}

bool CToolTip::IsBalloonShown() const {
    return m_hwnd && ::IsWindowVisible(m_hwnd);
}

void CToolTip::Destroy() {
    if (m_hwnd && ::IsWindow(m_hwnd))
        ::DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
    m_owner = nullptr;
}

void CToolTip::SetText(const std::wstring& text) {
    if (!m_hwnd)
        return;
    std::wstring copy = text;
    TOOLINFOW ti = MakeToolInfo(m_owner, m_toolId, copy.data());
    ::SendMessageW(m_hwnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

std::wstring CToolTip::GetText() const {
    if (!m_hwnd)
        return std::wstring();
    wchar_t buf[1024] = L"";
    TOOLINFOW ti = MakeToolInfo(m_owner, m_toolId, buf);
    ::SendMessageW(m_hwnd, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&ti));
    return buf;
}

void CToolTip::Activate(bool active) {
    if (m_hwnd)
        ::SendMessageW(m_hwnd, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

void CToolTip::UpdateToolRect() {
    if (!m_hwnd)
        return;
    TOOLINFOW ti = MakeToolInfo(m_owner, m_toolId, nullptr);
    ::SendMessageW(m_hwnd, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTip::Relay(UINT msg, WPARAM wp, LPARAM lp) {
    if (!m_hwnd || msg < WM_MOUSEFIRST || msg > WM_MOUSELAST)
        return;
    MSG m{m_owner, msg, wp, lp, static_cast<DWORD>(::GetMessageTime()), {}};
    DWORD pos = ::GetMessagePos();
    m.pt.x = static_cast<short>(LOWORD(pos));
    m.pt.y = static_cast<short>(HIWORD(pos));
    ::SendMessageW(m_hwnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

} // namespace kctl
