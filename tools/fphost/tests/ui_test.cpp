// What the script does to real windows: typing into an edit, clicking, finding nested
// controls, and answering a modal dialog from a timer while its modal loop runs.
#include "Pump.h"
#include "UiActions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fphost {
namespace {

constexpr wchar_t kParentClass[] = L"FphostUiTestParent";
constexpr int kEditId = 100;
constexpr int kButtonId = 101;
constexpr int kStaticId = 102;
constexpr int kReasonId = 1000;
constexpr UINT kOpenDialog = WM_APP + 1;

struct Log {
    int setFocus = 0;
    int returnKeyDowns = 0;
    int returnChars = 0;
    std::vector<std::pair<int, int>> commands; // (id, notification)
    INT_PTR dialogResult = 0;
    std::wstring reason;
    bool messageBox = false;
} g_log;

WNDPROC g_editProc = nullptr;

LRESULT CALLBACK EditSpy(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETFOCUS)
        ++g_log.setFocus;
    if (msg == WM_KEYDOWN && wp == VK_RETURN)
        ++g_log.returnKeyDowns;
    if (msg == WM_CHAR && wp == '\r')
        ++g_log.returnChars;
    return ::CallWindowProcW(g_editProc, hwnd, msg, wp, lp);
}

// A dialog template in memory: caption, an edit (kReasonId), OK and Cancel.
std::vector<WORD> ConfirmTemplate() {
    std::vector<WORD> t;
    auto dword = [&](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto text = [&](const wchar_t* s) {
        for (; *s; ++s)
            t.push_back(*s);
        t.push_back(0);
    };
    auto align = [&] {
        if (t.size() % 2)
            t.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME);
    dword(0);
    t.push_back(3); // items
    t.push_back(10);
    t.push_back(10);
    t.push_back(160);
    t.push_back(70);
    t.push_back(0); // menu
    t.push_back(0); // class
    text(L"confirm");
    struct Item {
        DWORD style;
        WORD id;
        WORD cls;
        const wchar_t* text;
        short y;
    } items[] = {
        {WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, kReasonId, 0x0081, L"", 5},
        {WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, IDOK, 0x0080, L"OK", 30},
        {WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, IDCANCEL, 0x0080, L"Cancel", 48},
    };
    for (const Item& it : items) {
        align();
        dword(it.style);
        dword(0);
        t.push_back(5);
        t.push_back(static_cast<WORD>(it.y));
        t.push_back(150);
        t.push_back(14);
        t.push_back(it.id);
        t.push_back(0xFFFF);
        t.push_back(it.cls);
        text(it.text);
        t.push_back(0); // creation data
    }
    return t;
}

INT_PTR CALLBACK ConfirmProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG)
        return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        wchar_t text[128] = {};
        ::GetDlgItemTextW(dlg, kReasonId, text, 128);
        g_log.reason = text;
        ::EndDialog(dlg, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND)
        g_log.commands.emplace_back(LOWORD(wp), HIWORD(wp));
    if (msg == kOpenDialog) {
        // As a faceplate does inside a posted message: a modal dialog owned by it.
        if (g_log.messageBox) {
            g_log.dialogResult = ::MessageBoxW(hwnd, L"four detail faceplates", L"fp", MB_OK);
        } else {
            std::vector<WORD> t = ConfirmTemplate();
            g_log.dialogResult = ::DialogBoxIndirectParamW(
                ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), hwnd,
                ConfirmProc, 0);
        }
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

class Ui : public ::testing::Test {
protected:
    void SetUp() override {
        g_log = Log{};
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kParentClass;
        ::RegisterClassW(&wc);
        parent = ::CreateWindowExW(0, kParentClass, L"ui", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                   300, 200, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(parent, nullptr);
        edit = Child(L"Edit", parent, kEditId, WS_BORDER | ES_AUTOHSCROLL, 10);
        button = Child(L"Button", parent, kButtonId, BS_PUSHBUTTON, 40);
        label = Child(L"Static", parent, kStaticId, SS_NOTIFY, 70);
        g_editProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditSpy)));
        kt::PumpFor(50);
    }
    void TearDown() override { ::DestroyWindow(parent); }
    static HWND Child(const wchar_t* cls, HWND p, int id, DWORD style, int y) {
        return ::CreateWindowExW(0, cls, L"x", WS_CHILD | WS_VISIBLE | style, 10, y, 120, 24, p,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                                 nullptr);
    }
    HWND parent = nullptr;
    HWND edit = nullptr;
    HWND button = nullptr;
    HWND label = nullptr;
};

TEST_F(Ui, TypingSetsTheTextAndPressesReturnOnce) {
    ::SetWindowTextW(edit, L"");
    ::SetFocus(nullptr);
    g_log.setFocus = 0;
    TypeText(edit, L"12.5");
    kt::PumpFor(100);
    // The control got the focus (another test program may take it away again at once).
    EXPECT_EQ(g_log.setFocus, 1);
    wchar_t text[32] = {};
    ::GetWindowTextW(edit, text, 32);
    EXPECT_STREQ(text, L"12.5");
    EXPECT_EQ(g_log.returnKeyDowns, 1);
    EXPECT_EQ(g_log.returnChars, 1) << "the loop's TranslateMessage makes the WM_CHAR";
}

TEST_F(Ui, ClickingAButtonAndAnotherControl) {
    ClickControl(button);
    ClickControl(label);
    kt::PumpFor(100);
    ASSERT_EQ(g_log.commands.size(), 2u);
    EXPECT_EQ(g_log.commands[0], std::make_pair(kButtonId, static_cast<int>(BN_CLICKED)));
    EXPECT_EQ(g_log.commands[1], std::make_pair(kStaticId, static_cast<int>(STN_CLICKED)));
}

TEST_F(Ui, FindControlSearchesDescendantsAndPrefersVisibleOnes) {
    HWND page = Child(L"Static", parent, 500, 0, 100);
    HWND hidden = ::CreateWindowExW(0, L"Edit", L"", WS_CHILD, 0, 0, 10, 10, page,
                                    reinterpret_cast<HMENU>(INT_PTR{600}), nullptr, nullptr);
    HWND nested = Child(L"Edit", page, 600, 0, 0);
    EXPECT_EQ(FindControl(parent, kEditId), edit);
    EXPECT_EQ(FindControl(parent, 600), nested);
    ::ShowWindow(nested, SW_HIDE);
    EXPECT_EQ(FindControl(parent, 600), hidden) << "no visible one: the first found";
    EXPECT_EQ(FindControl(parent, 4242), nullptr);
    EXPECT_EQ(FindControl(nullptr, kEditId), nullptr);
}

struct TimerAnswer {
    HWND owner;
    bool wantEdit;
    bool accept;
    const wchar_t* reason;
    bool answered;
    int ticks;
} g_answer;

constexpr int kGiveUpTicks = 150; // 3 s: then any dialog is closed so the test cannot hang

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg =
        FindOwnedDialog([](HWND owner) { return owner == g_answer.owner; }, g_answer.wantEdit);
    if (!dlg) {
        if (++g_answer.ticks > kGiveUpTicks) {
            ::KillTimer(nullptr, id);
            if (HWND any = FindOwnedDialog([](HWND) { return true; }, !g_answer.wantEdit))
                ::EndDialog(any, 0);
        }
        return;
    }
    ::KillTimer(nullptr, id);
    // The dialog of the other kind is not taken for this one.
    EXPECT_EQ(
        FindOwnedDialog([](HWND owner) { return owner == g_answer.owner; }, !g_answer.wantEdit),
        nullptr);
    AnswerDialog(dlg, g_answer.accept, g_answer.reason);
    g_answer.answered = true;
}

INT_PTR RunModal(HWND owner, bool wantEdit, bool accept, const wchar_t* reason) {
    g_answer = TimerAnswer{owner, wantEdit, accept, reason, false, 0};
    g_log.dialogResult = -1;
    ::SetTimer(nullptr, 0, 20, AnswerTimer);
    ::PostMessageW(owner, kOpenDialog, 0, 0);
    kt::PumpFor(50);
    EXPECT_TRUE(g_answer.answered);
    return g_log.dialogResult;
}

TEST_F(Ui, ConfirmationAnsweredFromATimerInsideItsModalLoop) {
    EXPECT_EQ(RunModal(parent, true, true, L"shift lead asked"), IDOK);
    EXPECT_EQ(g_log.reason, L"shift lead asked");
    EXPECT_EQ(RunModal(parent, true, false, L""), IDCANCEL);
    EXPECT_EQ(g_log.reason, L"");
}

TEST_F(Ui, MessageBoxIsDismissedAndDialogsOfOthersAreIgnored) {
    g_log.messageBox = true;
    EXPECT_EQ(RunModal(parent, false, true, L""), IDOK);
    EXPECT_EQ(FindOwnedDialog([](HWND) { return true; }, false), nullptr) << "it is gone";
}

TEST_F(Ui, WindowsGivenAsExceptionsAreNeverTakenForTheDialog) {
    // A faceplate is a dialog owned by a host window as well, with or without edits.
    HWND faceplate = ::CreateWindowExW(0, L"#32770", L"faceplate", WS_POPUP | WS_VISIBLE, 0, 0, 100,
                                       100, parent, nullptr, nullptr, nullptr);
    ASSERT_NE(faceplate, nullptr);
    auto owned = [this](HWND owner) { return owner == parent; };
    EXPECT_EQ(FindOwnedDialog(owned, false), faceplate);
    EXPECT_EQ(FindOwnedDialog(owned, false, {faceplate}), nullptr);
    ::DestroyWindow(faceplate);
}

} // namespace
} // namespace fphost
