// CBaseTabCtrl and CEnTabCtrl: the colour functions and their limits, the look flags, the draw
// modes, the drawing (checked by pixels on a real tab control), the selection notifications the
// parent receives, and a picture of the nine captions of the setup pages in each draw mode.
#include "ControlTestSupport.h"
#include "Dialog.h"
#include "EnTabCtrl.h"
#include "Handle.h"
#include "Screenshot.h"
#include "Text.h"
#include "controls_test_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace kctl;
using namespace ct::seq;

namespace {

constexpr int kTabId = 301;
constexpr COLORREF kBack = RGB(150, 160, 170);
constexpr wchar_t kHostClass[] = L"ctl.test.TabHost";

COLORREF Face() {
    return ::GetSysColor(COLOR_BTNFACE);
}

// ---- Colour functions ----

TEST(TabColourTest, LighterAndDarkerWithTheirLimits) {
    EXPECT_EQ(Lighter(RGB(200, 200, 200), 1.4), RGB(255, 255, 255));
    EXPECT_EQ(Darker(RGB(200, 100, 50), 0.5), RGB(100, 50, 25));
    // Each component on its own: one limited, the others scaled and truncated.
    EXPECT_EQ(Lighter(RGB(100, 200, 0), 1.4), RGB(140, 255, 0));
    EXPECT_EQ(Darker(RGB(255, 255, 255), 0.7), RGB(178, 178, 178));
    EXPECT_EQ(Darker(RGB(210, 210, 210), 0.9), RGB(189, 189, 189));
    // The ends of the ranges.
    EXPECT_EQ(Darker(RGB(12, 34, 56), 0.0), RGB(0, 0, 0));
    EXPECT_EQ(Darker(RGB(12, 34, 56), 1.0), RGB(12, 34, 56));
    EXPECT_EQ(Lighter(RGB(12, 34, 56), 1.0), RGB(12, 34, 56));
    EXPECT_EQ(Lighter(RGB(1, 2, 3), 1000.0), RGB(255, 255, 255));
}

TEST(TabColourTest, FactorOutsideItsRangeNeverTurnsTheColourTheOtherWay) {
    const COLORREF c = RGB(100, 120, 140);
    EXPECT_EQ(Darker(c, 1.5), c);
    EXPECT_EQ(Darker(c, -0.5), RGB(0, 0, 0));
    EXPECT_EQ(Lighter(c, 0.5), c);
    EXPECT_EQ(Lighter(c, -2.0), c);
}

// ---- Look flags ----

class LookFlags : public ::testing::Test {
protected:
    void TearDown() override { CEnTabCtrl::EnableCustomLook(false, 0); }
};

TEST_F(LookFlags, TabColoursFollowTheSharedFlags) {
    CEnTabCtrl tab;
    tab.SetBackgroundColour(kBack);
    const struct {
        DWORD flags;
        COLORREF selected, unselected, unselectedText;
    } cases[] = {
        {0x00, Face(), Darker(Face(), 0.9), Darker(Face(), 0.5)},
        {0x01, Face(), kBack, Darker(kBack, 0.5)},
        {0x02, Face(), Darker(kBack, 0.9), Darker(kBack, 0.5)},
        {0x04, Lighter(Face(), 1.4), Darker(Face(), 0.9), Darker(Face(), 0.5)},
        {0x06, Lighter(kBack, 1.4), Darker(kBack, 0.9), Darker(kBack, 0.5)},
        {0x11, Face(), Darker(Face(), 0.9), Darker(kBack, 0.5)},
        {0x1F, Lighter(kBack, 1.4), Darker(kBack, 0.9), Darker(kBack, 0.5)},
    };
    for (const auto& c : cases) {
        CEnTabCtrl::EnableCustomLook(true, c.flags);
        EXPECT_EQ(tab.GetTabColor(true), c.selected) << c.flags;
        EXPECT_EQ(tab.GetTabColor(false), c.unselected) << c.flags;
        EXPECT_EQ(tab.GetTabTextColor(true), ::GetSysColor(COLOR_WINDOWTEXT)) << c.flags;
        EXPECT_EQ(tab.GetTabTextColor(false), c.unselectedText) << c.flags;
    }
    // Shared by every instance; disabling clears them whatever flags are given.
    CEnTabCtrl other;
    CEnTabCtrl::EnableCustomLook(true, 0x1F);
    EXPECT_EQ(other.GetTabColor(true), Lighter(Face(), 1.4)); // its own colour is -1
    CEnTabCtrl::EnableCustomLook(false, 0x1F);
    EXPECT_EQ(CEnTabCtrl::GetCustomLook(), 0u);
}

TEST_F(LookFlags, SystemBackgroundStandsForTheButtonFace) {
    CEnTabCtrl tab; // colour -1
    CEnTabCtrl::EnableCustomLook(true, 0x03);
    EXPECT_EQ(tab.GetTabColor(false), Face());
    EXPECT_EQ(tab.GetTabTextColor(false), Darker(Face(), 0.5));
    EXPECT_EQ(tab.GetPaintedBackground(), Face());
}

// ---- A real tab control under a framework-bound parent ----

// Top-level parent: reflects WM_DRAWITEM to the control (framework binding) and logs every
// WM_NOTIFY it receives with its code in lParam, so that the log can be compared.
class TabHost : public kfw::CWnd {
public:
    TabHost(int width, int height) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
        ::InitCommonControlsEx(&icc);
        kfw::CWnd::RegisterClass(kHostClass, CS_DBLCLKS,
                                 reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        CreateEx(0, kHostClass, L"tabs", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                 RECT{40, 40, 40 + width, 40 + height}, nullptr, 0);
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    ~TabHost() override {
        if (m_hWnd)
            DestroyWindow();
    }
    bool logging = false;
    LRESULT vetoSelChanging = FALSE;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NOTIFY) {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (logging)
                kt::MsgLog::Get().Add({WM_NOTIFY, sent | parent, wp,
                                       static_cast<LPARAM>(static_cast<int>(hdr->code))});
            if (hdr->code == TCN_SELCHANGING)
                return vetoSelChanging;
        }
        if (msg == WM_APP && logging)
            kt::MsgLog::Get().Add({WM_APP, sent | parent, wp, lp});
        return kfw::CWnd::WindowProc(msg, wp, lp);
    }
};

// Runs the queue; what is posted to the host is logged before it is dispatched.
void PumpLoggingPosted(HWND host) {
    MSG msg;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 300 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.hwnd == host && msg.message != WM_PAINT && msg.message != WM_TIMER)
            kt::MsgLog::Get().Add({msg.message, posted | parent, msg.wParam, msg.lParam});
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The client area of a window as drawn on the screen, read once.
class Pixels {
public:
    explicit Pixels(HWND hwnd) {
        ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        m_w = rc.right;
        m_h = rc.bottom;
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), m_w, -m_h, 1, 32, BI_RGB};
        void* bits = nullptr;
        kfw::CWindowDC screen(hwnd);
        kfw::CBitmap dib(::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        kfw::CMemoryDC mem(::CreateCompatibleDC(screen));
        {
            kfw::CSelectObject sel(mem, dib);
            ::BitBlt(mem, 0, 0, m_w, m_h, screen, 0, 0, SRCCOPY);
            ::GdiFlush();
            const auto* p = static_cast<const DWORD*>(bits);
            m_px.assign(p, p + static_cast<size_t>(m_w) * m_h);
        }
    }
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= m_w || y >= m_h)
            return CLR_INVALID;
        const DWORD v = m_px[static_cast<size_t>(y) * m_w + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // The bounding box of the pixels in `area` that are neither of the given colours.
    RECT Ink(const RECT& area, std::initializer_list<COLORREF> background) const {
        RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                const COLORREF c = At(x, y);
                bool isBackground = false;
                for (COLORREF b : background)
                    isBackground = isBackground || c == b;
                if (isBackground)
                    continue;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        return box;
    }
    bool Contains(const RECT& area, COLORREF colour) const {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (At(x, y) == colour)
                    return true;
        return false;
    }

private:
    int m_w = 0, m_h = 0;
    std::vector<DWORD> m_px;
};

// A CEnTabCtrl that reports a chosen display depth.
class DepthTab : public CEnTabCtrl {
public:
    int bits = 8;

protected:
    int DisplayBitsPerPixel(HDC) const override { return bits; }
};

class TabTest : public ::testing::Test {
protected:
    void SetUp() override {
        CEnTabCtrl::EnableCustomLook(false, 0);
        m_hwnd = ::CreateWindowExW(0, WC_TABCONTROLW, L"",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | m_extraStyle, 10, 10,
                                   380, 200, m_host, reinterpret_cast<HMENU>(kTabId),
                                   ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(m_hwnd);
        ::SendMessageW(m_hwnd, WM_SETFONT,
                       reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    void TearDown() override {
        CEnTabCtrl::EnableCustomLook(false, 0);
        kt::MsgLog::Get().RecordOnly({});
        kt::MsgLog::Get().Clear();
    }
    LONG Style() const { return ::GetWindowLongW(m_hwnd, GWL_STYLE); }
    bool OwnerDrawn() const { return (Style() & TCS_OWNERDRAWFIXED) != 0; }
    bool NeedsRepaint() const { return ::GetUpdateRect(m_hwnd, nullptr, FALSE) != FALSE; }
    // Three tabs, the first selected, drawn by the control itself with these look flags.
    void Paint(CEnTabCtrl& tab, DWORD flags, int mode = kTabDrawAll) {
        CEnTabCtrl::EnableCustomLook(true, flags);
        tab.SetDrawMode(mode);
        tab.SetBackgroundColour(kBack);
        ASSERT_TRUE(tab.SubclassWindow(m_hwnd));
        for (const wchar_t* caption : {L"总貌", L"流量报警", L"K/T/L"})
            tab.InsertItem(tab.GetItemCount(), caption);
        tab.SetCurSel(0);
    }
    RECT ItemRect(int index) const {
        RECT rc{};
        ::SendMessageW(m_hwnd, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rc));
        return rc;
    }

    DWORD m_extraStyle = 0;
    TabHost m_host{420, 260};
    HWND m_hwnd = nullptr;
};

// ---- Draw modes ----

TEST_F(TabTest, WithoutLookFlagsTheSystemDraws) {
    CEnTabCtrl tab;
    ASSERT_TRUE(tab.SubclassWindow(m_hwnd));
    EXPECT_EQ(tab.GetDrawMode(), kTabDrawSystem);
    EXPECT_FALSE(OwnerDrawn());
}

TEST_F(TabTest, LookFlagsOrADrawModeMakeItOwnerDrawnWhenAttached) {
    {
        CEnTabCtrl::EnableCustomLook(true, kTabLookGradient);
        CEnTabCtrl tab;
        ASSERT_TRUE(tab.SubclassWindow(m_hwnd));
        EXPECT_TRUE(OwnerDrawn());
        tab.UnsubclassWindow();
    }
    ::SetWindowLongW(m_hwnd, GWL_STYLE, Style() & ~TCS_OWNERDRAWFIXED);
    CEnTabCtrl::EnableCustomLook(false, 0);
    CEnTabCtrl tab;
    tab.SetDrawMode(kTabDrawTabs); // before the window: stored only
    ASSERT_TRUE(tab.SubclassWindow(m_hwnd));
    EXPECT_TRUE(OwnerDrawn());
}

TEST_F(TabTest, SetDrawModeSwitchesTheStyleAndIgnoresOtherModes) {
    CEnTabCtrl::EnableCustomLook(true, 0x1F);
    CEnTabCtrl tab;
    ASSERT_TRUE(tab.SubclassWindow(m_hwnd));
    tab.SetDrawMode(kTabDrawSystem); // mode 0 switches it off even with look flags
    EXPECT_FALSE(OwnerDrawn());
    tab.SetDrawMode(kTabDrawTabs);
    EXPECT_TRUE(OwnerDrawn());
    tab.SetDrawMode(kTabDrawAll);
    EXPECT_TRUE(OwnerDrawn());
    EXPECT_EQ(tab.GetDrawMode(), kTabDrawAll);

    ::ValidateRect(m_hwnd, nullptr);
    for (int invalid : {3, -1, 100}) {
        tab.SetDrawMode(invalid);
        EXPECT_EQ(tab.GetDrawMode(), kTabDrawAll) << invalid;
        EXPECT_TRUE(OwnerDrawn()) << invalid;
        EXPECT_FALSE(NeedsRepaint()) << invalid;
    }
    tab.SetDrawMode(kTabDrawSystem);
    tab.SetDrawMode(3);
    EXPECT_EQ(tab.GetDrawMode(), kTabDrawSystem);
    EXPECT_FALSE(OwnerDrawn());
}

// ---- Drawing ----

TEST_F(TabTest, SelectedAndUnselectedTabColoursWithAFlatFill) {
    CEnTabCtrl tab;
    Paint(tab, 0x17); // everything but the gradient
    const Pixels px(m_hwnd);
    const RECT sel = ItemRect(0), other = ItemRect(2); // not next to the selected one
    // Left margin of the text, top and bottom row of each tab.
    EXPECT_EQ(px.At(sel.left, sel.top), Lighter(kBack, 1.4));
    EXPECT_EQ(px.At(sel.left, sel.bottom - 1), Lighter(kBack, 1.4));
    EXPECT_EQ(px.At(other.left + 1, other.top + 1), Darker(kBack, 0.9));
    EXPECT_EQ(px.At(other.left + 1, other.bottom - 2), Darker(kBack, 0.9));
    // The background around the tabs and inside the page area.
    RECT client;
    ::GetClientRect(m_hwnd, &client);
    EXPECT_EQ(px.At(client.right - 3, 1), kBack);
    EXPECT_EQ(px.At(client.right / 2, client.bottom / 2), kBack);
}

TEST_F(TabTest, GradientOnADeepDisplayFadesTowardsTheEndColour) {
    CEnTabCtrl tab;
    Paint(tab, 0x1F);
    ASSERT_GE(::GetDeviceCaps(kfw::CWindowDC(m_hwnd), BITSPIXEL), 16) << "needs a deep display";
    const Pixels px(m_hwnd);
    const RECT sel = ItemRect(0), other = ItemRect(2); // not next to the selected one
    // The selected tab is drawn 2 pixels higher and 1 lower than its item rectangle.
    const int selTop = sel.top - kTabSelectedGrow + 1, selBottom = sel.bottom;
    EXPECT_EQ(px.At(sel.left, selTop), Lighter(kBack, 1.4));
    EXPECT_EQ(px.At(sel.left, selBottom), Face());
    EXPECT_EQ(px.At(other.left + 1, other.top + 1), Darker(kBack, 0.9));
    EXPECT_EQ(px.At(other.left + 1, other.bottom - 1), Darker(kBack, 0.7));
    // Bands of two rows, each no lighter than the one above it.
    for (int y = other.top + 1; y + 1 < other.bottom; ++y)
        EXPECT_GE(GetGValue(px.At(other.left + 1, y)), GetGValue(px.At(other.left + 1, y + 1)))
            << y;
    const int bandTop = other.top + 2; // a band starts at the tab's top
    EXPECT_EQ(px.At(other.left + 1, bandTop), px.At(other.left + 1, bandTop + 1));
}

TEST_F(TabTest, FlatFillBelowSixteenBitsPerPixel) {
    for (int bits : {8, 15, 16}) {
        SCOPED_TRACE(bits);
        DepthTab tab;
        tab.bits = bits;
        Paint(tab, 0x1F);
        const Pixels px(m_hwnd);
        const RECT other = ItemRect(2);
        const COLORREF top = px.At(other.left + 1, other.top + 1);
        const COLORREF bottom = px.At(other.left + 1, other.bottom - 1);
        EXPECT_EQ(top, Darker(kBack, 0.9));
        EXPECT_EQ(bottom, bits >= 16 ? Darker(kBack, 0.7) : Darker(kBack, 0.9));
        tab.DeleteAllItems();
        tab.UnsubclassWindow();
    }
}

TEST_F(TabTest, EllipsisKeepsTheLongestBeginningThatFits) {
    kfw::CWindowDC dc(m_hwnd);
    kfw::CSelectObject font(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    auto width = [&](const std::wstring& s) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
        return static_cast<int>(size.cx);
    };
    const std::wstring caption = L"炉管温度报警炉管温度报警";
    EXPECT_EQ(FitWithEllipsis(dc, caption, width(caption)), caption); // fits exactly
    const int avail = width(caption) / 2;
    const std::wstring fitted = FitWithEllipsis(dc, caption, avail);
    ASSERT_GT(fitted.size(), 3u);
    EXPECT_EQ(fitted.substr(fitted.size() - 3), L"...");
    const std::wstring kept = fitted.substr(0, fitted.size() - 3);
    EXPECT_EQ(caption.compare(0, kept.size(), kept), 0);
    EXPECT_LE(width(fitted), avail);
    EXPECT_GT(width(caption.substr(0, kept.size() + 1) + L"..."), avail);
    EXPECT_EQ(FitWithEllipsis(dc, caption, 1), L"...");
    EXPECT_EQ(FitWithEllipsis(dc, L"", 0), L"");
}

class FixedWidthTabTest : public TabTest {
protected:
    FixedWidthTabTest() { m_extraStyle = TCS_FIXEDWIDTH; }
};

TEST_F(FixedWidthTabTest, CaptionCentredAndEllipsisedWithinTheItem) {
    CEnTabCtrl tab;
    CEnTabCtrl::EnableCustomLook(true, 0x17);
    tab.SetDrawMode(kTabDrawAll);
    tab.SetBackgroundColour(kBack);
    ASSERT_TRUE(tab.SubclassWindow(m_hwnd));
    ::SendMessageW(m_hwnd, TCM_SETITEMSIZE, 0, MAKELPARAM(80, 24));
    tab.InsertItem(0, L"总貌");
    tab.InsertItem(1, L"炉管温度报警炉管温度报警");
    tab.InsertItem(2, L"K/T/L");
    tab.SetCurSel(0);
    const Pixels px(m_hwnd);

    kfw::CWindowDC dc(m_hwnd);
    kfw::CSelectObject font(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    for (int i : {1, 2}) {
        SCOPED_TRACE(i);
        const RECT item = ItemRect(i);
        const RECT text{item.left + kTabTextMarginX, item.top + kTabTextMarginTop,
                        item.right - kTabTextMarginX, item.bottom};
        // Inside the tab's borders, right of the selected tab's overlap.
        const RECT ink =
            px.Ink(RECT{item.left + kTabSelectedGrow, item.top + 1, item.right - 1, item.bottom},
                   {Darker(kBack, 0.9)});
        ASSERT_LT(ink.left, ink.right) << "no caption drawn";
        EXPECT_GE(ink.left, text.left);
        EXPECT_LE(ink.right, text.right);
        EXPECT_GE(ink.top, text.top);
        EXPECT_LE(std::abs((ink.left - text.left) - (text.right - ink.right)), 2); // centred
        // The ink spans the shortened caption, not the whole clipped text.
        std::wstring caption;
        tab.GetItem(i, &caption, nullptr);
        const std::wstring shown = FitWithEllipsis(dc, caption, text.right - text.left);
        if (i == 1) {
            EXPECT_EQ(shown.substr(shown.size() - 3), L"...");
        }
        SIZE size{};
        ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
        EXPECT_NEAR(ink.right - ink.left, size.cx, 3);
    }
}

TEST_F(TabTest, ImageFromTheImageListAtTheTopLeftOfTheText) {
    constexpr COLORREF kIconColour = RGB(0, 0, 255);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    kfw::CIconHandle icon(ct::MakeIcon(kIconColour));
    ASSERT_EQ(ImageList_AddIcon(images, icon), 0);
    CEnTabCtrl tab;
    CEnTabCtrl::EnableCustomLook(true, 0x17);
    tab.SetDrawMode(kTabDrawAll);
    tab.SetBackgroundColour(kBack);
    ASSERT_TRUE(tab.SubclassWindow(m_hwnd));
    tab.SetImageList(images);
    tab.InsertItem(0, L"总貌", -1);
    tab.InsertItem(1, L"流量报警", 0);
    tab.SetCurSel(0);
    const Pixels px(m_hwnd);

    const RECT item = ItemRect(1);
    const int x = item.left + kTabTextMarginX, y = item.top + kTabTextMarginTop;
    EXPECT_EQ(px.At(x, y), kIconColour);
    EXPECT_EQ(px.At(x + 15, y + 15), kIconColour);
    EXPECT_NE(px.At(x - 1, y), kIconColour);
    EXPECT_NE(px.At(x + 16, y + 16), kIconColour);
    // The caption starts right of the image.
    const RECT ink =
        px.Ink(RECT{x + 16, item.top + 1, item.right - 1, item.bottom}, {Darker(kBack, 0.9)});
    ASSERT_LT(ink.left, ink.right);
    EXPECT_GE(ink.left, x + kTabImageAdvance);
    // A tab without an image shows none.
    const RECT first = ItemRect(0);
    EXPECT_FALSE(px.Contains(RECT{first.left - 2, first.top - 2, first.right + 2, first.bottom},
                             kIconColour));
    tab.SetImageList(nullptr);
    ImageList_Destroy(images);
}

TEST_F(TabTest, SystemDrawnFrameAsksTheControlForEachTab) {
    CEnTabCtrl tab;
    Paint(tab, 0x17, kTabDrawTabs); // WM_DRAWITEM through the parent's reflection
    const Pixels px(m_hwnd);
    const RECT other = ItemRect(1);
    const POINT centreLeft{other.left + 3, (other.top + other.bottom) / 2};
    EXPECT_EQ(px.At(centreLeft.x, centreLeft.y), Darker(kBack, 0.9));
}

TEST_F(TabTest, DrawItemLeavesTheCallersContextAsItWas) {
    CEnTabCtrl tab;
    Paint(tab, 0x1F);
    kfw::CWindowDC screen(m_hwnd);
    kfw::CMemoryDC mem(::CreateCompatibleDC(screen));
    kfw::CBitmap bmp(::CreateCompatibleBitmap(screen, 100, 30));
    kfw::CSelectObject sel(mem, bmp);
    const HGDIOBJ font = ::GetCurrentObject(mem, OBJ_FONT);
    ::SetTextColor(mem, RGB(1, 2, 3));
    ::SetBkMode(mem, OPAQUE);
    DRAWITEMSTRUCT dis{ODT_TAB, kTabId, 1, ODA_DRAWENTIRE, 0, m_hwnd, mem, {0, 0, 100, 30}, 0};
    tab.DrawItem(dis);
    EXPECT_EQ(::GetCurrentObject(mem, OBJ_FONT), font);
    EXPECT_EQ(::GetTextColor(mem), RGB(1, 2, 3));
    EXPECT_EQ(::GetBkMode(mem), OPAQUE);
}

// ---- What the parent is told ----

class TabNotifyTest : public TabTest {
protected:
    void SetUp() override {
        TabTest::SetUp();
        Paint(m_tab, 0x1F);
        m_recorder.Attach(m_hwnd, 1);
        ct::StartLog({WM_NOTIFY, WM_APP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CTRL_INTERACT,
                      WM_BUTTON_RELEASED, WM_TNEDIT_KILLFOCUS});
        ::SetFocus(m_hwnd);
        m_host.logging = true;
    }
    void TearDown() override {
        m_host.logging = false;
        m_recorder.Detach();
        TabTest::TearDown();
    }
    void Mark() {
        ::SendMessageW(m_host, WM_APP, 0, 0);
        PumpLoggingPosted(m_host);
    }
    LPARAM At(int index) const {
        const RECT rc = ItemRect(index);
        return MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    }
    CEnTabCtrl m_tab;
    kt::MsgRecorder m_recorder;
};

TEST_F(TabNotifyTest, ClickOnAnotherTabTellsTheParentBeforeAndAfterTheChange) {
    ::SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(2));
    ::SendMessageW(m_hwnd, WM_LBUTTONUP, 0, At(2));
    Mark();
    EXPECT_SEQUENCE({
        {WM_LBUTTONDOWN, sent | kId, 0, 0, 1},
        {WM_NOTIFY, sent | parent | wparam | lparam, kTabId, static_cast<LPARAM>(TCN_SELCHANGING)},
        {WM_NOTIFY, sent | parent | wparam | lparam, kTabId, static_cast<LPARAM>(TCN_SELCHANGE)},
        {WM_LBUTTONUP, sent | kId, 0, 0, 1},
        {WM_NOTIFY, sent | parent | wparam | lparam, kTabId, static_cast<LPARAM>(NM_CLICK)},
        {WM_APP, sent | parent}, // nothing is posted
    });
    EXPECT_EQ(m_tab.GetCurSel(), 2);
}

TEST_F(TabNotifyTest, ParentCanRefuseTheChange) {
    m_host.vetoSelChanging = TRUE;
    ::SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(1));
    Mark();
    EXPECT_SEQUENCE({
        {WM_LBUTTONDOWN, sent | kId, 0, 0, 1},
        {WM_NOTIFY, sent | parent | wparam | lparam, kTabId, static_cast<LPARAM>(TCN_SELCHANGING)},
        {WM_APP, sent | parent},
    });
    EXPECT_EQ(m_tab.GetCurSel(), 0);
}

TEST_F(TabNotifyTest, SelectionByTheProgramTellsNothing) {
    m_tab.SetCurSel(2);
    Mark();
    EXPECT_SEQUENCE({{WM_APP, sent | parent}});
    EXPECT_EQ(m_tab.GetCurSel(), 2);
}

// ---- The setup pages' captions in every draw mode ----

// Texts of the station's string database (UTF-8, "KEY<TAB>text" lines) next to this program.
std::map<std::string, std::wstring> LoadStrings() {
    std::map<std::string, std::wstring> strings;
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path);
    file = file.substr(0, file.find_last_of(L'\\') + 1) + L"KrStrings.zh-CN.txt";
    std::ifstream in(file.c_str());
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos)
            continue;
        std::string text = line.substr(tab + 1);
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        strings[line.substr(0, tab)] = kfw::Widen(text, CP_UTF8);
    }
    return strings;
}

class TabGallery : public kfw::CDialog {
public:
    TabGallery() : kfw::CDialog(IDD_TABS) {}
    CEnTabCtrl tabs[3];
    int bound = 0;

protected:
    void DoDataExchange() override {
        const UINT ids[] = {IDC_TABS_MODE0, IDC_TABS_MODE1, IDC_TABS_MODE2};
        // As the setup host does it: attached first, then mode, colour and look.
        for (int mode = 0; mode < 3; ++mode) {
            bound += tabs[mode].SubclassDlgItem(ids[mode], m_hWnd) ? 1 : 0;
            tabs[mode].SetDrawMode(mode);
            tabs[mode].SetBackgroundColour(kPanelColour);
        }
    }
};

TEST(TabGalleryTest, NineCaptionsInEachDrawMode) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
    const char* keys[] = {
        "FP_ACCUM_STR000135",    "FP_BALANCE8_STR000533", "FP_BALANCE8_STR000534",
        "FP_BALANCE8_STR000535", "FP_BALANCE8_STR000536", "FP_BALANCE8_STR000537",
        "FP_BALANCE8_STR000538", "FP_BALANCE8_STR000539", "FP_BALANCE8_STR000540"};
    const auto strings = LoadStrings();
    TabGallery dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    CEnTabCtrl::EnableCustomLook(true, 0x1F);
    EXPECT_EQ(dlg.bound, 3);
    ::SetWindowPos(dlg, HWND_TOPMOST, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    for (auto& tab : dlg.tabs) {
        int index = 0;
        for (const char* key : keys) {
            auto it = strings.find(key);
            ASSERT_NE(it, strings.end()) << key;
            tab.InsertItem(index++, it->second.c_str());
        }
        tab.SetCurSel(0);
        EXPECT_EQ(tab.GetItemCount(), 9);
    }
    ::RedrawWindow(dlg, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    kt::PumpAndLog(300);

    // The owner-drawn modes show the selected tab fading from white to the button face. The
    // selected tab is drawn a little taller than its item rectangle, so its first band of
    // white lies at or just above the rectangle's top, depending on the font's height.
    auto fadesFromWhite = [](const Pixels& px, const RECT& sel) {
        COLORREF top = 0;
        for (LONG y = std::max(0L, sel.top - 2); y <= sel.top + 1; ++y)
            top = std::max(top, px.At(sel.left + 1, y));
        return top == RGB(255, 255, 255) &&
               GetRValue(px.At(sel.left + 1, sel.bottom - 2)) < GetRValue(top);
    };
    for (int mode : {1, 2}) {
        const Pixels px(dlg.tabs[mode]);
        RECT sel{};
        dlg.tabs[mode].GetItemRect(0, &sel);
        EXPECT_TRUE(fadesFromWhite(px, sel)) << mode;
    }
    EXPECT_TRUE(kfw::SaveWindowPng(dlg, L"tabs_gallery.png"));

    // The last tab chosen: the strip scrolls so that it is in view.
    for (auto& tab : dlg.tabs)
        tab.SetCurSel(8);
    ::RedrawWindow(dlg, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    kt::PumpAndLog(300);
    for (int mode : {1, 2}) {
        const Pixels px(dlg.tabs[mode]);
        RECT sel{};
        ASSERT_TRUE(dlg.tabs[mode].GetItemRect(8, &sel));
        EXPECT_TRUE(fadesFromWhite(px, sel)) << mode;
    }
    EXPECT_TRUE(kfw::SaveWindowPng(dlg, L"tabs_gallery_last.png"));
    dlg.DestroyWindow();
    CEnTabCtrl::EnableCustomLook(false, 0);
}

} // namespace
