// RAII handles, traces and the screenshot helper.
#include "DebugCapture.h"
#include "Handle.h"
#include "Screenshot.h"
#include "Trace.h"
#include "Text.h"

#include <gtest/gtest.h>

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

TEST(ScreenshotTest, WritesAPngOfTheWindowSize) {
    HWND hwnd = ::CreateWindowExW(0, L"STATIC", L"shot", WS_POPUP | WS_VISIBLE | WS_BORDER, 10, 10,
                                  123, 45, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(hwnd);
    wchar_t path[MAX_PATH];
    ::GetTempPathW(MAX_PATH, path);
    std::wstring file = std::wstring(path) + L"kfw_shot_test.png";
    ::DeleteFileW(file.c_str());
    ASSERT_TRUE(SaveWindowPng(hwnd, file.c_str()));
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
