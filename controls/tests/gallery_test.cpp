// Every control bound to a dialog template in its states (normal, alarm colour, locked,
// latched/checked, unavailable "????"), checked on screen and saved as a picture.
#include "BtnST.h"
#include "ColorStaticST.h"
#include "ControlTestSupport.h"
#include "Dialog.h"
#include "LevelButton.h"
#include "MyEdit.h"
#include "MyStatic.h"
#include "Screenshot.h"
#include "TnButton.h"
#include "TnEdit.h"
#include "controls_test_ids.h"

#include <gtest/gtest.h>

#include <string>

using namespace kctl;

namespace {

class GalleryDialog : public kfw::CDialog {
public:
    GalleryDialog() : kfw::CDialog(IDD_GALLERY) {}
    CTnEdit editNormal, editAlarm, editLocked, editUnavailable;
    CTnButton tnNormal, tnLatched, tnLocked, tnColoured;
    CBtnST stIcon, stChecked, stText;
    CLevelBtnST lvOn, lvOff, lvLocked;
    CLevelButton lbCheck, lbLocked;
    CColorStaticST staticColour, staticBlink;
    CMyStatic myStatic;
    CMyEdit myEdit;

protected:
    void DoDataExchange() override {
        const struct {
            kfw::CWnd* wnd;
            UINT id;
        } binds[] = {
            {&editNormal, IDC_G_EDIT_NORMAL},
            {&editAlarm, IDC_G_EDIT_ALARM},
            {&editLocked, IDC_G_EDIT_LOCKED},
            {&editUnavailable, IDC_G_EDIT_UNAVAIL},
            {&tnNormal, IDC_G_TN_NORMAL},
            {&tnLatched, IDC_G_TN_LATCHED},
            {&tnLocked, IDC_G_TN_LOCKED},
            {&tnColoured, IDC_G_TN_COLOURED},
            {&stIcon, IDC_G_ST_ICON},
            {&stChecked, IDC_G_ST_CHECKED},
            {&stText, IDC_G_ST_TEXT},
            {&lvOn, IDC_G_LV_ON},
            {&lvOff, IDC_G_LV_OFF},
            {&lvLocked, IDC_G_LV_LOCKED},
            {&lbCheck, IDC_G_LB_CHECK},
            {&lbLocked, IDC_G_LB_LOCKED},
            {&staticColour, IDC_G_STATIC_COLOUR},
            {&staticBlink, IDC_G_STATIC_BLINK},
            {&myStatic, IDC_G_MYSTATIC},
            {&myEdit, IDC_G_MYEDIT},
        };
        for (const auto& b : binds)
            bound += b.wnd->SubclassDlgItem(b.id, m_hWnd) ? 1 : 0;
    }
    // The faceplate's own colouring: every control except the numeric edits (which the
    // reflection has already answered) sits on the panel colour.
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_CTLCOLORDLG || msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
            ::SetBkColor(reinterpret_cast<HDC>(wp), kPanelColour);
            return reinterpret_cast<LRESULT>(m_panel.get());
        }
        return kfw::CDialog::WindowProc(msg, wp, lp);
    }

public:
    int bound = 0;

private:
    kfw::CBrush m_panel{::CreateSolidBrush(kPanelColour)};
};

// A pixel of a control, in its own client coordinates.
COLORREF At(kfw::CWnd& wnd, int x, int y) {
    return ct::ClientPixel(wnd, x, y);
}

TEST(GalleryTest, EveryControlInItsStates) {
    GalleryDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(dlg.bound, 20);
    ::SetWindowPos(dlg, HWND_TOPMOST, 30, 30, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);

    // Values arrive while no edit has the focus (a focused editable edit keeps its typing).
    ::SetFocus(dlg.myStatic);
    // Edits: editable normal (black), alarm (yellow), locked (grey), unavailable.
    for (CTnEdit* e : {&dlg.editNormal, &dlg.editAlarm, &dlg.editUnavailable}) {
        e->SetMode(kModeReal);
        e->SetRequiredLevel(1);
        e->SetUserLevel(2);
    }
    dlg.editLocked.SetRequiredLevel(3);
    dlg.editLocked.SetUserLevel(2);
    dlg.editNormal.SetText(L"125.50");
    dlg.editAlarm.SetText(L"380.2");
    dlg.editAlarm.SetNormalBackground(kAlarmHighlight);
    dlg.editLocked.SetText(L"12.000");
    dlg.editUnavailable.ShowUnavailable();

    // CTnButton: normal, latched, locked, another face colour.
    for (CTnButton* b : {&dlg.tnNormal, &dlg.tnLatched, &dlg.tnColoured}) {
        b->SetRequiredLevel(1);
        b->SetUserLevel(1);
    }
    dlg.tnLatched.SetLatched(true);
    dlg.tnLocked.SetRequiredLevel(2);
    dlg.tnLocked.SetUserLevel(1);
    dlg.tnColoured.SetFaceColour(RGB(0, 128, 0));
    dlg.tnColoured.SetTextColour(RGB(255, 255, 255));

    // CBtnST: icon buttons (not flat), one checked; a default text button.
    dlg.stIcon.SetIcon(ct::MakeIcon(RGB(0, 0, 255)));
    dlg.stIcon.SetFlat(false);
    dlg.stChecked.SetIcon(ct::MakeIcon(RGB(255, 0, 0)));
    dlg.stChecked.SetFlat(false);
    dlg.stChecked.SetCheck(1);
    dlg.stText.SetBackgroundOutside(kPanelColour);

    // CLevelBtnST switches: on, off, locked.
    for (CLevelBtnST* b : {&dlg.lvOn, &dlg.lvOff}) {
        b->SetFlat(false);
        b->SetRequiredLevel(1);
        b->SetUserLevel(1);
    }
    dlg.lvOn.SetCheckIfChanged(1);
    dlg.lvLocked.SetFlat(false);
    dlg.lvLocked.SetRequiredLevel(0);

    dlg.lbCheck.SetRequiredLevel(1);
    dlg.lbCheck.SetUserLevel(1);
    ::CheckDlgButton(dlg, IDC_G_LB_CHECK, BST_CHECKED);
    dlg.lbLocked.SetRequiredLevel(0);

    dlg.staticColour.SetTextColour(RGB(255, 0, 0));
    dlg.staticColour.SetBackgroundColour(RGB(210, 210, 210));
    dlg.staticBlink.SetBlinkBackgroundColours(RGB(210, 210, 210), RGB(255, 255, 0));
    dlg.staticBlink.StartBackgroundBlink(true, 2);
    ::SendMessageW(dlg.staticBlink, WM_TIMER, kBlinkTimerId, 0); // show the "on" phase

    ::RedrawWindow(dlg, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    kt::PumpAndLog(300);

    EXPECT_EQ(dlg.editNormal.GetText(), L"125.50");
    EXPECT_EQ(At(dlg.editNormal, 75, 2), RGB(0, 0, 0));
    EXPECT_EQ(At(dlg.editAlarm, 75, 2), kAlarmHighlight);
    EXPECT_EQ(At(dlg.editLocked, 75, 2), RGB(210, 210, 210));
    EXPECT_EQ(dlg.editUnavailable.GetText(), L"????");
    EXPECT_EQ(At(dlg.tnNormal, 5, 5), kTnButtonFace);
    EXPECT_EQ(At(dlg.tnLocked, 5, 5), RGB(210, 210, 210));
    EXPECT_EQ(At(dlg.tnColoured, 5, 5), RGB(0, 128, 0));
    EXPECT_EQ(At(dlg.tnLatched, 10, 1), ::GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(At(dlg.staticBlink, 1, 1), RGB(255, 255, 0));
    EXPECT_FALSE(::IsWindowEnabled(dlg.lvLocked));

    // Next to the test's working directory, for a person to look at.
    EXPECT_TRUE(kfw::SaveWindowPng(dlg, L"controls_gallery.png"));
    dlg.DestroyWindow();
}

} // namespace
