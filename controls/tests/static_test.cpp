// CColorStaticST (colours, the shared blink timer, notifications), CMyStatic and CMemDC.
#include "ColorStaticST.h"
#include "ControlTestSupport.h"
#include "MemDC.h"
#include "MyStatic.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace kctl;
using namespace ct::seq;

namespace {

constexpr int kStaticId = 301;
constexpr UINT kNotify = WM_APP + 7;

class ColorStaticTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_hwnd = ct::CreateChild(m_parent.hwnd(), L"STATIC", L"COMM_FAIL", SS_LEFT, kStaticId, 10,
                                 10, 120, 20);
        ASSERT_TRUE(m_static.SubclassWindow(m_hwnd));
    }
    // The colours the static gets when it asks its parent, as it does for every paint.
    void AskColours(COLORREF* text, COLORREF* back, COLORREF* brushColour) {
        kfw::CMemoryDC dc(::CreateCompatibleDC(nullptr));
        auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(m_parent.hwnd(), WM_CTLCOLORSTATIC,
                                                             reinterpret_cast<WPARAM>(dc.get()),
                                                             reinterpret_cast<LPARAM>(m_hwnd)));
        LOGBRUSH lb{};
        ::GetObjectW(brush, sizeof lb, &lb);
        *text = ::GetTextColor(dc);
        *back = ::GetBkColor(dc);
        *brushColour = lb.lbColor;
    }
    COLORREF TextColour() {
        COLORREF t, b, br;
        AskColours(&t, &b, &br);
        return t;
    }
    COLORREF BackColour() {
        COLORREF t, b, br;
        AskColours(&t, &b, &br);
        EXPECT_EQ(b, br); // the brush paints what the text background says
        return b;
    }
    void Tick() { ::SendMessageW(m_hwnd, WM_TIMER, kBlinkTimerId, 0); }

    ct::ReflectingParent m_parent;
    HWND m_hwnd = nullptr;
    CColorStaticST m_static;
};

TEST_F(ColorStaticTest, SteadyColoursAndSystemDefaults) {
    EXPECT_EQ(TextColour(), ::GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(BackColour(), ::GetSysColor(COLOR_BTNFACE));
    m_static.SetTextColour(RGB(0, 128, 0));
    m_static.SetBackgroundColour(RGB(210, 210, 210));
    EXPECT_EQ(TextColour(), RGB(0, 128, 0));
    EXPECT_EQ(BackColour(), RGB(210, 210, 210));
    EXPECT_EQ(ct::ClientPixel(m_hwnd, 118, 18), RGB(210, 210, 210));
    m_static.SetTextColour(kSystemColour);
    m_static.SetBackgroundColour(kSystemColour);
    EXPECT_EQ(TextColour(), ::GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(BackColour(), ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(ColorStaticTest, TextBlinkFlipsOnEachTickOfTimerOne) {
    m_static.SetTextColour(RGB(1, 1, 1));
    m_static.SetBlinkTextColours(RGB(255, 0, 0), RGB(0, 0, 255));
    m_static.StartTextBlink(true, 1);
    EXPECT_EQ(m_static.GetTimerId(), kBlinkTimerId);
    EXPECT_EQ(m_static.GetBlinkPeriod(), 1000u);
    EXPECT_EQ(TextColour(), RGB(255, 0, 0)); // phase 0
    Tick();
    EXPECT_EQ(TextColour(), RGB(0, 0, 255));
    Tick();
    EXPECT_EQ(TextColour(), RGB(255, 0, 0));
    // Another timer of the window is not a blink.
    ::SendMessageW(m_hwnd, WM_TIMER, 99, 0);
    EXPECT_EQ(TextColour(), RGB(255, 0, 0));
    m_static.StartTextBlink(false, 1);
    EXPECT_EQ(m_static.GetTimerId(), 0u);
    EXPECT_FALSE(::KillTimer(m_hwnd, kBlinkTimerId)); // the timer is really gone
    Tick();
    EXPECT_EQ(TextColour(), RGB(1, 1, 1));
}

TEST_F(ColorStaticTest, BlinkPeriodsBySpeed) {
    const struct {
        UINT speed, period;
    } cases[] = {{0, 2000}, {1, 1000}, {2, 500}, {750, 750}, {3, 3}};
    for (const auto& c : cases) {
        m_static.StartBackgroundBlink(true, c.speed);
        EXPECT_EQ(m_static.GetBlinkPeriod(), c.period) << c.speed;
        EXPECT_EQ(CColorStaticST::BlinkPeriod(c.speed), c.period) << c.speed;
    }
    m_static.StartBackgroundBlink(false, 0);
    EXPECT_EQ(m_static.GetBlinkPeriod(), 0u);
}

TEST_F(ColorStaticTest, BothKindsShareOneTimer) {
    m_static.SetBlinkTextColours(RGB(255, 0, 0), RGB(0, 0, 255));
    m_static.SetBlinkBackgroundColours(RGB(0, 0, 0), RGB(255, 255, 0));
    m_static.StartTextBlink(true, 2);
    m_static.StartBackgroundBlink(true, 2);
    EXPECT_EQ(m_static.GetTimerId(), kBlinkTimerId);
    Tick();
    EXPECT_EQ(TextColour(), RGB(0, 0, 255));
    EXPECT_EQ(BackColour(), RGB(255, 255, 0));
    // Stopping the background stops the one timer: the text no longer blinks either.
    m_static.StartBackgroundBlink(false, 2);
    EXPECT_EQ(m_static.GetTimerId(), 0u);
    EXPECT_TRUE(m_static.IsTextBlinking());
    EXPECT_FALSE(::KillTimer(m_hwnd, kBlinkTimerId));
    COLORREF before = TextColour();
    EXPECT_FALSE(ct::PumpUntil([&] { return TextColour() != before; }, 700));
}

TEST_F(ColorStaticTest, EachOnPhasePostsOneNotification) {
    kt::LoggingParent sink;
    m_static.EnableNotify(sink.hwnd(), kNotify);
    m_static.StartTextBlink(true, 0);
    m_static.StartBackgroundBlink(true, 0);
    ct::StartLog({kNotify, WM_APP});
    Tick(); // phases 1: on
    Tick(); // phases 0: off
    Tick(); // on
    kt::MarkAndPump(sink.hwnd());
    EXPECT_SEQUENCE({
        {WM_APP, sent | parent},
        {kNotify, posted | parent | wparam | lparam, kStaticId, 0},
        {kNotify, posted | parent | wparam | lparam, kStaticId, 0},
    });
}

TEST_F(ColorStaticTest, TheRealTimerDrivesTheBlinking) {
    kt::LoggingParent sink;
    m_static.EnableNotify(sink.hwnd()); // WM_USER by default
    m_static.SetBlinkBackgroundColours(RGB(0, 0, 0), RGB(255, 255, 0));
    m_static.StartBackgroundBlink(true, 30);
    EXPECT_TRUE(ct::PumpUntil([&] { return m_static.GetBackgroundPhase() == 1; }, 3000));
    EXPECT_EQ(ct::ClientPixel(m_hwnd, 118, 18), RGB(255, 255, 0));
}

TEST_F(ColorStaticTest, FocusLostPostsInteractionEnd) {
    ::SetFocus(m_hwnd);
    kt::PumpAndLog();
    ct::StartLog({WM_APP, WM_CTRL_INTERACT});
    ::SetFocus(m_parent.hwnd());
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 0, 0},
    });
}

TEST_F(ColorStaticTest, DestroyingKillsTheTimer) {
    m_static.StartTextBlink(true, 1);
    ::DestroyWindow(m_hwnd);
    EXPECT_EQ(m_static.GetTimerId(), 0u);
}

// ---- CMyStatic ----

TEST(MyStaticTest, ClickTakesFocusAndNotifies) {
    kt::LoggingParent parentWnd;
    HWND hwnd = ct::CreateChild(parentWnd.hwnd(), L"STATIC", L"总管流量", SS_LEFT, kStaticId, 10,
                                10, 100, 20);
    CMyStatic label;
    ASSERT_TRUE(label.SubclassWindow(hwnd));
    EXPECT_TRUE(::GetWindowLongW(hwnd, GWL_STYLE) & SS_NOTIFY);
    ASSERT_TRUE(::IsWindow(label.GetTooltip()));
    EXPECT_EQ(::SendMessageW(label.GetTooltip(), TTM_GETTOOLCOUNT, 0, 0), 1);

    kt::MsgRecorder rec(hwnd, 1);
    ct::StartLog({WM_LBUTTONDOWN, WM_SETFOCUS, WM_KILLFOCUS, WM_APP, WM_CTRL_INTERACT});
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    kt::MarkAndPump(parentWnd.hwnd());
    EXPECT_EQ(::GetFocus(), hwnd);
    ::SetFocus(parentWnd.hwnd());
    kt::MarkAndPump(parentWnd.hwnd());
    EXPECT_SEQUENCE({
        {WM_LBUTTONDOWN, sent | kId, 0, 0, 1},
        {WM_KILLFOCUS, sent | parent | optional}, // the parent had the focus
        {WM_SETFOCUS, sent | kId, 0, 0, 1},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 1, 0},
        {WM_KILLFOCUS, sent | kId, 0, 0, 1},
        {WM_SETFOCUS, sent | parent}, // back to the parent
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 0, 0},
    });
    rec.Detach();

    label.SetTooltipText(L"x");
    EXPECT_EQ(label.GetTooltipText(), L"");
    label.EnableTooltip(true);
    label.UpdateTooltip();
    EXPECT_EQ(label.GetTooltipText(), L"总管流量");
    HWND tip = label.GetTooltip();
    ::DestroyWindow(hwnd);
    EXPECT_FALSE(::IsWindow(tip));
}

// ---- CMemDC ----

TEST(MemDCTest, DrawsOffScreenAndCopiesTheClipBoxAtTheEnd) {
    kfw::CWindowDC screen(nullptr);
    kfw::CMemoryDC target(::CreateCompatibleDC(screen));
    kfw::CBitmap bmp(::CreateCompatibleBitmap(screen, 100, 60));
    kfw::CSelectObject selBmp(target, bmp);
    ct::FillRectColour(target, RECT{0, 0, 100, 60}, RGB(0, 0, 0));
    // Clip to (20,10)-(70,40): the memory surface has that size and that origin.
    kfw::CRgn clip(::CreateRectRgn(20, 10, 70, 40));
    ::SelectClipRgn(target, clip);
    ::SetBkColor(target, RGB(0, 255, 0));
    const HGDIOBJ bitmapBefore = ::GetCurrentObject(target, OBJ_BITMAP);
    {
        CMemDC mem(target);
        EXPECT_TRUE(mem.IsOffScreen());
        EXPECT_NE(mem.GetSafeHdc(), target.get());
        EXPECT_EQ(mem.GetClipRect().left, 20);
        EXPECT_EQ(mem.GetClipRect().bottom, 40);
        ct::FillRectColour(mem, RECT{30, 20, 40, 30}, RGB(255, 0, 0));
        // Nothing reaches the target before the end of the paint.
        EXPECT_EQ(::GetPixel(target, 35, 25), RGB(0, 0, 0));
    }
    EXPECT_EQ(::GetCurrentObject(target, OBJ_BITMAP), bitmapBefore);
    EXPECT_EQ(::GetPixel(target, 35, 25), RGB(255, 0, 0)); // drawn, at the right place
    EXPECT_EQ(::GetPixel(target, 25, 15), RGB(0, 255, 0)); // started from the background colour
    ::SelectClipRgn(target, nullptr);
    EXPECT_EQ(::GetPixel(target, 10, 5), RGB(0, 0, 0)); // outside the clip box: untouched
}

TEST(MemDCTest, NullTargetDrawsNowhere) {
    CMemDC mem(nullptr);
    EXPECT_FALSE(mem.IsOffScreen());
    EXPECT_EQ(mem.GetSafeHdc(), nullptr);
}

} // namespace
