#include "TnEdit.h"

#include <cstdlib>

using namespace kctl;

namespace {

bool IsDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}

// Readable text on a background: white on dark colours, black on light ones.
COLORREF ContrastText(COLORREF back) {
    unsigned luma =
        (GetRValue(back) * 299u + GetGValue(back) * 587u + GetBValue(back) * 114u) / 1000u;
    return luma < kDarkBackgroundLuma ? kDarkFieldText : kLightFieldText;
}

} // namespace

void CTnEdit::PreSubclassWindow() {
    RebuildBrush();
    ApplyReadOnly();
}

COLORREF CTnEdit::GetCurrentBackground() const {
    return IsReadOnly() ? m_crReadOnlyBack : m_crNormalBack;
}

void CTnEdit::SetNormalBackground(COLORREF colour) {
    m_crNormalBack = colour;
    RebuildBrush();
}

void CTnEdit::SetReadOnlyBackground(COLORREF colour) {
    m_crReadOnlyBack = colour;
    RebuildBrush();
}

void CTnEdit::RebuildBrush() {
    COLORREF colour = GetCurrentBackground();
    if (m_brush && colour == m_crBrush)
        return;
    m_brush.reset(::CreateSolidBrush(colour));
    m_crBrush = colour;
}

void CTnEdit::SetText(const std::wstring& text) {
    if (!m_hWnd || GetText() == text)
        return;
    if (!m_bKeepSaved)
        m_strSaved = text;
    // While the operator types in the editable field, the typing stays on screen.
    if (!m_bFocused || IsReadOnly())
        ::SetWindowTextW(m_hWnd, text.c_str());
}

void CTnEdit::SetText(const char* text) {
    SetText(kfw::Widen(text ? text : ""));
}

void CTnEdit::RevertToLive() {
    if (!m_hWnd)
        return;
    m_bKeepSaved = false;
    ::SetWindowTextW(m_hWnd, m_strSaved.c_str());
    ::SendMessageW(m_hWnd, EM_SETSEL, 0, -1);
}

void CTnEdit::ShowUnavailable() {
    SetText(std::wstring(kUnavailableText));
    m_bUnavailable = true;
}

void CTnEdit::SetRequiredLevel(WORD level) {
    m_lock.SetRequiredLevel(level);
    ApplyReadOnly();
}

void CTnEdit::SetUserLevel(WORD level) {
    m_lock.SetUserLevel(level);
    ApplyReadOnly();
}

void CTnEdit::SetLevels(WORD required, WORD user) {
    m_lock.SetLevels(required, user);
    ApplyReadOnly();
}

void CTnEdit::SetReadOnlyPreference(bool readOnly) {
    m_lock.SetPreference(!readOnly);
    ApplyReadOnly();
}

void CTnEdit::ApplyReadOnly() {
    if (!m_hWnd)
        return;
    // The look changes only with the read-only state: otherwise nothing is touched.
    bool readOnly = IsReadOnly();
    bool current = (::GetWindowLongW(m_hWnd, GWL_STYLE) & ES_READONLY) != 0;
    if (readOnly == current)
        return;
    ::SendMessageW(m_hWnd, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
    RebuildBrush();
    Invalidate(FALSE);
}

bool CTnEdit::AcceptsChar(wchar_t ch) const {
    if (!m_hWnd || IsReadOnly())
        return false;
    DWORD start = 0, end = 0;
    ::SendMessageW(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    return CharAllowed(ch, GetText(), static_cast<int>(start), static_cast<int>(end));
}

namespace {
// The length limit applies to every character but Backspace, Enter, Escape and '.', and only
// while nothing is selected.
bool OverLength(wchar_t ch, int len, int sel, int maxChars) {
    return ch != kBackspace && ch != kEnter && ch != kEscape && ch != L'.' && sel == 0 &&
           len >= maxChars;
}
} // namespace

bool CTnEdit::CharAllowed(wchar_t ch, const std::wstring& text, int start, int end) const {
    const int len = static_cast<int>(text.size());
    const int sel = end - start;
    const int caret = end;

    if (OverLength(ch, len, sel, m_nMaxChars))
        return false;
    // Enter and Escape are handled as keys; their characters never reach the text.
    if (ch == kEnter || ch == kEscape)
        return false;

    const bool leadingMinus = !text.empty() && text[0] == L'-';
    auto minusAllowed = [&] {
        // Only at the start, and only once: a text that already begins with '-' takes no other.
        if (sel == 0)
            return caret == 0 && !leadingMinus && std::wcstol(text.c_str(), nullptr, 10) >= 0;
        return start == 0;
    };
    auto pointAllowed = [&] {
        if (sel == 0)
            return caret != 0 && !(caret == 1 && leadingMinus) &&
                   text.find(L'.') == std::wstring::npos;
        if (start == 0 || (start == 1 && leadingMinus))
            return false;
        // A selection replaces its text: the rest must not already hold a '.'.
        std::wstring rest = text.substr(0, static_cast<size_t>(start)) +
                            text.substr(static_cast<size_t>(end));
        return rest.find(L'.') == std::wstring::npos;
    };

    switch (m_nMode) {
    case kModeSigned:
        return IsDigit(ch) || ch == kBackspace || (ch == L'-' && minusAllowed());
    case kModeUnsigned:
        return IsDigit(ch) || ch == kBackspace;
    case kModeReal:
        return IsDigit(ch) || ch == kBackspace || (ch == L'-' && minusAllowed()) ||
               (ch == L'.' && pointAllowed());
    default:
        return true;
    }
}

std::wstring CTnEdit::RefusalText(wchar_t ch, const std::wstring& text, int start,
                                  int end) const {
    if (OverLength(ch, static_cast<int>(text.size()), end - start, m_nMaxChars))
        return StationText(kTooLongKey, m_nMaxChars);
    switch (m_nMode) {
    case kModeSigned:
        return StationText(kAcceptsSignedKey);
    case kModeUnsigned:
        return StationText(kAcceptsUnsignedKey);
    default:
        return StationText(kAcceptsRealKey);
    }
}

void CTnEdit::Refuse(const char* titleKey, const std::wstring& text) {
    ::MessageBeep(MB_ICONWARNING);
    if (!m_balloon.IsCreated() && !m_balloon.CreateBalloon(m_hWnd, kBalloonToolId))
        return;
    // The stem points just below the caret (the field's left edge without the focus).
    POINT at{0, 0};
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (m_bFocused)
        ::GetCaretPos(&at);
    at.y = client.bottom;
    ::ClientToScreen(m_hWnd, &at);
    m_balloon.ShowBalloon(StationText(titleKey), text, at);
    ::SetTimer(m_hWnd, kBalloonTimerId, kBalloonShowMs, nullptr);
}

void CTnEdit::HideBalloon() {
    if (!m_balloon.IsCreated())
        return;
    ::KillTimer(m_hWnd, kBalloonTimerId);
    m_balloon.HideBalloon();
}

void CTnEdit::PasteThroughRules() {
    if (IsReadOnly() || !::OpenClipboard(m_hWnd))
        return;
    std::wstring text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = p;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    // Blanks and line ends around a copied number are not part of it.
    const wchar_t* blanks = L" \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return;
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);

    // Every character must pass as if typed after the ones before it; one that does not
    // refuses the whole text ("1e39" never becomes 139, "1,5" never 15).
    DWORD selStart = 0, selEnd = 0;
    ::SendMessageW(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                   reinterpret_cast<LPARAM>(&selEnd));
    std::wstring state = GetText();
    int start = static_cast<int>(selStart), end = static_cast<int>(selEnd);
    for (wchar_t ch : text) {
        if (ch < L' ' || !CharAllowed(ch, state, start, end)) {
            Refuse(kRefusedPasteTitleKey,
                   ch < L' ' ? RefusalText(L' ', state, start, end)
                             : RefusalText(ch, state, start, end));
            return;
        }
        state.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), 1, ch);
        end = ++start;
    }
    HideBalloon();
    ::SendMessageW(m_hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

LRESULT CTnEdit::OnChar(WPARAM wp, LPARAM lp) {
    const wchar_t ch = static_cast<wchar_t>(wp);
    // A numeric field takes pasted text only through its character rules.
    if (ch == kCtrlV && IsNumericMode()) {
        PasteThroughRules();
        return 0;
    }
    if (!AcceptsChar(ch)) {
        // A printable character the field does not take is refused where the operator sees
        // it; control characters (Ctrl+A, Ctrl+C, ...) are commands, not text.
        if (!IsReadOnly() && ch >= L' ') {
            DWORD start = 0, end = 0;
            ::SendMessageW(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                           reinterpret_cast<LPARAM>(&end));
            Refuse(kRefusedCharTitleKey, RefusalText(ch, GetText(), static_cast<int>(start),
                                                     static_cast<int>(end)));
        }
        return 0;
    }
    HideBalloon();
    if (ch == kBackspace && (m_nMode == kModeSigned || m_nMode == kModeUnsigned)) {
        // The integer modes delete the character before the caret.
        DWORD start = 0, end = 0;
        ::SendMessageW(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        if (end > 0) {
            ::SendMessageW(m_hWnd, EM_SETSEL, end - 1, end);
            ::SendMessageW(m_hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
        }
        return 0;
    }
    return DefWindowProc(WM_CHAR, wp, lp);
}

bool CTnEdit::OnKeyDown(UINT key) {
    if (key == VK_RETURN) {
        if (IsReadOnly())
            return true;
        // Enter on the untouched "????" of unavailable data would write a made-up value.
        if (m_bUnavailable && GetText() == kUnavailableText)
            return true;
        PostToParent(m_hWnd, WM_TNEDIT_ENTER, static_cast<WPARAM>(GetDlgCtrlID()),
                     reinterpret_cast<LPARAM>(m_hWnd));
        return true;
    }
    // Escape neither reaches the field nor closes the dialog.
    return key == VK_ESCAPE;
}

bool CTnEdit::PreTranslateMessage(MSG* msg) {
    if (msg->hwnd == m_hWnd && msg->message == WM_KEYDOWN)
        return OnKeyDown(static_cast<UINT>(msg->wParam));
    return false;
}

void CTnEdit::DrawFocusFrame() {
    RECT window{}, client{};
    ::GetWindowRect(m_hWnd, &window);
    ::GetClientRect(m_hWnd, &client);
    const int border = ((window.right - window.left) - client.right) / 2;
    if (border > 0) {
        // On the border, outside the text.
        kfw::CWindowDC dc(m_hWnd, true);
        RECT ring{0, 0, window.right - window.left, window.bottom - window.top};
        for (int i = 0; i < border && i < kFocusFrameWidth; ++i) {
            FrameSolid(dc, ring, kFocusColour);
            ::InflateRect(&ring, -1, -1);
        }
    } else {
        kfw::CWindowDC dc(m_hWnd);
        FrameSolid(dc, client, kFocusColour);
    }
}

void CTnEdit::SetNotTaken(const std::wstring& tip) {
    const bool mark = !tip.empty();
    if (mark == m_bNotTaken && kctl::parent_tips::Get(m_hWnd) == tip)
        return;
    m_bNotTaken = mark;
    kctl::parent_tips::Set(m_hWnd, tip);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CTnEdit::DrawNotTakenMark() {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    kfw::CWindowDC dc(m_hWnd);
    const int n = kNotTakenMarkSize;
    POINT corner[3] = {{client.right - n, 0}, {client.right, 0}, {client.right, n}};
    kfw::CBrush brush(::CreateSolidBrush(kNotTakenMarkColour));
    kfw::CPen pen(::CreatePen(PS_SOLID, 1, kNotTakenMarkColour));
    kfw::CSelectObject useBrush(dc, brush);
    kfw::CSelectObject usePen(dc, pen);
    ::Polygon(dc, corner, 3);
}

LRESULT CTnEdit::OnSetFocus(WPARAM wp, LPARAM lp) {
    m_bFocused = true;
    LRESULT r = DefWindowProc(WM_SETFOCUS, wp, lp);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    PostInteraction(m_hWnd, true);
    if (!IsReadOnly())
        PostToParent(m_hWnd, WM_TNEDIT_SETFOCUS, 0, 0);
    return r;
}

LRESULT CTnEdit::OnKillFocus(WPARAM wp, LPARAM lp) {
    LRESULT r = DefWindowProc(WM_KILLFOCUS, wp, lp);
    HideBalloon();
    m_bKeepSaved = false;
    m_bFocused = false;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    // An entry left without Enter gives way to the value the program gave last.
    SetText(std::wstring(m_strSaved));
    PostToParent(m_hWnd, WM_TNEDIT_KILLFOCUS, 0, 0);
    PostInteraction(m_hWnd, false);
    return r;
}

LRESULT CTnEdit::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CHAR:
        return OnChar(wp, lp);
    case WM_KEYDOWN:
        // Enter and Escape arrive here only without key pre-translation (a modal dialog).
        if (OnKeyDown(static_cast<UINT>(wp)))
            return 0;
        if (wp == VK_INSERT && ::GetKeyState(VK_SHIFT) < 0 && IsNumericMode()) {
            PasteThroughRules();
            return 0;
        }
        break;
    case WM_PASTE:
        if (IsNumericMode()) {
            PasteThroughRules();
            return 0;
        }
        break;
    case WM_CONTEXTMENU:
        // The edit's own menu would paste around the character rules.
        if (IsNumericMode())
            return 0;
        break;
    case WM_GETDLGCODE: {
        // Enter and Escape belong to the field, not to the dialog's default buttons.
        LRESULT code = DefWindowProc(msg, wp, lp);
        auto* m = reinterpret_cast<const MSG*>(lp);
        if (m && m->message == WM_KEYDOWN && (m->wParam == VK_RETURN || m->wParam == VK_ESCAPE))
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_NCPAINT:
    case WM_PAINT: {
        LRESULT r = DefWindowProc(msg, wp, lp);
        if (m_bFocused)
            DrawFocusFrame();
        if (m_bNotTaken && msg == WM_PAINT)
            DrawNotTakenMark();
        return r;
    }
    case WM_TIMER:
        if (wp == kBalloonTimerId) {
            HideBalloon();
            return 0;
        }
        break;
    case WM_DESTROY:
        m_balloon.Destroy(); // before the edit itself
        break;
    case WM_SETFOCUS:
        return OnSetFocus(wp, lp);
    case WM_KILLFOCUS:
        return OnKillFocus(wp, lp);
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

bool CTnEdit::OnChildNotify(UINT msg, WPARAM wp, LPARAM, LRESULT* result) {
    if (msg != WM_CTLCOLOREDIT && msg != WM_CTLCOLORSTATIC)
        return false;
    // Read-only edits ask with WM_CTLCOLORSTATIC, editable ones with WM_CTLCOLOREDIT.
    RebuildBrush();
    HDC hdc = reinterpret_cast<HDC>(wp);
    COLORREF back = GetCurrentBackground();
    ::SetBkColor(hdc, back);
    ::SetTextColor(hdc, ContrastText(back));
    *result = reinterpret_cast<LRESULT>(m_brush.get());
    return true;
}
