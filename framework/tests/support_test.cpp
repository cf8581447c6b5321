// RAII handles, traces and the screenshot helper.
#include "DebugCapture.h"
#include "Handle.h"
#include "Pump.h"
#include "Screenshot.h"
#include "Trace.h"
#include "Text.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <string>
#include <vector>

using namespace kfw;

namespace {

TEST(HandleTest, OwnedGdiObjectsAreDeletedBorrowedAreNot) {
    HBRUSH raw = nullptr;
    {
        CBrush brush(::CreateSolidBrush(RGB(10, 20, 30)));
        raw = brush;
        EXPECT_EQ(::GetObjectType(raw), static_cast<DWORD>(OBJ_BRUSH));
        CBrushRef ref(raw);
    }
    EXPECT_EQ(::GetObjectType(raw), 0u);

    HFONT font =
        ::CreateFontW(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"System");
    { CFontRef ref(font); }
    EXPECT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    ::DeleteObject(font);
}

TEST(HandleTest, MoveTransfersOwnershipAndReleaseKeepsTheHandle) {
    CHandle a(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE raw = a;
    CHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
    HANDLE kept = b.release();
    EXPECT_FALSE(b);
    DWORD flags = 0;
    EXPECT_TRUE(::GetHandleInformation(kept, &flags)); // still open
    ::CloseHandle(kept);
    CFileHandle none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
}

TEST(HandleTest, SelectObjectPutsThePreviousObjectBack) {
    CMemoryDC dc(::CreateCompatibleDC(nullptr));
    HGDIOBJ before = ::GetCurrentObject(dc, OBJ_FONT);
    CFont font(
        ::CreateFontW(20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"System"));
    {
        CSelectObject select(dc, font);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font.get());
    }
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), before);
}

TEST(HandleTest, MappedViewIsUnmapped) {
    CHandle mapping(
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, nullptr));
    ASSERT_TRUE(mapping);
    void* raw = nullptr;
    {
        CMappedView view(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
        raw = view.get();
        ASSERT_TRUE(raw);
        MEMORY_BASIC_INFORMATION info{};
        ::VirtualQuery(raw, &info, sizeof info);
        EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
    }
    MEMORY_BASIC_INFORMATION info{};
    ::VirtualQuery(raw, &info, sizeof info);
    EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
}

void CollectLine(const char* line, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(line);
}

TEST(TraceTest, FormattedLinesReachTheSinkAndTheDebugOutput) {
    std::vector<std::string> lines;
    SetTraceSink(CollectLine, &lines);
    kt::DebugCapture capture;
    ASSERT_TRUE(capture.Listening());
    Trace("[FP_BALANCE]:OpenFP()]::bMovable:%d,bNewFP:%d\n", 1, 0);
    TraceText("100% literal\n");
    SetTraceSink(nullptr, nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "[FP_BALANCE]:OpenFP()]::bMovable:1,bNewFP:0\n");
    EXPECT_EQ(lines[1], "100% literal\n");
    EXPECT_TRUE(capture.WaitFor("[FP_BALANCE]:OpenFP()]::bMovable:1,bNewFP:0"));
    EXPECT_TRUE(capture.WaitFor("100% literal"));
}

TEST(TraceTest, OverlongLinesAreCutNotOverrun) {
    std::vector<std::string> lines;
    SetTraceSink(CollectLine, &lines);
    std::string big(5000, 'x');
    Trace("%s", big.c_str());
    SetTraceSink(nullptr, nullptr);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 1023u);
}

TEST(TextTest, ChineseRoundTripThroughGbk) {
    const wchar_t* text = L"总管流量设定";
    std::string gbk = Narrow(text, 936);
    EXPECT_EQ(gbk.size(), 12u); // two bytes per character
    EXPECT_EQ(Widen(gbk, 936), text);
    EXPECT_EQ(Widen(static_cast<const char*>(nullptr)), L"");
}

// A window with the kinds of controls a faceplate shows, on a plain grey pop-up.
struct ControlPanel {
    HWND window = nullptr;
    HWND button = nullptr, edit = nullptr, text = nullptr, tab = nullptr, blank = nullptr,
         lamp = nullptr;

    ControlPanel() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
        ::InitCommonControlsEx(&icc);
        window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 30,
                                   30, 360, 220, nullptr, nullptr, nullptr, nullptr);
    }
    // The controls, created visible and left unpainted.
    void AddControls() {
        auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int x,
                       int y, int w, int h) {
            return ::CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                     window, nullptr, nullptr, nullptr);
        };
        tab = add(WC_TABCONTROLW, L"", 0, 0, 10, 10, 200, 60);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"Page 1");
        ::SendMessageW(tab, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        item.pszText = const_cast<wchar_t*>(L"Page 2");
        ::SendMessageW(tab, TCM_INSERTITEMW, 1, reinterpret_cast<LPARAM>(&item));
        button = add(L"BUTTON", L"Switch", BS_PUSHBUTTON, 0, 10, 90, 90, 30);
        edit = add(L"EDIT", L"", 0, WS_EX_CLIENTEDGE, 120, 90, 90, 24);
        text = add(L"STATIC", L"AUTO BAL", 0, 0, 10, 140, 120, 20);
        blank = add(L"STATIC", L"", 0, 0, 150, 140, 60, 20);
        lamp = add(L"STATIC", L"", SS_BLACKRECT, 0, 240, 20, 40, 40);
    }
    ~ControlPanel() { ::DestroyWindow(window); }
};

// Paints the rectangle of a control in the picture with the colour just left of it.
void Unpaint(kfw::Picture& picture, HWND control) {
    RECT rc{};
    ::GetWindowRect(control, &rc);
    const DWORD around = picture.At(rc.left - 1, rc.top);
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            picture.At(x, y) = around;
}

bool Holds(const std::vector<HWND>& list, HWND hwnd) {
    return std::find(list.begin(), list.end(), hwnd) != list.end();
}

// Controls shown a moment after the thread was idle have painted only into Wine's memory of
// the window: the capture must still show them, not the screen of that idle moment.
TEST(ScreenshotTest, ControlsShownJustBeforeTheShotAreInThePicture) {
    ControlPanel panel;
    ASSERT_TRUE(panel.window);
    kt::PumpFor(300);
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0); // idle now
    panel.AddControls();
    Picture picture;
    ASSERT_TRUE(CaptureWindow(panel.window, picture));
    EXPECT_EQ(picture.Width(), 360);
    EXPECT_TRUE(UndrawnControls(panel.window, picture).empty());
    RECT lamp{};
    ::GetWindowRect(panel.lamp, &lamp);
    // The lamp itself, in the frame colour, not the grey around it.
    EXPECT_NE(picture.At(lamp.left + 20, lamp.top + 20), picture.At(lamp.left - 2, lamp.top));
    // The whole screen holds the window too.
    Picture screen;
    ASSERT_TRUE(CaptureWindow(::GetDesktopWindow(), screen));
    EXPECT_TRUE(UndrawnControls(::GetDesktopWindow(), screen).empty());
}

TEST(ScreenshotTest, ControlsShowingOnlyBackgroundAreNamed) {
    ControlPanel panel;
    ASSERT_TRUE(panel.window);
    panel.AddControls();
    kt::PumpFor(300);
    Picture drawn;
    ASSERT_TRUE(CaptureWindow(panel.window, drawn));
    ASSERT_TRUE(UndrawnControls(panel.window, drawn).empty());

    Picture picture = drawn;
    for (HWND control : {panel.tab, panel.button, panel.edit, panel.text, panel.lamp})
        Unpaint(picture, control);
    const std::vector<HWND> undrawn = UndrawnControls(panel.window, picture);
    EXPECT_TRUE(Holds(undrawn, panel.tab));
    EXPECT_TRUE(Holds(undrawn, panel.button));
    EXPECT_TRUE(Holds(undrawn, panel.edit));
    EXPECT_TRUE(Holds(undrawn, panel.text));
    // A blank static and a black lamp may be one colour: only a later picture that shows the
    // lamp drawn gives it away.
    EXPECT_FALSE(Holds(undrawn, panel.blank));
    EXPECT_FALSE(Holds(undrawn, panel.lamp));
    const std::vector<HWND> against = UndrawnControls(panel.window, picture, &drawn);
    EXPECT_TRUE(Holds(against, panel.lamp));
    EXPECT_TRUE(Holds(against, panel.button));
    EXPECT_FALSE(Holds(against, panel.blank));
}

TEST(ScreenshotTest, ControlsUnderAnotherWindowAreNotJudged) {
    ControlPanel panel;
    ASSERT_TRUE(panel.window);
    panel.AddControls();
    RECT rc{};
    ::GetWindowRect(panel.button, &rc);
    // A plain grey window of the same colour lies over the button: the screen shows grey there.
    HWND cover = ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE,
                                   rc.left - 5, rc.top - 5, rc.right - rc.left + 10,
                                   rc.bottom - rc.top + 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(cover);
    kt::PumpFor(300);
    Picture picture;
    ASSERT_TRUE(CaptureWindow(panel.window, picture));
    EXPECT_TRUE(UndrawnControls(panel.window, picture).empty());
    ::DestroyWindow(cover);
}

TEST(ScreenshotTest, WritesAPngOfTheWindowSize) {
    HWND hwnd = ::CreateWindowExW(0, L"STATIC", L"shot", WS_POPUP | WS_VISIBLE | WS_BORDER, 10, 10,
                                  123, 45, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(hwnd);
    wchar_t path[MAX_PATH];
    ::GetTempPathW(MAX_PATH, path);
    std::wstring file = std::wstring(path) + L"kfw_shot_test.png";
    ::DeleteFileW(file.c_str());
    std::vector<HWND> undrawn{hwnd};
    ASSERT_TRUE(SaveWindowPng(hwnd, file.c_str(), &undrawn));
    EXPECT_TRUE(undrawn.empty());
    ::DestroyWindow(hwnd);
    FILE* f = _wfopen(file.c_str(), L"rb");
    ASSERT_TRUE(f);
    unsigned char header[24] = {};
    size_t n = fread(header, 1, sizeof header, f);
    fclose(f);
    ::DeleteFileW(file.c_str());
    ASSERT_EQ(n, sizeof header);
    EXPECT_EQ(0, memcmp(header, "\x89PNG\r\n\x1a\n", 8));
    auto be32 = [&](int at) {
        return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
    };
    EXPECT_EQ(be32(16), 123);
    EXPECT_EQ(be32(20), 45);
    EXPECT_FALSE(SaveWindowPng(nullptr, file.c_str()));
}

} // namespace
