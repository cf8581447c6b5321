// The confirmation dialog answered as an operator would, through the test host's own actions
// (find the dialog the faceplate owns, type the reason into its edit, press OK or Cancel), on the
// UI thread inside the dialog's modal loop; closed by CloseDialog from the dialog's own thread and
// from another; never answered by the configuration; tag security from the configuration.
#include "KrConfirm.h"
#include "KrConfirmIds.h"
#include "KrToolkit.h"
#include "Screenshot.h"
#include "Text.h"
#include "UiActions.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace {

constexpr UINT kGbk = 936;
constexpr DWORD kFindTimeoutMs = 5000;
constexpr UINT kOperatorTickMs = 50;
// Longer than any delay an unattended answer ever had.
constexpr DWORD kNoAutoAnswerWaitMs = 1500;

std::string Gbk(const wchar_t* text) {
    return kfw::Narrow(text, kGbk);
}

std::wstring TempIni(const wchar_t* body) {
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring path =
        std::wstring(tmp) + L"krconfirm_" + std::to_wstring(::GetCurrentProcessId()) + L".ini";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    // UTF-16LE with BOM, so that non-ASCII values survive GetPrivateProfileStringW.
    std::wstring content = L"\xFEFF";
    content += body;
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size() * sizeof(wchar_t)),
                &written, nullptr);
    ::CloseHandle(file);
    return path;
}

// What the operator does once the dialog is up: look at it, wait, then answer (or not at all).
struct Operator {
    std::function<void(HWND dlg)> look;
    bool answers = true;
    bool accept = true;
    std::wstring reason;
    DWORD waitMs = 0; // between looking and answering
};

class ConfirmTest;
ConfirmTest* g_test = nullptr;
void CALLBACK OperatorTick(HWND, UINT, UINT_PTR id, DWORD);

class ConfirmTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetACP(), kGbk) << "run with LC_ALL=zh_CN.UTF-8";
        m_owner = ::CreateWindowExW(0, L"STATIC", L"faceplate", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                    300, 300, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_owner, nullptr);
        g_test = this;
    }
    void TearDown() override {
        if (m_timer)
            ::KillTimer(nullptr, m_timer);
        g_test = nullptr;
        ::DestroyWindow(m_owner);
        ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
    }
    // The confirmation dialog the faceplate window owns, as the test host finds it.
    HWND OpenDialog() const {
        return fphost::FindOwnedDialog([this](HWND owner) { return owner == m_owner; }, true);
    }
    // Shows the dialog; the operator acts from a timer of this thread, inside the modal loop.
    int Show(const RECT* rect, const char* user, const char* message, Operator op) {
        m_operator = std::move(op);
        m_found = false;
        m_lookedAt = 0;
        m_start = ::GetTickCount();
        m_timer = ::SetTimer(nullptr, 0, kOperatorTickMs, &OperatorTick);
        int result = ShowConfirmDlg(rect, 0, user, message, &m_reason, &m_accepted, m_owner);
        ::KillTimer(nullptr, m_timer);
        m_timer = 0;
        return result;
    }

public:
    // One look for the dialog, from the operator's timer.
    void Tick() {
        HWND dlg = OpenDialog();
        if (!dlg) {
            if (!m_found && ::GetTickCount() - m_start > kFindTimeoutMs) {
                ::KillTimer(nullptr, m_timer); // the test then fails on m_found
                CloseDialog();                 // one that is open but not found must not hang it
            }
            return;
        }
        if (!m_found) {
            m_found = true;
            m_lookedAt = ::GetTickCount();
            if (m_operator.look)
                m_operator.look(dlg);
            return;
        }
        if (!m_operator.answers || ::GetTickCount() - m_lookedAt < m_operator.waitMs)
            return;
        ::KillTimer(nullptr, m_timer);
        fphost::AnswerDialog(dlg, m_operator.accept, m_operator.reason);
    }

protected:
    HWND m_owner = nullptr;
    UINT_PTR m_timer = 0;
    Operator m_operator;
    bool m_found = false;
    DWORD m_start = 0;
    DWORD m_lookedAt = 0;
    CKrString m_reason{"stale"};
    int m_accepted = -1;
};

void CALLBACK OperatorTick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_test)
        g_test->Tick();
}

TEST_F(ConfirmTest, AcceptedWithATypedChineseReason) {
    std::wstring userShown, messageShown, captionShown;
    bool ownerDisabled = false;
    bool shotSaved = false;
    HWND ownerOfDialog = nullptr;
    RECT placed{};
    Operator op;
    op.reason = L"工艺调整";
    op.look = [&](HWND dlg) {
        userShown = kfw::GetWindowTextW(::GetDlgItem(dlg, IDC_KRC_USER));
        messageShown = kfw::GetWindowTextW(::GetDlgItem(dlg, IDC_KRC_MESSAGE));
        captionShown = kfw::GetWindowTextW(dlg);
        ownerDisabled = !::IsWindowEnabled(m_owner);
        ownerOfDialog = ::GetWindow(dlg, GW_OWNER);
        ::GetWindowRect(dlg, &placed);
        ::RedrawWindow(dlg, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring shot = exe;
        shot = shot.substr(0, shot.find_last_of(L'\\')) + L"\\..\\krconfirm_dialog.png";
        shotSaved = kfw::SaveWindowPng(dlg, shot.c_str());
    };
    RECT faceplate{300, 300, 700, 600};
    std::string message = Gbk(L"确认将 BAL1.FTTLSET 由 12.50000 修改为 13.00000 吗？");
    ASSERT_EQ(Show(&faceplate, Gbk(L"张工").c_str(), message.c_str(), op), 1);
    ASSERT_TRUE(m_found);
    EXPECT_EQ(m_accepted, 1);
    EXPECT_EQ(std::string(m_reason), Gbk(L"工艺调整"));
    EXPECT_EQ(userShown, L"张工");
    EXPECT_EQ(messageShown, L"确认将 BAL1.FTTLSET 由 12.50000 修改为 13.00000 吗？");
    EXPECT_EQ(captionShown, L"操作确认");
    EXPECT_TRUE(ownerDisabled) << "modal: the owner is disabled while the dialog runs";
    EXPECT_EQ(ownerOfDialog, m_owner);
    EXPECT_NEAR((placed.left + placed.right) / 2, 500, 2) << "centred on the faceplate";
    EXPECT_NEAR((placed.top + placed.bottom) / 2, 450, 2);
    EXPECT_TRUE(::IsWindowEnabled(m_owner));
    EXPECT_TRUE(shotSaved) << "screenshot krconfirm_dialog.png in the build folder";
    EXPECT_EQ(OpenDialog(), nullptr);
}

// Typed past the edit's limit in characters the ANSI code page has and has not: the reason
// comes back whole up to the limit, as typed, and a short buffer never gets half a pair.
TEST_F(ConfirmTest, TheReasonAsTypedInAnyScriptUpToTheLimit) {
    std::wstring typed(kKrMaxReasonChars - 3, L'工');
    typed += L"\u0E01\U0001F525"; // a Thai letter, a pair: exactly the limit
    const std::wstring accepted = typed;
    typed += L"过长的部分"; // refused by the edit
    Operator op;
    op.reason = typed;
    ASSERT_EQ(Show(nullptr, "op", "OK?", op), 1);
    ASSERT_TRUE(m_found);
    EXPECT_EQ(m_accepted, 1);
    ASSERT_EQ(GetConfirmReasonW(nullptr, 0), kKrMaxReasonChars);
    std::wstring reason(kKrMaxReasonChars + 1, L'\0');
    EXPECT_EQ(GetConfirmReasonW(reason.data(), kKrMaxReasonChars + 1), kKrMaxReasonChars);
    EXPECT_EQ(reason.c_str(), accepted);
    wchar_t shortBuffer[kKrMaxReasonChars]; // one unit short: the cut falls inside the pair
    GetConfirmReasonW(shortBuffer, kKrMaxReasonChars);
    EXPECT_EQ(std::wstring(shortBuffer), accepted.substr(0, kKrMaxReasonChars - 2));

    op.accept = false;
    ASSERT_EQ(Show(nullptr, "op", "OK?", op), 1);
    EXPECT_EQ(GetConfirmReasonW(reason.data(), kKrMaxReasonChars + 1), 0) << "none after a cancel";
    EXPECT_EQ(reason[0], L'\0');
}

TEST_F(ConfirmTest, CancelledGivesNoAnswerAndNoReason) {
    Operator op;
    op.accept = false;
    op.reason = L"abc";
    ASSERT_EQ(Show(nullptr, "op", "Switch off?", op), 1);
    EXPECT_TRUE(m_found);
    EXPECT_EQ(m_accepted, 0);
    EXPECT_TRUE(m_reason.IsEmpty()) << "a cancelled change keeps no reason";
}

TEST_F(ConfirmTest, EmptyReasonIsAValidAnswer) {
    ASSERT_EQ(Show(nullptr, nullptr, "OK?", Operator{}), 1);
    EXPECT_TRUE(m_found);
    EXPECT_EQ(m_accepted, 1);
    EXPECT_TRUE(m_reason.IsEmpty());
}

TEST_F(ConfirmTest, KeptOnTheScreenNearTheEdge) {
    RECT placed{};
    RECT work{};
    Operator op;
    op.accept = false;
    op.look = [&](HWND dlg) {
        ::GetWindowRect(dlg, &placed);
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        ::GetMonitorInfoW(::MonitorFromWindow(dlg, MONITOR_DEFAULTTONEAREST), &mi);
        work = mi.rcWork;
    };
    RECT corner{5000, 5000, 6000, 6000}; // far beyond the right and bottom edges
    ASSERT_EQ(Show(&corner, "op", "edge", op), 1);
    ASSERT_TRUE(m_found);
    EXPECT_GE(placed.left, work.left);
    EXPECT_GE(placed.top, work.top);
    EXPECT_LE(placed.right, work.right);
    EXPECT_LE(placed.bottom, work.bottom);
}

// Former unattended-answer settings, in the environment and in the configuration, answer nothing:
// the dialog waits for the operator, who cancels here.
TEST_F(ConfirmTest, NothingButTheOperatorAnswers) {
    ::SetEnvironmentVariableW(L"KR_CONFIRM_AUTO", L"accept:自动确认");
    ::SetEnvironmentVariableW(
        L"KR_STATION_INI",
        TempIni(L"[Confirm]\r\nAutoAnswer=accept\r\nAutoReason=x\r\nAutoDelayMs=10\r\n").c_str());
    Operator op;
    op.accept = false;
    op.waitMs = kNoAutoAnswerWaitMs;
    op.look = [&](HWND) {};
    ASSERT_EQ(Show(nullptr, "op", "auto?", op), 1);
    ::SetEnvironmentVariableW(L"KR_CONFIRM_AUTO", nullptr);
    EXPECT_TRUE(m_found);
    EXPECT_GE(::GetTickCount() - m_lookedAt, kNoAutoAnswerWaitMs)
        << "the dialog stayed open until the operator answered";
    EXPECT_EQ(m_accepted, 0) << "the operator's Cancel, not an automatic OK";
    EXPECT_TRUE(m_reason.IsEmpty());
}

void CALLBACK CloseFromTimer(HWND, UINT, UINT_PTR id, DWORD);
std::atomic<int> g_closeResult{-1};
void CALLBACK CloseFromTimer(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_closeResult = CloseDialog(); // on the UI thread, inside the modal loop
}

TEST_F(ConfirmTest, CloseDialogFromTheUiThreadWhileOpen) {
    EXPECT_EQ(CloseDialog(), 0) << "nothing open";
    g_closeResult = -1;
    Operator op;
    op.answers = false;
    ::SetTimer(nullptr, 0, 500, &CloseFromTimer);
    ASSERT_EQ(Show(nullptr, "op", "close me", op), 1);
    EXPECT_TRUE(m_found);
    EXPECT_EQ(g_closeResult, 1);
    EXPECT_EQ(m_accepted, 0);
    EXPECT_TRUE(m_reason.IsEmpty());
    EXPECT_EQ(OpenDialog(), nullptr);
}

TEST_F(ConfirmTest, CloseDialogFromAnotherThread) {
    std::atomic<int> result{0};
    std::thread closer([&] {
        const DWORD start = ::GetTickCount();
        while (result == 0 && ::GetTickCount() - start < kFindTimeoutMs) {
            result = CloseDialog(); // 1 once the dialog is open
            ::Sleep(20);
        }
    });
    Operator op;
    op.answers = false;
    ASSERT_EQ(Show(nullptr, "op", "close me", op), 1);
    closer.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(m_accepted, 0);
}

TEST_F(ConfirmTest, NullArgumentsShowNothing) {
    int accepted = 7;
    CKrString reason;
    EXPECT_EQ(ShowConfirmDlg(nullptr, 0, "op", nullptr, &reason, &accepted, m_owner), 0);
    EXPECT_EQ(ShowConfirmDlg(nullptr, 0, "op", "m", nullptr, &accepted, m_owner), 0);
    EXPECT_EQ(ShowConfirmDlg(nullptr, 0, "op", "m", &reason, nullptr, m_owner), 0);
    EXPECT_EQ(accepted, 7);
    EXPECT_EQ(OpenDialog(), nullptr);
}

TEST(TagSecurityTest, ClassesComeFromTheConfiguration) {
    int answer = 7;
    // The shipped configuration next to the DLL.
    ASSERT_EQ(GetTagSecurity(0, 1, &answer), 1);
    EXPECT_EQ(answer, 0);
    ASSERT_EQ(GetTagSecurity(1, 1, &answer), 1);
    EXPECT_EQ(answer, 1);
    answer = 7;
    EXPECT_EQ(GetTagSecurity(200, 1, &answer), 0) << "unknown class";
    EXPECT_EQ(answer, 7);
    EXPECT_EQ(GetTagSecurity(1, 1, nullptr), 0);
    EXPECT_EQ(GetTagSecurity(1, 2, &answer), 0) << "unknown question";

    ::SetEnvironmentVariableW(
        L"KR_STATION_INI",
        TempIni(L"[Security]\r\nClass1=0\r\nClass9=1\r\nClass4=yes\r\n").c_str());
    ASSERT_EQ(GetTagSecurity(1, 1, &answer), 1);
    EXPECT_EQ(answer, 0);
    ASSERT_EQ(GetTagSecurity(9, 1, &answer), 1);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(GetTagSecurity(4, 1, &answer), 0) << "a value other than 0 or 1 is not an answer";
    EXPECT_EQ(GetTagSecurity(-1, 1, &answer), 0);
    ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
}

} // namespace
