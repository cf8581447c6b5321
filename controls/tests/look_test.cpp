// What the operator sees, checked on screen pixels: the switch looks (on, off, hovered, no
// data) tell apart at a glance, keyboard focus shows on buttons and edits, a locked icon stays
// readable and a locked switch's tool tip says why, and Chinese captions draw whole glyphs.
#include "BtnST.h"
#include "ControlTestSupport.h"
#include "Dialog.h"
#include "KrToolkit.h"
#include "Screenshot.h"
#include "TnEdit.h"
#include "Text.h"
#include "controls_test_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace kctl;

namespace {

constexpr wchar_t kCaption[] = L"双支路平衡1投切";
constexpr int kWidth = 120, kHeight = 30; // a loop switch of the faceplate, in pixels
constexpr int kIconSide = 28;             // a mode button
constexpr int kMinDifferentPixels = 30;   // two looks that a person tells apart

// The dialog font of the faceplate's templates: 9 pt "宋体".
HFONT TemplateFont() {
    kfw::CWindowDC screen(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    lf.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(lf.lfFaceName, L"宋体", LF_FACESIZE);
    return ::CreateFontIndirectW(&lf);
}

// Moves the mouse pointer as the hardware does (absolute screen coordinates).
void MovePointer(int x, int y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65536 + ::GetSystemMetrics(SM_CXSCREEN) - 1) / ::GetSystemMetrics(SM_CXSCREEN);
    in.mi.dy = (y * 65536 + ::GetSystemMetrics(SM_CYSCREEN) - 1) / ::GetSystemMetrics(SM_CYSCREEN);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof in);
}

class SwitchLookTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::SetWindowPos(m_parent.hwnd(), HWND_TOPMOST, 300, 300, 560, 200, SWP_SHOWWINDOW);
        ::SetActiveWindow(m_parent.hwnd());
        CKrStringDBWrapper::SetLanguage("en");
    }
    void TearDown() override { CKrStringDBWrapper::SetLanguage(nullptr); }
    // A switch as the faceplate makes it: a push-like check box, operable at level 1.
    HWND Add(CLevelBtnST& button, const wchar_t* text, int x, int y, int w, int h) {
        HWND hwnd = ct::CreateChild(m_parent.hwnd(), L"BUTTON", text,
                                    BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP, ++m_id, x, y, w, h);
        ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
        EXPECT_TRUE(button.SubclassWindow(hwnd));
        button.SetRequiredLevel(1);
        button.SetUserLevel(1);
        ::InvalidateRect(hwnd, nullptr, TRUE);
        return hwnd;
    }
    ct::ReflectingParent m_parent;
    kfw::CFont m_font{TemplateFont()};
    int m_id = 300;
};

// The caption's area right of the state mark, inside the frame.
RECT CaptionArea() {
    return RECT{kStateMarkMargin + kStateMarkWidth + 1, 2, kWidth - 2, kHeight - 2};
}

TEST_F(SwitchLookTest, OnOffHoveredAndNoDataDifferAtAGlance) {
    CLevelBtnST on, off, hovered, noData;
    HWND a = Add(on, kCaption, 10, 10, kWidth, kHeight);
    HWND b = Add(off, kCaption, 140, 10, kWidth, kHeight);
    HWND c = Add(hovered, kCaption, 270, 10, kWidth, kHeight);
    HWND d = Add(noData, kCaption, 400, 10, kWidth, kHeight);
    EXPECT_TRUE(on.IsSwitch());
    on.SetCheckIfChanged(1);
    noData.SetCheckIfChanged(1); // the last state seen before the data went away
    noData.SetNoData(true);
    ::SendMessageW(c, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    ASSERT_TRUE(hovered.IsHovering());
    const ct::Picture pOn = ct::ClientPicture(a), pOff = ct::ClientPicture(b),
                      pHover = ct::ClientPicture(c), pNoData = ct::ClientPicture(d);
    EXPECT_TRUE(kfw::SaveWindowPng(m_parent.hwnd(), L"controls_switch_looks.png"));
    ::ReleaseCapture();

    const ct::Picture* looks[] = {&pOn, &pOff, &pHover, &pNoData};
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            EXPECT_GT(looks[i]->Differences(*looks[j]), kMinDifferentPixels) << i << " vs " << j;

    const int markX = kStateMarkMargin + kStateMarkWidth / 2, midY = kHeight / 2;
    // On: sunken, the mark filled, the caption bolder than off.
    EXPECT_EQ(pOn.At(0, 0), ::GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(pOn.At(markX, midY), kSwitchOnMark);
    EXPECT_GT(pOn.Ink(110, CaptionArea()), pOff.Ink(110, CaptionArea()) * 11 / 10);
    // Off: an empty mark.
    EXPECT_EQ(pOff.Count(kSwitchOnMark), 0);
    EXPECT_EQ(pOff.At(kStateMarkMargin, midY), kSwitchOffMark);
    EXPECT_EQ(pOff.At(markX, midY), kPanelColour);
    // Hovered: raised, and never the on look: no filled mark, no bold caption.
    EXPECT_EQ(pHover.At(0, 0), ::GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(pHover.Count(kSwitchOnMark), 0);
    EXPECT_EQ(pHover.At(markX, midY), kPanelColour);
    EXPECT_LT(pHover.Ink(110, CaptionArea()), pOn.Ink(110, CaptionArea()));
    // No data: hatched, no state mark at all, and no check state to read.
    EXPECT_GT(pNoData.Count(kNoDataHatch), 50);
    EXPECT_EQ(pNoData.Count(kSwitchOnMark), 0);
    EXPECT_EQ(pNoData.Count(kSwitchOffMark), 0);
    EXPECT_EQ(::SendMessageW(d, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
}

TEST_F(SwitchLookTest, IconSwitchCarriesItsMarkAlongTheBottom) {
    CLevelBtnST on, off;
    HWND a = Add(on, L"", 10, 10, kIconSide, kIconSide);
    HWND b = Add(off, L"", 50, 10, kIconSide, kIconSide);
    on.SetIcon(ct::MakeIcon(RGB(0, 0, 255)));
    off.SetIcon(ct::MakeIcon(RGB(0, 0, 255)));
    on.SetCheckIfChanged(1);
    const ct::Picture pOn = ct::ClientPicture(a), pOff = ct::ClientPicture(b);
    const int barY = kIconSide - kStateMarkMargin - kStateMarkHeight / 2 - 1;
    EXPECT_EQ(pOn.At(kIconSide / 2, barY), kSwitchOnMark);
    EXPECT_EQ(pOff.At(kIconSide / 2, barY), kPanelColour);
    EXPECT_EQ(pOff.At(kIconSide / 2, kIconSide - kStateMarkMargin - 1), kSwitchOffMark);
    // The icon is whole above the mark in both states.
    EXPECT_EQ(pOn.Count(RGB(0, 0, 255)), 16 * 16);
    EXPECT_EQ(pOff.Count(RGB(0, 0, 255)), 16 * 16);
}

// Tab, Tab, Space must show where the focus is before Space acts.
TEST_F(SwitchLookTest, KeyboardFocusShowsAFrameThatKeepsTheState) {
    CLevelBtnST on, off;
    HWND a = Add(on, kCaption, 10, 10, kWidth, kHeight);
    HWND b = Add(off, kCaption, 140, 10, kWidth, kHeight);
    on.SetCheckIfChanged(1);
    const int midY = kHeight / 2;
    EXPECT_NE(ct::ClientPicture(b).At(1, midY), kFocusColour);

    ::SetFocus(b);
    ct::Picture focused = ct::ClientPicture(b);
    for (int i = 1; i <= kFocusFrameWidth; ++i) {
        EXPECT_EQ(focused.At(i, midY), kFocusColour) << i;
        EXPECT_EQ(focused.At(kWidth / 2, i), kFocusColour) << i;
    }
    EXPECT_EQ(focused.Count(kSwitchOnMark), 0) << "focus is not the on look";

    ::SetFocus(a);
    focused = ct::ClientPicture(a);
    EXPECT_EQ(focused.At(1, midY), kFocusColour);
    EXPECT_EQ(focused.At(kStateMarkMargin + 1, midY), kSwitchOnMark) << "the state stays visible";
    EXPECT_EQ(focused.At(0, 0), ::GetSysColor(COLOR_3DSHADOW)) << "still sunken";
    EXPECT_EQ(ct::ClientPicture(b).Count(kFocusColour), 0) << "the focus left";
}

// DrawState's disabled look turns a colour icon into a grey square; a locked mode button must
// still show which mode it stands for.
TEST_F(SwitchLookTest, LockedIconStaysColouredAndGreyed) {
    CLevelBtnST operable, locked;
    HWND a = Add(operable, L"", 10, 10, kIconSide, kIconSide);
    HWND b = Add(locked, L"", 50, 10, kIconSide, kIconSide);
    operable.SetIcon(ct::MakeIcon(RGB(0, 160, 0)));
    locked.SetIcon(ct::MakeIcon(RGB(0, 160, 0)));
    locked.SetRequiredLevel(3);
    locked.SetUserLevel(1);
    ASSERT_FALSE(::IsWindowEnabled(b));
    const ct::Picture pOperable = ct::ClientPicture(a), pLocked = ct::ClientPicture(b);
    EXPECT_EQ(pOperable.Count(RGB(0, 160, 0)), 16 * 16);
    EXPECT_EQ(pLocked.Count(RGB(0, 160, 0)), 0) << "greyed";
    int coloured = 0, grey = 0;
    for (COLORREF c : pLocked.pixels) {
        const int r = GetRValue(c), g = GetGValue(c), bl = GetBValue(c);
        coloured += (g > r + 20 && g > bl + 20) ? 1 : 0;
        grey += (r == g && g == bl && c != kPanelColour) ? 1 : 0;
    }
    EXPECT_EQ(coloured, 16 * 16) << "every pixel of the icon keeps a green hue";
    EXPECT_LT(grey, 16 * 16 / 2);
}

TEST_F(SwitchLookTest, LockedSwitchToolTipSaysWhy) {
    CLevelBtnST button, other;
    HWND b = Add(button, kCaption, 10, 10, kWidth, kHeight);
    HWND o = Add(other, kCaption, 10, 60, kWidth, kHeight);
    other.SetRequiredLevel(2); // locked before the first one
    other.SetUserLevel(1);
    EXPECT_EQ(button.GetLockTipText(), L"");
    button.SetRequiredLevel(3);
    button.SetUserLevel(1);
    EXPECT_EQ(button.GetLockTipText(), L"Locked: needs operator level 3, the operator has level 1");
    button.SetUserLevel(2);
    EXPECT_EQ(button.GetLockTipText(), L"Locked: needs operator level 3, the operator has level 2");
    button.SetRequiredLevel(0);
    EXPECT_EQ(button.GetLockTipText(),
              L"Locked: nobody may operate it here (the operator has level 2)");
    // The station's language, with the same levels in the same places.
    CKrStringDBWrapper::SetLanguage("zh-CN");
    button.SetRequiredLevel(4);
    const std::wstring zh = button.GetLockTipText();
    if (::GetACP() == 936) {
        EXPECT_EQ(zh, L"已锁定：需要操作级别 4，当前操作员级别 2");
    }
    ASSERT_NE(zh.find(L'4'), std::wstring::npos) << kfw::Narrow(zh, CP_UTF8);
    EXPECT_LT(zh.find(L'4'), zh.find(L'2')) << kfw::Narrow(zh, CP_UTF8);

    // The pointer resting on the disabled switch brings the tip up.
    CKrStringDBWrapper::SetLanguage("en");
    button.SetUserLevel(1);
    ASSERT_FALSE(::IsWindowEnabled(b));
    RECT rc{};
    ::GetWindowRect(b, &rc);
    HWND tip = button.GetLockTip();
    ASSERT_TRUE(::IsWindow(tip));
    // The pointer comes to rest on the switch; every move would start the delay again.
    MovePointer(rc.left + 20, rc.top + 8);
    MovePointer(rc.left + 30, rc.top + 10);
    EXPECT_TRUE(ct::PumpUntil([&] { return ::IsWindowVisible(tip) != FALSE; }, 5000));
    EXPECT_EQ(kfw::GetWindowTextW(tip),
              L"Locked: needs operator level 4, the operator has level 1");

    // Every locked switch of a window has its own tip (they share the window's tooltip).
    EXPECT_EQ(other.GetLockTip(), tip);
    RECT ro{};
    ::GetWindowRect(o, &ro);
    MovePointer(ro.left + 20, ro.top + 8);
    MovePointer(ro.left + 30, ro.top + 10);
    EXPECT_TRUE(ct::PumpUntil(
        [&] {
            return ::IsWindowVisible(tip) &&
                   kfw::GetWindowTextW(tip) ==
                       L"Locked: needs operator level 2, the operator has level 1";
        },
        5000))
        << kfw::Narrow(kfw::GetWindowTextW(tip), CP_UTF8);

    // Unlocked: no tip.
    button.SetUserLevel(4);
    EXPECT_EQ(button.GetLockTipText(), L"");
    MovePointer(0, 0);
    EXPECT_TRUE(ct::PumpUntil([&] { return !::IsWindowVisible(tip); }, 3000));
}

// ---- numeric edit ----

class FocusEditDialog : public kfw::CDialog {
public:
    FocusEditDialog() : kfw::CDialog(IDD_EDITS) {}
    CTnEdit edit;

protected:
    void DoDataExchange() override { edit.SubclassDlgItem(IDC_TNEDIT, m_hWnd); }
};

TEST(EditFocusLookTest, FocusedEditShowsAFrameOnItsBorder) {
    FocusEditDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    ::SetWindowPos(dlg, HWND_TOPMOST, 300, 300, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    dlg.edit.SetRequiredLevel(1);
    dlg.edit.SetUserLevel(1);
    dlg.edit.SetText(L"412.50");
    RECT rc{};
    ::GetWindowRect(dlg.edit, &rc);
    const int midY = (rc.bottom - rc.top) / 2;
    ::SetFocus(dlg.GetDlgItem(IDC_OTHER));
    kt::PumpAndLog(100);
    EXPECT_NE(ct::WindowPixel(dlg.edit, 0, midY), kFocusColour);

    ::SetFocus(dlg.edit);
    kt::PumpAndLog(100);
    EXPECT_EQ(ct::WindowPixel(dlg.edit, 0, midY), kFocusColour);
    EXPECT_EQ(ct::WindowPixel(dlg.edit, (rc.right - rc.left) / 2, 0), kFocusColour);
    // The value stays on its black background inside the frame.
    EXPECT_EQ(ct::ClientPixel(dlg.edit, 1, 1), kEditNormalBackground);

    // A locked field that has the focus shows it too.
    dlg.edit.SetUserLevel(0);
    kt::PumpAndLog(100);
    EXPECT_EQ(ct::WindowPixel(dlg.edit, 0, midY), kFocusColour);

    ::SetFocus(dlg.GetDlgItem(IDC_OTHER));
    kt::PumpAndLog(100);
    EXPECT_NE(ct::WindowPixel(dlg.edit, 0, midY), kFocusColour);
    dlg.DestroyWindow();
}

// ---- Chinese captions ----

// Ink width of each character of a text drawn with a font, black on white.
std::vector<int> InkWidths(HFONT font, const std::wstring& text) {
    kfw::CWindowDC screen(nullptr);
    kfw::CMemoryDC dc(::CreateCompatibleDC(screen));
    constexpr int kCell = 40;
    const int w = kCell * static_cast<int>(text.size()), h = kCell;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    kfw::CBitmap bmp(::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    kfw::CSelectObject selBmp(dc, bmp);
    kfw::CSelectObject selFont(dc, font);
    RECT all{0, 0, w, h};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < text.size(); ++i)
        ::TextOutW(dc, static_cast<int>(i) * kCell + 4, 4, &text[i], 1);
    ::GdiFlush();
    const auto* px = static_cast<const RGBQUAD*>(bits);
    std::vector<int> widths;
    for (size_t i = 0; i < text.size(); ++i) {
        int left = kCell, right = -1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < kCell; ++x) {
                const RGBQUAD& q = px[y * w + static_cast<int>(i) * kCell + x];
                if (q.rgbRed + q.rgbGreen + q.rgbBlue < 3 * 200) { // any visible ink
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        widths.push_back(right >= left ? right - left + 1 : 0);
    }
    return widths;
}

// Dense glyphs ("衡", "吗") once came out as half a glyph at 9 pt: their ink must be about as
// wide as that of "平", which any usable font draws whole.
TEST(CaptionGlyphTest, DenseGlyphsOfTheCaptionsAreWholeAt9Points) {
    kfw::CFont font(TemplateFont());
    const std::wstring texts[] = {L"双支路平衡1投切", L"八支路平衡投切", L"确认修改吗"};
    for (const std::wstring& text : texts) {
        const std::vector<int> widths = InkWidths(font, text + L"平");
        const int reference = widths.back();
        ASSERT_GE(reference, 9) << "the reference glyph itself is cut";
        for (size_t i = 0; i < text.size(); ++i) {
            if (std::wstring(L"衡吗").find(text[i]) == std::wstring::npos)
                continue; // other glyphs (八, 1) are narrow by design
            EXPECT_GE(widths[i] * 100, reference * 85)
                << "U+" << std::hex << static_cast<unsigned>(text[i]) << " in "
                << kfw::Narrow(text, CP_UTF8) << ": " << std::dec << widths[i] << " px of "
                << reference;
        }
    }
}

} // namespace
