// The demo station's windows as its operator sees them on the 1280 x 1024 screen: the real
// module opened from demo/station_host.ini on a real communication server. Every faceplate
// is as large as its content plus a small margin, no control is cut by a faceplate's edge
// (a cut one draws a piece of itself over the frame), the embedded faceplate fills its
// display window, and every window lies on the screen.
#include "ChildProcess.h"
#include "Descriptors.h"
#include "Host.h"
#include "Pump.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace fphost {
namespace {

constexpr char kServerSegment[] = "COMMUNATAION SERVER HWND";
constexpr DWORD kServerUpMs = 15000;
constexpr DWORD kSettleMs = 800;
// Room between the content and the faceplate's edge: its frame line and a small margin.
constexpr int kMinMargin = 2;
constexpr int kMaxMargin = 12;

std::string Describe(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    std::ostringstream s;
    s << "control " << ::GetDlgCtrlID(hwnd) << " (" << std::string(cls, cls + wcslen(cls))
      << ") at (" << rc.left << "," << rc.top << ")-(" << rc.right << "," << rc.bottom << ")";
    return s.str();
}

RECT ClientOnScreen(HWND hwnd) {
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    ::MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void ExpectOnScreen(HWND hwnd, const char* what) {
    RECT rc{}, screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    RECT inside{};
    ::GetWindowRect(hwnd, &rc);
    ::IntersectRect(&inside, &rc, &screen);
    EXPECT_TRUE(::EqualRect(&inside, &rc))
        << what << " at (" << rc.left << "," << rc.top << ")-(" << rc.right << "," << rc.bottom
        << ") runs off the " << screen.right << " x " << screen.bottom << " screen";
}

// The faceplate's visible controls lie wholly inside its client area or wholly outside it,
// and those inside end a small margin before its right and bottom edges.
void ExpectFits(HWND faceplate, const char* what) {
    const RECT client = ClientOnScreen(faceplate);
    RECT content{};
    for (HWND c = ::GetWindow(faceplate, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(c))
            continue;
        RECT rc{}, shown{};
        ::GetWindowRect(c, &rc);
        if (!::IntersectRect(&shown, &rc, &client))
            continue;
        EXPECT_TRUE(::EqualRect(&shown, &rc)) << what << ": " << Describe(c) << " is cut by the edge";
        ::UnionRect(&content, &content, &shown);
    }
    ASSERT_FALSE(::IsRectEmpty(&content)) << what << " shows no control";
    EXPECT_GE(client.right - content.right, kMinMargin) << what;
    EXPECT_LE(client.right - content.right, kMaxMargin) << what << ": empty area at the right";
    EXPECT_GE(client.bottom - content.bottom, kMinMargin) << what;
    EXPECT_LE(client.bottom - content.bottom, kMaxMargin) << what << ": empty area below";
    ExpectOnScreen(faceplate, what);
}

class DemoLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_server = new kt::ChildProcess;
        ASSERT_TRUE(s_server->Start(kt::BinPath(L"commserver.exe"),
                                    L"--config \"" + kt::BinPath(L"demo_station.ini") +
                                        L"\" --exit-after 120000"));
        ASSERT_TRUE(kt::ChildProcess::WaitForMapping(kServerSegment, kServerUpMs))
            << s_server->Output();
    }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }

    void SetUp() override {
        std::ifstream in(kt::BinPath(L"station_host.ini").c_str(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        ASSERT_TRUE(LoadIni(text.str(), m_config, error)) << error;
    }

    static inline kt::ChildProcess* s_server = nullptr;
    HostConfig m_config;
};

TEST_F(DemoLayout, FaceplatesFitTheirContentAndTheScreen) {
    Host host(m_config);
    std::string error;
    ASSERT_TRUE(host.LoadModule(error)) << error;
    BlockTable table;
    ASSERT_TRUE(LoadBalance8Table(table, error)) << error;
    ASSERT_TRUE(host.Prepare(table, error)) << error;

    HWND strip = host.Open("BAL101", OpenMode::Compact, error);
    ASSERT_TRUE(strip) << error;
    kt::PumpFor(kSettleMs);
    ExpectFits(strip, "BAL101's strip");

    host.ShowDetail("BAL101", true);
    kt::PumpFor(kSettleMs);
    ExpectFits(strip, "BAL101's detail view");

    host.ShowDetail("BAL101", false);
    kt::PumpFor(kSettleMs);
    ExpectFits(strip, "BAL101's strip after the detail view");

    HWND embedded = host.Open("BAL102", OpenMode::Embedded, error);
    ASSERT_TRUE(embedded) << error;
    kt::PumpFor(kSettleMs);
    ExpectFits(embedded, "BAL102 embedded");
    const HWND display = host.Newest()->container;
    RECT fp{};
    ::GetWindowRect(embedded, &fp);
    const RECT client = ClientOnScreen(display);
    EXPECT_TRUE(::EqualRect(&fp, &client)) << "BAL102 does not fill its display window's client area";
    ExpectOnScreen(display, "BAL102's display window");
    RECT a{}, b{}, common{};
    ::GetWindowRect(strip, &a);
    ::GetWindowRect(display, &b);
    EXPECT_FALSE(::IntersectRect(&common, &a, &b)) << "BAL102's window covers BAL101's strip";
    host.CloseAll();
}

} // namespace
} // namespace fphost
