// CTnButton, CBtnST, CLevelBtnST and CLevelButton: rights, notification order, latching, check
// state, pointer tracking and drawing.
#include "BtnST.h"
#include "ControlTestSupport.h"
#include "LevelButton.h"
#include "TnButton.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

using namespace kctl;
using namespace ct::seq;

namespace {

constexpr int kButtonId = 201;
constexpr int kOtherId = 202;
constexpr LPARAM kInside = MAKELPARAM(10, 8);

COLORREF Sys(int index) {
    return ::GetSysColor(index);
}

// Clicks with real mouse messages, as the system delivers them to the button.
void Click(HWND button) {
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    ::SendMessageW(button, WM_LBUTTONUP, 0, kInside);
}

bool NeedsRepaint(HWND hwnd) {
    return ::GetUpdateRect(hwnd, nullptr, FALSE) != FALSE;
}

// ---- CTnButton ----

class TnButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_hwnd = ct::CreateChild(m_parent.hwnd(), L"BUTTON", L"手动", BS_PUSHBUTTON | WS_TABSTOP,
                                 kButtonId, 10, 10, 80, 26);
        m_other =
            ct::CreateChild(m_parent.hwnd(), L"EDIT", L"", WS_BORDER, kOtherId, 10, 60, 80, 22);
        ASSERT_TRUE(m_button.SubclassWindow(m_hwnd));
        m_recorder.Attach(m_hwnd, 1);
    }
    void TearDown() override { m_recorder.Detach(); }
    kt::LoggingParent m_parent;
    HWND m_hwnd = nullptr;
    HWND m_other = nullptr;
    CTnButton m_button;
    kt::MsgRecorder m_recorder;
};

TEST_F(TnButtonTest, AttachingMakesItOwnerDrawn) {
    EXPECT_EQ(::GetWindowLongW(m_hwnd, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
}

TEST_F(TnButtonTest, RequiredLevelZeroStaysDisabled) {
    m_button.SetRequiredLevel(0);
    for (WORD level : {0, 1, 3, 65535}) {
        m_button.SetUserLevel(level);
        m_button.SetEnablePreference(true);
        EXPECT_FALSE(::IsWindowEnabled(m_hwnd)) << level;
        EXPECT_TRUE(m_button.IsLocked()) << level;
    }
}

TEST_F(TnButtonTest, UserLevelAgainstRequiredLevel) {
    m_button.SetRequiredLevel(2);
    m_button.SetUserLevel(1);
    EXPECT_FALSE(::IsWindowEnabled(m_hwnd));
    m_button.SetUserLevel(2);
    EXPECT_TRUE(::IsWindowEnabled(m_hwnd));
    m_button.SetEnablePreference(false);
    EXPECT_FALSE(::IsWindowEnabled(m_hwnd));
    m_button.SetEnablePreference(true);
    EXPECT_TRUE(::IsWindowEnabled(m_hwnd));
    m_button.SetRequiredLevel(3); // takes effect at once
    EXPECT_FALSE(::IsWindowEnabled(m_hwnd));
}

TEST_F(TnButtonTest, ClickNotifiesBeforeTheQueuedPressAndRelease) {
    m_button.SetRequiredLevel(1);
    m_button.SetUserLevel(1);
    ct::StartLog(
        {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_COMMAND, WM_APP, WM_CTRL_INTERACT, WM_BUTTON_RELEASED});
    Click(m_hwnd);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_LBUTTONDOWN, sent | kId, 0, 0, 1},
        {WM_LBUTTONUP, sent | kId, 0, 0, 1},
        {WM_COMMAND, sent | parent | wparam | lparam, MAKEWPARAM(kButtonId, BN_CLICKED),
         reinterpret_cast<LPARAM>(m_hwnd)},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 1, 0},
        {WM_BUTTON_RELEASED, posted | parent | wparam | lparam, kButtonId,
         reinterpret_cast<LPARAM>(m_hwnd)},
        // Another program's window taking the activation ends the interaction.
        {WM_CTRL_INTERACT, posted | parent | wparam | optional, 0},
    });
}

TEST_F(TnButtonTest, LockedButtonSwallowsThePress) {
    m_button.SetRequiredLevel(2);
    m_button.SetUserLevel(1);
    ct::StartLog(
        {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_COMMAND, WM_APP, WM_CTRL_INTERACT, WM_BUTTON_RELEASED});
    ::SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    EXPECT_EQ(::SendMessageW(m_hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED, 0); // no pressed look
    ::SendMessageW(m_hwnd, WM_LBUTTONUP, 0, kInside);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_LBUTTONDOWN, sent | kId, 0, 0, 1},
        {WM_LBUTTONUP, sent | kId, 0, 0, 1},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 1, 0},
        {WM_BUTTON_RELEASED, posted | parent | wparam, kButtonId},
    });
}

TEST_F(TnButtonTest, FocusLostPostsInteractionEnd) {
    m_button.SetRequiredLevel(1);
    m_button.SetUserLevel(1);
    ::SetFocus(m_hwnd);
    kt::PumpAndLog();
    ct::StartLog({WM_KILLFOCUS, WM_APP, WM_CTRL_INTERACT, WM_BUTTON_RELEASED});
    ::SetFocus(m_other);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_KILLFOCUS, sent | kId, 0, 0, 1},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 0, 0},
    });
}

TEST_F(TnButtonTest, SetLatchedRepaintsOnlyOnChange) {
    ::UpdateWindow(m_hwnd);
    ::ValidateRect(m_hwnd, nullptr);
    m_button.SetLatched(false);
    EXPECT_FALSE(NeedsRepaint(m_hwnd));
    m_button.SetLatched(true);
    EXPECT_TRUE(m_button.IsLatched());
    EXPECT_TRUE(NeedsRepaint(m_hwnd));
    ::ValidateRect(m_hwnd, nullptr);
    m_button.SetLatched(true);
    EXPECT_FALSE(NeedsRepaint(m_hwnd));
}

// Drawing goes through the reflected WM_DRAWITEM, so the parent is bound to the framework.
class ButtonDrawTest : public ::testing::Test {
protected:
    HWND Add(kfw::CWnd& control, const wchar_t* text, DWORD style, int id, int x, int y, int w,
             int h) {
        HWND hwnd = ct::CreateChild(m_parent.hwnd(), L"BUTTON", text, style, id, x, y, w, h);
        EXPECT_TRUE(control.SubclassWindow(hwnd));
        ::InvalidateRect(hwnd, nullptr, TRUE);
        return hwnd;
    }
    ct::ReflectingParent m_parent;
};

TEST_F(ButtonDrawTest, TnButtonFaceOutlineAndBevel) {
    CTnButton plain, latched, disabled;
    HWND a = Add(plain, L"", BS_PUSHBUTTON, 1, 10, 10, 60, 24);
    HWND b = Add(latched, L"", BS_PUSHBUTTON, 2, 80, 10, 60, 24);
    HWND c = Add(disabled, L"", BS_PUSHBUTTON, 3, 150, 10, 60, 24);
    for (CTnButton* btn : {&plain, &latched}) {
        btn->SetRequiredLevel(1);
        btn->SetUserLevel(1);
    }
    latched.SetLatched(true);
    disabled.SetRequiredLevel(0);

    // Raised: outline, then highlight at the top left and dark shadow at the bottom right.
    EXPECT_EQ(ct::ClientPixel(a, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(ct::ClientPixel(a, 59, 23), RGB(0, 0, 0));
    EXPECT_EQ(ct::ClientPixel(a, 10, 1), Sys(COLOR_3DHILIGHT));
    EXPECT_EQ(ct::ClientPixel(a, 10, 3), Sys(COLOR_3DLIGHT));
    EXPECT_EQ(ct::ClientPixel(a, 10, 21), Sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(ct::ClientPixel(a, 10, 12), kTnButtonFace);
    // Latched: sunken without being pressed.
    EXPECT_EQ(ct::ClientPixel(b, 10, 1), Sys(COLOR_3DSHADOW));
    EXPECT_EQ(ct::ClientPixel(b, 10, 2), Sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(ct::ClientPixel(b, 10, 22), Sys(COLOR_3DHILIGHT));
    EXPECT_EQ(ct::ClientPixel(b, 10, 12), kTnButtonFace);
    // Disabled: the panel colour, and the rectangle is not shrunk before the bevel.
    EXPECT_EQ(ct::ClientPixel(c, 10, 12), RGB(210, 210, 210));
    EXPECT_EQ(ct::ClientPixel(c, 10, 0), Sys(COLOR_3DHILIGHT));

    plain.SetFaceColour(RGB(0, 128, 0));
    EXPECT_EQ(ct::ClientPixel(a, 10, 12), RGB(0, 128, 0));
}

TEST_F(ButtonDrawTest, TnButtonTextColourFollowsTheState) {
    CTnButton enabled, disabled;
    HWND a = Add(enabled, L"WWWW", BS_PUSHBUTTON, 1, 10, 10, 60, 24);
    HWND b = Add(disabled, L"WWWW", BS_PUSHBUTTON, 2, 80, 10, 60, 24);
    enabled.SetRequiredLevel(1);
    enabled.SetUserLevel(1);
    enabled.SetTextColour(RGB(0, 0, 255));
    disabled.SetRequiredLevel(0);
    // Smoothed text reaches its full colour only in the cores of wide strokes: the text has a
    // colour when some pixel lies far nearer to it than the face does.
    auto distance = [](COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
               std::abs(GetBValue(a) - GetBValue(b));
    };
    auto hasColour = [&](HWND hwnd, COLORREF colour, COLORREF face) {
        const ct::Picture p = ct::ClientPicture(hwnd);
        int nearest = INT_MAX;
        for (int x = 4; x < 56; ++x)
            for (int y = 4; y < 20; ++y)
                nearest = std::min(nearest, distance(p.At(x, y), colour));
        return nearest * 2 < distance(face, colour);
    };
    EXPECT_TRUE(hasColour(a, RGB(0, 0, 255), kTnButtonFace));
    EXPECT_TRUE(hasColour(b, kTnButtonDisabledText, kPanelColour));
    EXPECT_FALSE(hasColour(b, RGB(0, 0, 255), kPanelColour));
}

// ---- CBtnST ----

TEST_F(ButtonDrawTest, CheckedBtnSTIsDrawnPressedWithTheInsideColours) {
    CBtnST flat, raised;
    HWND a = Add(flat, L"", BS_PUSHBUTTON, 1, 10, 10, 30, 30);
    HWND b = Add(raised, L"", BS_PUSHBUTTON, 2, 50, 10, 30, 30);
    EXPECT_EQ(::GetWindowLongW(a, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    raised.SetFlat(false);
    for (CBtnST* btn : {&flat, &raised}) {
        btn->SetBackgroundInside(RGB(255, 0, 0));
        btn->SetBackgroundOutside(RGB(0, 0, 255));
    }
    // Flat and not hovering: no border at all.
    EXPECT_EQ(ct::ClientPixel(a, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(ct::ClientPixel(a, 15, 15), RGB(0, 0, 255));
    // Not flat: a raised two-pixel bevel.
    EXPECT_EQ(ct::ClientPixel(b, 0, 0), Sys(COLOR_3DHILIGHT));
    EXPECT_EQ(ct::ClientPixel(b, 1, 1), Sys(COLOR_3DLIGHT));
    EXPECT_EQ(ct::ClientPixel(b, 29, 29), Sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(ct::ClientPixel(b, 28, 28), Sys(COLOR_3DSHADOW));

    flat.SetCheck(1);
    raised.SetCheck(1);
    EXPECT_EQ(flat.GetCheck(), 1);
    EXPECT_EQ(::SendMessageW(a, BM_GETCHECK, 0, 0), 1);
    // Pressed and flat: sunken 3D rectangle; pressed and not flat: a shadow frame.
    EXPECT_EQ(ct::ClientPixel(a, 0, 0), Sys(COLOR_3DSHADOW));
    EXPECT_EQ(ct::ClientPixel(a, 29, 29), Sys(COLOR_3DHILIGHT));
    EXPECT_EQ(ct::ClientPixel(a, 15, 15), RGB(255, 0, 0));
    EXPECT_EQ(ct::ClientPixel(b, 29, 29), Sys(COLOR_3DSHADOW));
    EXPECT_EQ(ct::ClientPixel(b, 15, 15), RGB(255, 0, 0));
}

TEST_F(ButtonDrawTest, BtnSTIconNaturalSizeAndPressedVariant) {
    CBtnST button;
    HWND a = Add(button, L"", BS_PUSHBUTTON, 1, 10, 10, 40, 40);
    button.SetBackgroundOutside(RGB(0, 0, 255));
    button.SetBackgroundInside(RGB(0, 0, 255));
    EXPECT_TRUE(button.SetIcon(ct::MakeIcon(RGB(255, 0, 0), 16), ct::MakeIcon(RGB(0, 255, 0), 32)));
    EXPECT_EQ(button.GetIconSize(0).cx, 16);
    EXPECT_EQ(button.GetIconSize(0).cy, 16);
    EXPECT_EQ(button.GetIconSize(1).cx, 32);
    // Centred: (40 - 16) / 2 = 12.
    EXPECT_EQ(ct::ClientPixel(a, 12, 12), RGB(255, 0, 0));
    EXPECT_EQ(ct::ClientPixel(a, 27, 27), RGB(255, 0, 0));
    EXPECT_EQ(ct::ClientPixel(a, 11, 11), RGB(0, 0, 255));
    button.SetCheck(1); // the second icon, one pixel lower and to the right
    EXPECT_EQ(ct::ClientPixel(a, 5, 5), RGB(0, 255, 0));
    EXPECT_EQ(ct::ClientPixel(a, 4, 4), RGB(0, 0, 255));
    EXPECT_FALSE(button.SetIcon(65000u)); // no such icon resource
    EXPECT_EQ(button.GetIcon(), nullptr);
}

TEST_F(ButtonDrawTest, DefaultBtnSTGetsABlackFrame) {
    CBtnST button;
    HWND a = Add(button, L"详细", BS_DEFPUSHBUTTON, 1, 10, 10, 60, 24);
    EXPECT_TRUE(button.IsDefault());
    button.SetBackgroundOutside(RGB(0, 0, 255));
    EXPECT_EQ(ct::ClientPixel(a, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(ct::ClientPixel(a, 1, 1), RGB(0, 0, 255));
}

TEST_F(ButtonDrawTest, BtnSTAnswersTheColourRequestWithAHollowBrush) {
    CBtnST st;
    CLevelBtnST level;
    HWND a = Add(st, L"", BS_PUSHBUTTON, 1, 10, 10, 30, 30);
    HWND b = Add(level, L"", BS_PUSHBUTTON, 2, 50, 10, 30, 30);
    kfw::CMemoryDC dc(::CreateCompatibleDC(nullptr));
    for (HWND h : {a, b})
        EXPECT_EQ(::SendMessageW(m_parent.hwnd(), WM_CTLCOLORBTN,
                                 reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(h)),
                  reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(level.GetBackgroundInside(), RGB(210, 210, 210));
    EXPECT_EQ(level.GetBackgroundOutside(), RGB(210, 210, 210));
    EXPECT_EQ(ct::ClientPixel(b, 15, 15), RGB(210, 210, 210));
}

// Both kinds of owner-drawn button draw off-screen and leave the caller's context as it was.
TEST_F(ButtonDrawTest, DrawingLeavesTheCallersContextAsItWas) {
    CTnButton tn;
    CBtnST st;
    HWND a = Add(tn, L"手动", BS_PUSHBUTTON, 1, 10, 10, 60, 24);
    HWND b = Add(st, L"详细", BS_PUSHBUTTON, 2, 80, 10, 60, 24);
    tn.SetRequiredLevel(1);
    tn.SetUserLevel(1);
    st.SetBackgroundOutside(RGB(0, 0, 255));
    for (HWND h : {a, b}) {
        kfw::CWindowDC screen(nullptr);
        kfw::CMemoryDC dc(::CreateCompatibleDC(screen));
        kfw::CBitmap bmp(::CreateCompatibleBitmap(screen, 60, 24));
        kfw::CSelectObject selBmp(dc, bmp);
        kfw::CFont font(
            ::CreateFontW(20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"System"));
        kfw::CSelectObject selFont(dc, font);
        ::SetTextColor(dc, RGB(1, 2, 3));
        ::SetBkColor(dc, RGB(4, 5, 6));
        ::SetBkMode(dc, OPAQUE);
        const HGDIOBJ before[] = {
            ::GetCurrentObject(dc, OBJ_FONT), ::GetCurrentObject(dc, OBJ_BITMAP),
            ::GetCurrentObject(dc, OBJ_BRUSH), ::GetCurrentObject(dc, OBJ_PEN)};
        DRAWITEMSTRUCT dis{ODT_BUTTON, static_cast<UINT>(::GetDlgCtrlID(h)),
                           0,          ODA_DRAWENTIRE,
                           0,          h,
                           dc,         RECT{0, 0, 60, 24},
                           0};
        EXPECT_EQ(
            ::SendMessageW(m_parent.hwnd(), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis)),
            TRUE);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), before[0]);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), before[1]);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), before[2]);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), before[3]);
        EXPECT_EQ(::GetTextColor(dc), RGB(1, 2, 3));
        EXPECT_EQ(::GetBkColor(dc), RGB(4, 5, 6));
        EXPECT_EQ(::GetBkMode(dc), OPAQUE);
        POINT org{};
        ::GetWindowOrgEx(dc, &org);
        EXPECT_EQ(org.x, 0);
        // The picture arrived in the caller's bitmap.
        EXPECT_EQ(::GetPixel(dc, 5, 12), h == a ? kTnButtonFace : RGB(0, 0, 255));
    }
}

class HoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::SetWindowPos(m_parent.hwnd(), HWND_TOPMOST, 600, 500, 300, 200, SWP_SHOWWINDOW);
        m_hwnd = ct::CreateChild(m_parent.hwnd(), L"BUTTON", L"", BS_PUSHBUTTON, kButtonId, 20, 20,
                                 40, 30);
        ASSERT_TRUE(m_button.SubclassWindow(m_hwnd));
        ::SetActiveWindow(m_parent.hwnd());
        ::UpdateWindow(m_parent.hwnd());
        m_recorder.Attach(m_hwnd, 1);
    }
    void TearDown() override { m_recorder.Detach(); }
    ct::ReflectingParent m_parent;
    HWND m_hwnd = nullptr;
    CBtnST m_button;
    kt::MsgRecorder m_recorder;
};

TEST_F(HoverTest, PointerEnteringAndLeavingAFlatButton) {
    ASSERT_EQ(::GetActiveWindow(), m_parent.hwnd());
    m_button.SetBackgroundInside(RGB(255, 0, 0));
    m_button.SetBackgroundOutside(RGB(0, 0, 255));
    ct::StartLog({WM_MOUSEMOVE, WM_CAPTURECHANGED, WM_APP});
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(m_button.IsHovering());
    EXPECT_EQ(::GetCapture(), m_hwnd);
    EXPECT_EQ(ct::ClientPixel(m_hwnd, 20, 15), RGB(255, 0, 0));     // inside colours
    EXPECT_EQ(ct::ClientPixel(m_hwnd, 0, 0), Sys(COLOR_3DHILIGHT)); // raised while hovering
    // Over another window (the parent) with the left button held: hover ends, capture stays.
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-10, -10));
    EXPECT_FALSE(m_button.IsHovering());
    EXPECT_EQ(::GetCapture(), m_hwnd);
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(m_button.IsHovering());
    // Without the button held the capture goes too.
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(-10, -10));
    EXPECT_FALSE(m_button.IsHovering());
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(ct::ClientPixel(m_hwnd, 20, 15), RGB(0, 0, 255));
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_MOUSEMOVE, sent | kId, 0, 0, 1},
        {WM_MOUSEMOVE, sent | kId, 0, 0, 1},
        {WM_MOUSEMOVE, sent | kId, 0, 0, 1},
        {WM_CAPTURECHANGED, sent | kId | optional, 0, 0, 1}, // capture set again to the button
        {WM_MOUSEMOVE, sent | kId, 0, 0, 1},
        {WM_CAPTURECHANGED, sent | kId | lparam, 0, 0, 1}, // released
        {WM_APP, sent | parent},
    });
}

TEST_F(HoverTest, LosingCaptureOrFocusEndsHover) {
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    ASSERT_TRUE(m_button.IsHovering());
    ::ReleaseCapture();
    EXPECT_FALSE(m_button.IsHovering());
    ::SetFocus(m_hwnd);
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    ASSERT_TRUE(m_button.IsHovering());
    ::SetFocus(nullptr);
    EXPECT_FALSE(m_button.IsHovering());
    ::ReleaseCapture();
}

TEST_F(HoverTest, ButtonsThatAreNotFlatDoNotTrack) {
    m_button.SetFlat(false);
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_FALSE(m_button.IsHovering());
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(HoverTest, TooltipIsCreatedWhenThePointerFirstComes) {
    EXPECT_EQ(m_button.GetTooltip(), nullptr);
    m_button.SetTooltipText(L"操作中心", false);
    EXPECT_EQ(m_button.GetTooltip(), nullptr); // not on the call-up path
    EXPECT_EQ(m_button.GetTooltipText(), L"操作中心");
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    HWND tip = m_button.GetTooltip();
    ASSERT_TRUE(::IsWindow(tip));
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = m_hwnd;
    ti.uId = kButtonToolId;
    EXPECT_TRUE(::SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&ti)));
    EXPECT_EQ(m_button.GetTooltipText(), L"操作中心");
    m_button.SetTooltipText(L"报警", true);
    EXPECT_EQ(m_button.GetTooltip(), tip);
    EXPECT_EQ(m_button.GetTooltipText(), L"报警");
}

// ---- CLevelBtnST ----

class LevelBtnSTTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_hwnd =
            ct::CreateChild(m_parent.hwnd(), L"BUTTON", L"投入",
                            BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP, kButtonId, 10, 10, 60, 24);
        m_other =
            ct::CreateChild(m_parent.hwnd(), L"EDIT", L"", WS_BORDER, kOtherId, 10, 60, 80, 22);
        ASSERT_TRUE(m_button.SubclassWindow(m_hwnd));
        m_recorder.Attach(m_hwnd, 1);
    }
    void TearDown() override { m_recorder.Detach(); }
    kt::LoggingParent m_parent;
    HWND m_hwnd = nullptr;
    HWND m_other = nullptr;
    CLevelBtnST m_button;
    kt::MsgRecorder m_recorder;
};

TEST_F(LevelBtnSTTest, ClickAndFocusLossNotifications) {
    m_button.SetRequiredLevel(1);
    m_button.SetUserLevel(1);
    ct::StartLog({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KILLFOCUS, WM_COMMAND, WM_APP, WM_CTRL_INTERACT,
                  WM_BUTTON_RELEASED});
    Click(m_hwnd);
    kt::MarkAndPump(m_parent.hwnd());
    ::SetFocus(m_other);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_LBUTTONDOWN, sent | kId, 0, 0, 1},
        {WM_KILLFOCUS, sent | parent | optional}, // the button takes the focus
        {WM_LBUTTONUP, sent | kId, 0, 0, 1},
        {WM_COMMAND, sent | parent | wparam, MAKEWPARAM(kButtonId, BN_CLICKED)},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 1, 0},
        {WM_BUTTON_RELEASED, posted | parent | wparam | lparam, kButtonId,
         reinterpret_cast<LPARAM>(m_hwnd)},
        {WM_KILLFOCUS, sent | kId, 0, 0, 1},
        {WM_COMMAND, sent | parent | wparam, MAKEWPARAM(kOtherId, EN_SETFOCUS)},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 0, 0},
    });
    // A switch never changes its shown state itself.
    EXPECT_EQ(m_button.GetCheck(), 0);
}

TEST_F(LevelBtnSTTest, RightsAndSetCheckIfChanged) {
    m_button.SetRequiredLevel(0);
    m_button.SetUserLevel(5);
    EXPECT_FALSE(::IsWindowEnabled(m_hwnd));
    m_button.SetRequiredLevel(2);
    EXPECT_TRUE(::IsWindowEnabled(m_hwnd));
    m_button.SetUserLevel(1);
    EXPECT_FALSE(::IsWindowEnabled(m_hwnd));

    ::UpdateWindow(m_hwnd);
    ::ValidateRect(m_hwnd, nullptr);
    m_button.SetCheckIfChanged(0);
    EXPECT_FALSE(NeedsRepaint(m_hwnd));
    m_button.SetCheckIfChanged(1);
    EXPECT_EQ(m_button.GetCheck(), 1);
    EXPECT_TRUE(NeedsRepaint(m_hwnd));
    ::ValidateRect(m_hwnd, nullptr);
    m_button.SetCheckIfChanged(1);
    EXPECT_FALSE(NeedsRepaint(m_hwnd));
}

TEST_F(LevelBtnSTTest, RightsThatDoNotChangeTouchNothing) {
    m_button.SetLevels(2, 1); // locked
    ASSERT_FALSE(::IsWindowEnabled(m_hwnd));
    ct::StartLog({WM_ENABLE, WM_APP});
    m_button.SetRequiredLevel(2);
    m_button.SetUserLevel(1);
    m_button.SetLevels(2, 1);
    kt::MarkAndPump(m_parent.hwnd());
    // Both levels at once: unlocked in one step, the window enabled once.
    m_button.SetLevels(3, 4);
    kt::MarkAndPump(m_parent.hwnd());
    m_button.SetUserLevel(4);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_APP, sent | parent},
        {WM_ENABLE, sent | wparam, TRUE},
        {WM_APP, sent | parent},
        {WM_APP, sent | parent},
    });
    EXPECT_TRUE(::IsWindowEnabled(m_hwnd));
    EXPECT_TRUE(m_button.IsOperableNow());
    // A window enabled behind the control's back is put right by the next call.
    ::EnableWindow(m_hwnd, FALSE);
    m_button.SetUserLevel(4);
    EXPECT_TRUE(::IsWindowEnabled(m_hwnd));
}

// ---- CLevelButton ----

TEST(LevelButtonTest, ReleaseAndFocusLossNotifications) {
    kt::LoggingParent parentWnd;
    HWND hwnd = ct::CreateChild(parentWnd.hwnd(), L"BUTTON", L"HH", BS_AUTOCHECKBOX | WS_TABSTOP,
                                kButtonId, 10, 10, 80, 20);
    HWND other =
        ct::CreateChild(parentWnd.hwnd(), L"EDIT", L"", WS_BORDER, kOtherId, 10, 60, 80, 22);
    CLevelButton button;
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    button.SetRequiredLevel(1);
    button.SetUserLevel(1);
    kt::MsgRecorder rec(hwnd, 1);
    ct::StartLog({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KILLFOCUS, WM_COMMAND, WM_APP, WM_CTRL_INTERACT,
                  WM_BUTTON_RELEASED});
    Click(hwnd);
    kt::MarkAndPump(parentWnd.hwnd());
    ::SetFocus(other);
    kt::MarkAndPump(parentWnd.hwnd());
    EXPECT_SEQUENCE({
        {WM_LBUTTONDOWN, sent | kId, 0, 0, 1},
        {WM_KILLFOCUS, sent | parent | optional}, // the button takes the focus
        {WM_LBUTTONUP, sent | kId, 0, 0, 1},
        {WM_COMMAND, sent | parent | wparam, MAKEWPARAM(kButtonId, BN_CLICKED)},
        {WM_APP, sent | parent},
        {WM_BUTTON_RELEASED, posted | parent | wparam | lparam, kButtonId,
         reinterpret_cast<LPARAM>(hwnd)},
        {WM_KILLFOCUS, sent | kId, 0, 0, 1},
        {WM_COMMAND, sent | parent | wparam, MAKEWPARAM(kOtherId, EN_SETFOCUS)},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 0, 0},
    });
    // Drawn by the system: the automatic check box still checks itself.
    EXPECT_EQ(::SendMessageW(hwnd, BM_GETCHECK, 0, 0), BST_CHECKED);
    rec.Detach();

    button.SetRequiredLevel(0);
    button.SetUserLevel(3);
    EXPECT_FALSE(::IsWindowEnabled(hwnd));
}

} // namespace
