// Dialogs from templates, template style replacement, data exchange and key pre-translation.
#include "Dialog.h"
#include "KeyHook.h"
#include "MsgSequence.h"
#include "Text.h"
#include "framework_test_ids.h"

#include <gtest/gtest.h>

using namespace kfw;

namespace {

constexpr int kPreTranslateId = 99; // recorder id of the pre-translation entries

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(IDD_TEST) {}
    CWnd edit1;
    bool initSawBoundEdit = false;
    bool swallowF5 = false;

protected:
    void DoDataExchange() override { edit1.SubclassDlgItem(IDC_EDIT1, m_hWnd); }
    BOOL OnInitDialog() override {
        initSawBoundEdit = CWnd::FromHandle(GetDlgItem(IDC_EDIT1)) == &edit1;
        return FALSE;
    }
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN) {
            kt::MsgLog::Get().Add({msg->message, kt::sent, msg->wParam, 0, kPreTranslateId});
            return swallowF5 && msg->wParam == VK_F5;
        }
        return false;
    }
};

TEST(DialogTest, ModelessFromTemplateBindsControlsInDataExchange) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_TRUE(dlg.initSawBoundEdit);
    EXPECT_EQ(CWnd::FromHandle(dlg.m_hWnd), &dlg);
    EXPECT_EQ(GetWindowTextW(dlg.m_hWnd), L"测试对话框");
    EXPECT_TRUE(KeyHook::Installed());
    dlg.DestroyWindow();
    EXPECT_FALSE(KeyHook::Installed());
    EXPECT_EQ(dlg.edit1.m_hWnd, nullptr);
}

TEST(DialogTest, MissingTemplateFailsCleanly) {
    CDialog dlg(4321);
    EXPECT_FALSE(dlg.Create(nullptr));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_TRUE(CDialog::LoadTemplate(ThisModule(), 4321).empty());
}

TEST(DialogTest, TemplateStyleIsReplacedByTheCallers) {
    for (UINT id : {IDD_TEST, IDD_PLAIN}) {
        std::vector<BYTE> tmpl = CDialog::LoadTemplate(ThisModule(), id);
        ASSERT_FALSE(tmpl.empty());
        EXPECT_EQ(CDialog::IsExtendedTemplate(tmpl), id == IDD_TEST);
        const DWORD style = WS_POPUP | WS_VISIBLE | DS_3DLOOK | DS_SETFONT;
        ASSERT_TRUE(CDialog::SetTemplateStyle(tmpl, style, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST));
        EXPECT_EQ(CDialog::GetTemplateStyle(tmpl), style);
        CDialog dlg;
        ASSERT_TRUE(dlg.CreateIndirect(tmpl, nullptr));
        DWORD actual = static_cast<DWORD>(::GetWindowLongW(dlg.m_hWnd, GWL_STYLE));
        EXPECT_TRUE(actual & WS_VISIBLE);
        EXPECT_FALSE(actual & WS_CAPTION) << "the template's caption style must be gone";
        EXPECT_TRUE(::GetWindowLongW(dlg.m_hWnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
        EXPECT_TRUE(::GetWindowLongW(dlg.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    }
}

TEST(DialogTest, PreTranslationSeesKeyDownBeforeTheFocusedControl) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.ShowWindow(SW_SHOW);
    HWND edit = dlg.GetDlgItem(IDC_EDIT1);
    ::SetFocus(edit);
    kt::MsgLog& log = kt::MsgLog::Get();
    log.Clear();
    log.RecordOnly({WM_KEYDOWN, WM_APP});
    kt::MsgRecorder rec(edit, IDC_EDIT1);
    ::PostMessageW(edit, WM_KEYDOWN, 'A', 0);
    dlg.swallowF5 = true;
    ::PostMessageW(edit, WM_KEYDOWN, VK_F5, 0);
    kt::MarkAndPump(edit);
    EXPECT_SEQUENCE({
        {WM_APP, kt::sent | kt::id, 0, 0, IDC_EDIT1},
        {WM_KEYDOWN, kt::sent | kt::wparam | kt::id, 'A', 0, kPreTranslateId},
        // The dialog manager (IsDialogMessage in the hook) hands it on to the control.
        {WM_KEYDOWN, kt::sent | kt::wparam | kt::id, 'A', 0, IDC_EDIT1},
        // Swallowed: the control never gets it.
        {WM_KEYDOWN, kt::sent | kt::wparam | kt::id, VK_F5, 0, kPreTranslateId},
    });
    log.RecordOnly({});
    rec.Detach();
    dlg.DestroyWindow();
}

TEST(DialogTest, TabMovesFocusInAModelessDialogWithoutTheHostsHelp) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.ShowWindow(SW_SHOW);
    ::SetForegroundWindow(dlg.m_hWnd);
    HWND edit1 = dlg.GetDlgItem(IDC_EDIT1);
    HWND edit2 = dlg.GetDlgItem(IDC_EDIT2);
    ::SetFocus(edit1);
    ASSERT_EQ(::GetFocus(), edit1);
    // A plain loop like the host's: no IsDialogMessage of its own.
    ::PostMessageW(edit1, WM_KEYDOWN, VK_TAB, 0);
    kt::PumpAndLog();
    EXPECT_EQ(::GetFocus(), edit2);
    dlg.DestroyWindow();
}

class ModalDialog : public CDialog {
public:
    ModalDialog() : CDialog(IDD_PLAIN) {}

protected:
    BOOL OnInitDialog() override {
        ::PostMessageW(m_hWnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
};

TEST(DialogTest, ModalDialogEndsWithOk) {
    ModalDialog dlg;
    EXPECT_EQ(dlg.DoModal(nullptr), IDOK);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

} // namespace
