// The confirmation dialog found, typed into and answered from a second thread as an operator
// would; closed by CloseDialog from the dialog's own thread and from another; unattended
// answers; tag security from the configuration.
#include "KrConfirm.h"
#include "KrConfirmIds.h"
#include "KrToolkit.h"
#include "Screenshot.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace {

constexpr UINT kGbk = 936;
constexpr DWORD kFindTimeoutMs = 5000;

std::string Gbk(const wchar_t* text) {
    return kfw::Narrow(text, kGbk);
}

BOOL CALLBACK IsConfirmDialog(HWND hwnd, LPARAM lp) {
    if (::IsWindowVisible(hwnd) && ::GetDlgItem(hwnd, IDC_KRC_REASON)) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The visible confirmation dialog of a thread, or null after the time-out.
HWND FindConfirm(DWORD thread, DWORD timeoutMs = kFindTimeoutMs) {
    const DWORD start = ::GetTickCount();
    do {
        HWND found = nullptr;
        ::EnumThreadWindows(thread, &IsConfirmDialog, reinterpret_cast<LPARAM>(&found));
        if (found)
            return found;
        ::Sleep(20);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

void TypeText(HWND edit, const wchar_t* text) {
    for (const wchar_t* p = text; *p; ++p)
        ::SendMessageW(edit, WM_CHAR, *p, 1);
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

class ConfirmTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetACP(), kGbk) << "run with LC_ALL=zh_CN.UTF-8";
        m_owner = ::CreateWindowExW(0, L"STATIC", L"faceplate", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                    300, 300, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_owner, nullptr);
        m_ui = ::GetCurrentThreadId();
    }
    void TearDown() override {
        if (m_driver.joinable())
            m_driver.join();
        ::DestroyWindow(m_owner);
        ::SetEnvironmentVariableW(L"KR_CONFIRM_AUTO", nullptr);
        ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
    }
    // Runs the operator's part on a second thread while the UI thread shows the dialog.
    void Drive(std::function<void(HWND dlg)> operatorActs) {
        m_driver = std::thread([this, operatorActs] {
            HWND dlg = FindConfirm(m_ui);
            m_found = dlg != nullptr;
            if (dlg)
                operatorActs(dlg);
        });
    }
    int Show(const RECT* rect, const char* user, const char* message) {
        int result = ShowConfirmDlg(rect, 0, user, message, &m_reason, &m_accepted, m_owner);
        if (m_driver.joinable())
            m_driver.join();
        return result;
    }

    HWND m_owner = nullptr;
    DWORD m_ui = 0;
    std::thread m_driver;
    std::atomic<bool> m_found{false};
    CKrString m_reason{"stale"};
    int m_accepted = -1;
};

TEST_F(ConfirmTest, AcceptedWithATypedChineseReason) {
    std::wstring userShown, messageShown, captionShown;
    bool ownerDisabled = false;
    bool shotSaved = false;
    HWND ownerOfDialog = nullptr;
    RECT placed{};
    Drive([&](HWND dlg) {
        ::Sleep(200);
        userShown = kfw::GetWindowTextW(::GetDlgItem(dlg, IDC_KRC_USER));
        messageShown = kfw::GetWindowTextW(::GetDlgItem(dlg, IDC_KRC_MESSAGE));
        captionShown = kfw::GetWindowTextW(dlg);
        ownerDisabled = !::IsWindowEnabled(m_owner);
        ownerOfDialog = ::GetWindow(dlg, GW_OWNER);
        ::GetWindowRect(dlg, &placed);
        TypeText(::GetDlgItem(dlg, IDC_KRC_REASON), L"工艺调整");
        ::Sleep(300); // let it paint
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring shot = exe;
        shot = shot.substr(0, shot.find_last_of(L'\\')) + L"\\..\\krconfirm_dialog.png";
        shotSaved = kfw::SaveWindowPng(dlg, shot.c_str());
        ::SendMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    });
    RECT faceplate{300, 300, 700, 600};
    std::string message = Gbk(L"确认将 BAL1.FTTLSET 由 12.50000 修改为 13.00000 吗？");
    ASSERT_EQ(Show(&faceplate, Gbk(L"张工").c_str(), message.c_str()), 1);
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
}

TEST_F(ConfirmTest, CancelledGivesNoAnswerAndNoReason) {
    Drive([&](HWND dlg) {
        TypeText(::GetDlgItem(dlg, IDC_KRC_REASON), L"abc");
        ::SendMessageW(::GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
    });
    ASSERT_EQ(Show(nullptr, "op", "Switch off?"), 1);
    EXPECT_TRUE(m_found);
    EXPECT_EQ(m_accepted, 0);
    EXPECT_TRUE(m_reason.IsEmpty()) << "a cancelled change keeps no reason";
}

TEST_F(ConfirmTest, EmptyReasonIsAValidAnswer) {
    Drive([&](HWND dlg) { ::SendMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0); });
    ASSERT_EQ(Show(nullptr, nullptr, "OK?"), 1);
    EXPECT_EQ(m_accepted, 1);
    EXPECT_TRUE(m_reason.IsEmpty());
}

TEST_F(ConfirmTest, KeptOnTheScreenNearTheEdge) {
    RECT placed{};
    RECT work{};
    Drive([&](HWND dlg) {
        ::GetWindowRect(dlg, &placed);
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        ::GetMonitorInfoW(::MonitorFromWindow(dlg, MONITOR_DEFAULTTONEAREST), &mi);
        work = mi.rcWork;
        ::SendMessageW(::GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
    });
    RECT corner{work.right + 5000, 5000, 6000, 6000};
    ASSERT_EQ(Show(&corner, "op", "edge"), 1);
    EXPECT_GE(placed.left, work.left);
    EXPECT_GE(placed.top, work.top);
    EXPECT_LE(placed.right, work.right);
    EXPECT_LE(placed.bottom, work.bottom);
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
    Drive([&](HWND dlg) { TypeText(::GetDlgItem(dlg, IDC_KRC_REASON), L"typed"); });
    ::SetTimer(nullptr, 0, 500, &CloseFromTimer);
    ASSERT_EQ(Show(nullptr, "op", "close me"), 1);
    EXPECT_TRUE(m_found);
    EXPECT_EQ(g_closeResult, 1);
    EXPECT_EQ(m_accepted, 0);
    EXPECT_TRUE(m_reason.IsEmpty());
    EXPECT_EQ(FindConfirm(m_ui, 0), nullptr);
}

TEST_F(ConfirmTest, CloseDialogFromAnotherThread) {
    std::atomic<int> result{-1};
    Drive([&](HWND) { result = CloseDialog(); });
    ASSERT_EQ(Show(nullptr, "op", "close me"), 1);
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
    EXPECT_EQ(FindConfirm(m_ui, 0), nullptr);
}

TEST_F(ConfirmTest, UnattendedAnswersStillShowTheRealDialog) {
    ::SetEnvironmentVariableW(L"KR_STATION_INI",
                              TempIni(L"[Confirm]\r\nAutoDelayMs=100\r\n").c_str());
    ::SetEnvironmentVariableW(L"KR_CONFIRM_AUTO", L"accept:自动确认");
    std::wstring typed;
    Drive([&](HWND dlg) {
        const DWORD start = ::GetTickCount();
        while (typed.empty() && ::GetTickCount() - start < kFindTimeoutMs && ::IsWindow(dlg)) {
            typed = kfw::GetWindowTextW(::GetDlgItem(dlg, IDC_KRC_REASON));
            ::Sleep(10);
        }
    });
    ASSERT_EQ(Show(nullptr, "op", "auto"), 1);
    EXPECT_TRUE(m_found);
    EXPECT_EQ(typed, L"自动确认") << "the reason is typed into the dialog";
    EXPECT_EQ(m_accepted, 1);
    EXPECT_EQ(std::string(m_reason), Gbk(L"自动确认"));

    ::SetEnvironmentVariableW(L"KR_CONFIRM_AUTO", L"cancel");
    Drive([](HWND) {});
    ASSERT_EQ(Show(nullptr, "op", "auto"), 1);
    EXPECT_TRUE(m_found);
    EXPECT_EQ(m_accepted, 0);

    // From the ini file when the environment says nothing.
    ::SetEnvironmentVariableW(L"KR_CONFIRM_AUTO", nullptr);
    ::SetEnvironmentVariableW(
        L"KR_STATION_INI",
        TempIni(L"[Confirm]\r\nAutoAnswer=accept\r\nAutoReason=批量测试\r\nAutoDelayMs=50\r\n")
            .c_str());
    Drive([](HWND) {});
    ASSERT_EQ(Show(nullptr, "op", "auto"), 1);
    EXPECT_EQ(m_accepted, 1);
    EXPECT_EQ(std::string(m_reason), Gbk(L"批量测试"));
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
