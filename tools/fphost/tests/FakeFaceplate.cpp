// A small faceplate module for the host's own end-to-end tests (FP_FAKETEST.dll): the six
// exports over plain windows. A faceplate shows its tag (32760), a status line (32750: the
// host's bad bit), a second line (32751: the user, the detail flag), the result of a write
// (32752), the value of FTTL through the host's callbacks (32753; "NOCB" without them), an
// edit (12444) whose Enter asks for a confirmation through the station's KrConfirm.dll (its
// modal dialog, owned by the faceplate), a detail button (32765) and an acknowledge button
// (32766) that calls the host's pfnAlarmAck. A tag described as
// "ASK" opens only after a message box owned by its parent has been answered. 32754 shows
// how many entries the control-information component lists ("CI n"), created as the
// faceplate does it, on the host's thread. A tag described as "LATE" has a static (32767,
// "LATE") that paints nothing until 300 ms after it opened: a control a screenshot can catch
// undrawn.
#include "FPHostApi.h"
#include "FPResourceIds.h"
#include "KrConfirm.h"
#include "KrControlInfo.h"
#include "KrToolkit.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kClass[] = L"FakeFaceplate";
constexpr int kTitle = IDC_FP_TAGNAME;
constexpr int kStatus = IDC_FP_STATUS;
constexpr int kSecond = IDC_FP_STATUS2;
constexpr int kResult = 32752;
constexpr int kValue = 32753;
constexpr int kControlInfo = 32754;
constexpr int kEdit = 12444;
constexpr int kDetailButton = IDC_FP_BTN_ADJ;
constexpr int kAckButton = IDC_FP_BTN_ACK;
constexpr UINT kValueEntered = WM_USER + 1000;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 100;
constexpr int kLate = 32767;
constexpr UINT_PTR kLateTimer = 2;
constexpr UINT kLateMs = 300;
constexpr wchar_t kLateDrawn[] = L"FakeFaceplate.LateDrawn";
WNDPROC g_staticProc = nullptr;

// Paints nothing (leaving the parent's background) until its faceplate's late timer has run.
LRESULT CALLBACK LateProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT && !::GetPropW(hwnd, kLateDrawn)) {
        ::ValidateRect(hwnd, nullptr);
        return 0;
    }
    return ::CallWindowProcW(g_staticProc, hwnd, msg, wp, lp);
}

struct Faceplate {
    HWND hwnd = nullptr;
    std::string tag;
    tagFPOpenPara para{};
    bool movable = false;
    bool detail = false;
};

HINSTANCE g_instance = nullptr;
std::vector<Faceplate*> g_faceplates;
WNDPROC g_editProc = nullptr;

Faceplate* Find(HWND hwnd) {
    for (Faceplate* f : g_faceplates)
        if (f->hwnd == hwnd)
            return f;
    return nullptr;
}

std::string Normalise(const char* name) {
    std::string s = name ? name : "";
    size_t b = s.find_first_not_of(' ');
    s = b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
    s = s.substr(0, s.find('.'));
    return s;
}

void SetText(HWND fp, int id, const std::string& text) {
    ::SetDlgItemTextA(fp, id, text.c_str());
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CHAR && wp == '\r') {
        ::PostMessageW(::GetParent(hwnd), kValueEntered, ::GetDlgCtrlID(hwnd),
                       reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    return ::CallWindowProcW(g_editProc, hwnd, msg, wp, lp);
}

void Refresh(Faceplate& f) {
    const tagFPOpenPara& p = f.para;
    if (!p.pfnOpenItem) {
        SetText(f.hwnd, kValue, "NOCB");
        return;
    }
    int64_t handle = 0;
    if (p.pfnOpenItem(1, (f.tag + ".FTTL").c_str(), &handle, 0) != kHostOk || handle <= 0)
        return;
    FPTagStatus status{kTagStatusBad, {}};
    uint32_t key = static_cast<uint32_t>(handle >> 32);
    if (p.pfnReadStatus(1, &key, &status, 0) == kHostOk)
        SetText(f.hwnd, kStatus, (status.dwStatus & kTagStatusBad) ? "RTDATA_BAD" : "");
    VARIANT v{};
    if (p.pfnGetVariant(1, &handle, &v) == kHostOk && v.vt == VT_R4) {
        char text[32];
        std::snprintf(text, sizeof(text), "%.2f", v.fltVal);
        SetText(f.hwnd, kValue, text);
    }
}

LRESULT CALLBACK FaceplateProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Faceplate* f = Find(hwnd);
    switch (msg) {
    case WM_TIMER:
        if (wp == kLateTimer) {
            ::KillTimer(hwnd, kLateTimer);
            HWND late = ::GetDlgItem(hwnd, kLate);
            ::SetPropW(late, kLateDrawn, reinterpret_cast<HANDLE>(1));
            ::InvalidateRect(late, nullptr, TRUE);
            return 0;
        }
        if (f)
            Refresh(*f);
        return 0;
    case kValueEntered:
        if (f) {
            char value[64] = {};
            ::GetWindowTextA(reinterpret_cast<HWND>(lp), value, sizeof(value));
            RECT rc{};
            ::GetWindowRect(hwnd, &rc);
            CKrString reason;
            int accepted = 0;
            const std::string message = "write " + std::string(value);
            int shown = ::ShowConfirmDlg(&rc, 0, f->para.szUserName, message.c_str(), &reason,
                                         &accepted, hwnd);
            SetText(hwnd, kResult,
                    !shown     ? "NOT SHOWN"
                    : accepted ? "WRITE " + std::string(value) + " " + reason.GetString()
                               : "CANCELLED");
        }
        return 0;
    case WM_COMMAND:
        if (f && LOWORD(wp) == kDetailButton) {
            f->detail = !f->detail;
            SetText(hwnd, kSecond, f->detail ? "DETAIL 1" : "DETAIL 0");
        }
        if (f && LOWORD(wp) == kAckButton && f->para.pfnAlarmAck)
            f->para.pfnAlarmAck(f->para.szTagName);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

HWND Create(const tagFPOpenPara* para, bool movable, bool detail, HWND parent, DWORD style, int x,
            int y) {
    static bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = FaceplateProc;
        wc.hInstance = g_instance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClass;
        return ::RegisterClassW(&wc) != 0;
    }();
    if (!registered || !para)
        return nullptr;
    if (std::string(para->szTagDesc) == "ASK")
        ::MessageBoxW(parent, L"open?", L"fake", MB_OK);
    auto* f = new Faceplate;
    f->para = *para;
    f->tag = para->szTagName;
    f->movable = movable;
    f->detail = detail;
    int w = detail ? para->nDetailWidth : para->nWidth;
    int h = detail ? para->nDetailHeight : para->nHeight;
    f->hwnd = ::CreateWindowExW(0, kClass, L"fake", style, x, y, w, h, parent, nullptr, g_instance,
                                nullptr);
    if (!f->hwnd) {
        delete f;
        return nullptr;
    }
    g_faceplates.push_back(f);
    auto child = [&](const wchar_t* cls, int id, DWORD s, int cy) {
        return ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | s, 5, cy, 200, 22, f->hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance,
                                 nullptr);
    };
    child(L"Static", kTitle, 0, 5);
    child(L"Static", kStatus, 0, 30);
    child(L"Static", kSecond, 0, 55);
    child(L"Static", kValue, 0, 135);
    child(L"Static", kResult, 0, 160);
    HWND edit = child(L"Edit", kEdit, WS_BORDER | ES_AUTOHSCROLL, 80);
    child(L"Button", kDetailButton, BS_PUSHBUTTON, 110);
    child(L"Button", kAckButton, BS_PUSHBUTTON, 210);
    g_editProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
    child(L"Static", kControlInfo, 0, 185);
    if (std::string(para->szTagDesc) == "LATE") {
        HWND late = child(L"Static", kLate, SS_CENTER, 235);
        ::SetWindowTextW(late, L"LATE");
        g_staticProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(late, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LateProc)));
        ::SetTimer(f->hwnd, kLateTimer, kLateMs, nullptr);
    }
    SetText(f->hwnd, kTitle, f->tag);
    IKrControlInfo* info = nullptr;
    HRESULT hr = ::CoCreateInstance(CLSID_KrControlInfo, nullptr, CLSCTX_ALL, IID_IKrControlInfo,
                                    reinterpret_cast<void**>(&info));
    LONG count = -1;
    if (SUCCEEDED(hr) && SUCCEEDED(hr = info->Initialize()))
        info->GetCount(&count);
    if (info)
        info->Release();
    char text[48];
    std::snprintf(text, sizeof(text), SUCCEEDED(hr) ? "CI %ld" : "CI FAIL 0x%08lX",
                  SUCCEEDED(hr) ? count : static_cast<long>(hr));
    SetText(f->hwnd, kControlInfo, text);
    ::SetTimer(f->hwnd, kRefreshTimer, kRefreshMs, nullptr);
    Refresh(*f);
    return f->hwnd;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_instance = instance;
    return TRUE;
}

HWND __cdecl OpenFP(const tagFPOpenPara* para, int bMovable, int bShowDetail, int, HWND parent) {
    if (!para)
        return nullptr;
    DWORD style = bMovable ? (WS_POPUP | WS_VISIBLE) : WS_CHILD;
    return Create(para, bMovable != 0, bMovable && bShowDetail, parent, style, para->nX, para->nY);
}

HWND __cdecl OpenPopChildFP(const tagFPOpenPara* para, int bShowDetail, HWND parent) {
    return Create(para, true, bShowDetail != 0, parent, WS_CHILD | WS_VISIBLE, 0, 0);
}

int __cdecl ShowDetail(const char* tag, int show) {
    const std::string name = Normalise(tag);
    for (size_t i = g_faceplates.size(); i-- > 0;) {
        Faceplate* f = g_faceplates[i];
        if (f->movable && ::lstrcmpiA(f->tag.c_str(), name.c_str()) == 0) {
            f->detail = show != 0;
            SetText(f->hwnd, kSecond, f->detail ? "DETAIL 1" : "DETAIL 0");
            break;
        }
    }
    return 1;
}

int __cdecl CloseFP(const char* tag, int closeType) {
    const std::string name = Normalise(tag);
    for (size_t i = g_faceplates.size(); i-- > 0;) {
        Faceplate* f = g_faceplates[i];
        bool kind = f->movable ? (closeType & 1) != 0 : (closeType & 2) != 0;
        if (kind && ::lstrcmpiA(f->tag.c_str(), name.c_str()) == 0) {
            g_faceplates.erase(g_faceplates.begin() + static_cast<std::ptrdiff_t>(i));
            ::DestroyWindow(f->hwnd);
            delete f;
            return 1;
        }
    }
    return 0;
}

int __cdecl ChangeUser(const char* user, int level, int ack) {
    for (Faceplate* f : g_faceplates)
        SetText(f->hwnd, kSecond,
                "USER " + std::string(user ? user : "") + " " + std::to_string(level) + " " +
                    std::to_string(ack));
    return 1;
}

int __cdecl CloseConfirmDlg(const char*) {
    ::CloseDialog();
    return 0;
}

} // extern "C"
