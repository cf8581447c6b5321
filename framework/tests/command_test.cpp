// Typed message handlers and command routes on a real dialog: what real controls send arrives
// with its real arguments, a route takes exactly its ids and code, the rest goes on unchanged.
#include "CommandRoute.h"
#include "Dialog.h"
#include "framework_test_ids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kfw;

namespace {

constexpr UINT_PTR kTimerId = 42;
constexpr int kNotifyId = 7;
constexpr LRESULT kNotifyResult = 1234;

struct Call {
    std::string what;
    int id;
    HWND ctl;
    bool operator==(const Call& o) const { return what == o.what && id == o.id && ctl == o.ctl; }
};

bool OnlyEdit2(int id) {
    return id == IDC_EDIT2;
}

class RoutedDialog : public CDialog {
public:
    RoutedDialog() : CDialog(IDD_TEST) {}
    std::vector<Call> calls;
    HBRUSH brush = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));

    void OnButton() { calls.push_back({"button", IDC_BUTTON, nullptr}); }
    void OnEditChange(int id, HWND ctl) { calls.push_back({"change", id, ctl}); }
    void OnEdit2Focus(int id, HWND ctl) { calls.push_back({"focus", id, ctl}); }

protected:
    bool OnCommand(int id, int code, HWND ctl) override {
        using Route = CommandRoute<RoutedDialog>;
        static constexpr Route kRoutes[] = {
            Route::Id(BN_CLICKED, IDC_BUTTON, &RoutedDialog::OnButton),
            Route::Range(EN_CHANGE, IDC_EDIT1, IDC_EDIT2, &RoutedDialog::OnEditChange),
            Route::Table(EN_SETFOCUS, &OnlyEdit2, &RoutedDialog::OnEdit2Focus),
        };
        if (RouteCommand(*this, kRoutes, id, code, ctl) || CDialog::OnCommand(id, code, ctl))
            return true;
        if (code == EN_CHANGE || code == EN_SETFOCUS || code == BN_CLICKED)
            calls.push_back({"unrouted", id, ctl});
        return false;
    }
    bool OnTimer(UINT_PTR id) override {
        if (id != kTimerId)
            return false;
        KillTimer(id);
        calls.push_back({"timer", static_cast<int>(id), nullptr});
        return true;
    }
    bool OnNotify(int id, NMHDR* hdr, LRESULT* result) override {
        calls.push_back({"notify", id, hdr->hwndFrom});
        *result = kNotifyResult;
        return true;
    }
    HBRUSH OnCtlColor(HDC, HWND ctl, UINT msg) override {
        return msg == WM_CTLCOLOREDIT && ::GetDlgCtrlID(ctl) == IDC_EDIT2 ? brush : nullptr;
    }
    void OnOK() override { calls.push_back({"ok", IDOK, nullptr}); }
    void OnCancel() override { calls.push_back({"cancel", IDCANCEL, nullptr}); }
};

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create(nullptr));
        dlg.ShowWindow(SW_SHOW);
        Pump();
        dlg.calls.clear();
    }
    void TearDown() override { dlg.DestroyWindow(); }
    HWND Item(int id) const { return dlg.GetDlgItem(id); }
    RoutedDialog dlg;
};

TEST_F(CommandTest, ControlsReachTheirRoutesWithIdAndWindow) {
    ::SendMessageW(Item(IDC_BUTTON), BM_CLICK, 0, 0);
    ::SetWindowTextW(Item(IDC_EDIT2), L"12.5");
    ::SetWindowTextW(Item(IDC_EDIT1), L"7");
    ::SetFocus(Item(IDC_EDIT1)); // EN_SETFOCUS of edit 1: not in the table
    ::SetFocus(Item(IDC_EDIT2));
    Pump();
    std::vector<Call> expected = {
        {"button", IDC_BUTTON, nullptr},        {"change", IDC_EDIT2, Item(IDC_EDIT2)},
        {"change", IDC_EDIT1, Item(IDC_EDIT1)}, {"unrouted", IDC_EDIT1, Item(IDC_EDIT1)},
        {"focus", IDC_EDIT2, Item(IDC_EDIT2)},
    };
    EXPECT_EQ(dlg.calls, expected);
}

TEST_F(CommandTest, ARouteTakesOnlyItsCodeAndItsIds) {
    // A click code from an edit's id, and a change code from an id outside the range.
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_EDIT1, BN_CLICKED),
                    reinterpret_cast<LPARAM>(Item(IDC_EDIT1)));
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_STATIC1, EN_CHANGE),
                    reinterpret_cast<LPARAM>(Item(IDC_STATIC1)));
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_EDIT2 + 1, EN_CHANGE), 0);
    std::vector<Call> expected = {
        {"unrouted", IDC_EDIT1, Item(IDC_EDIT1)},
        {"unrouted", IDC_STATIC1, Item(IDC_STATIC1)},
        {"unrouted", IDC_EDIT2 + 1, nullptr},
    };
    EXPECT_EQ(dlg.calls, expected);
}

TEST_F(CommandTest, OkAndCancelComeFromClicksAndKeysButNotOtherCodes) {
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, 0), 0); // Enter, or an accelerator
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                    reinterpret_cast<LPARAM>(Item(IDC_BUTTON)));
    // A control that happens to have id 1 and sends something else is not OK.
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, EN_CHANGE),
                    reinterpret_cast<LPARAM>(Item(IDC_EDIT1)));
    std::vector<Call> expected = {
        {"ok", IDOK, nullptr},
        {"cancel", IDCANCEL, nullptr},
        {"unrouted", IDOK, Item(IDC_EDIT1)},
    };
    EXPECT_EQ(dlg.calls, expected);
}

TEST_F(CommandTest, TimerNotifyAndColourHandlersGetTheirArguments) {
    ASSERT_NE(dlg.SetTimer(kTimerId, 10), 0u);
    for (int i = 0; i < 100 && dlg.calls.empty(); ++i) {
        ::Sleep(10);
        Pump();
    }
    ASSERT_EQ(dlg.calls.size(), 1u);
    EXPECT_EQ(dlg.calls[0], (Call{"timer", static_cast<int>(kTimerId), nullptr}));

    NMHDR hdr{Item(IDC_EDIT1), static_cast<UINT_PTR>(kNotifyId), 99};
    EXPECT_EQ(dlg.SendMessage(WM_NOTIFY, kNotifyId, reinterpret_cast<LPARAM>(&hdr)), kNotifyResult);
    EXPECT_EQ(dlg.calls.back(), (Call{"notify", kNotifyId, Item(IDC_EDIT1)}));

    // The brush reaches the edit that asked; the other edit gets the system's default.
    HDC dc = ::GetDC(Item(IDC_EDIT2));
    auto asked = [&](int id) {
        return reinterpret_cast<HBRUSH>(dlg.SendMessage(
            WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Item(id))));
    };
    EXPECT_EQ(asked(IDC_EDIT2), dlg.brush);
    HBRUSH other = asked(IDC_EDIT1);
    EXPECT_NE(other, dlg.brush);
    EXPECT_NE(other, nullptr);
    ::ReleaseDC(Item(IDC_EDIT2), dc);
}

} // namespace
