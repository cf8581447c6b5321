// Window binding, unbinding, dispatch, reflection and subclassing.
#include "Dialog.h"
#include "MsgSequence.h"
#include "Window.h"
#include "framework_test_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

using namespace kfw;

namespace {

constexpr wchar_t kClass[] = L"kfw.test.Window";

// Records every message that reaches the object, and whether it was bound at the time.
class RecordingWnd : public CWnd {
public:
    std::vector<UINT> seen;
    bool boundOnFirst = false;
    bool postNcDestroyCalled = false;
    int* liveCalls = nullptr; // counts calls through a pointer that outlives the object

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (seen.empty())
            boundOnFirst = FromHandle(m_hWnd) == this;
        seen.push_back(msg);
        if (liveCalls)
            ++*liveCalls;
        return CWnd::WindowProc(msg, wp, lp);
    }
    void PostNcDestroy() override { postNcDestroyCalled = true; }
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CWnd::RegisterClass(kClass)); }
};

TEST_F(WindowTest, BoundBeforeFirstMessageOfCreation) {
    RecordingWnd wnd;
    ASSERT_TRUE(
        wnd.CreateEx(0, kClass, L"w", WS_OVERLAPPEDWINDOW, RECT{0, 0, 200, 100}, nullptr, 0));
    ASSERT_FALSE(wnd.seen.empty());
    // An overlapped window gets WM_GETMINMAXINFO before WM_NCCREATE; both reach the object.
    EXPECT_EQ(wnd.seen[0], static_cast<UINT>(WM_GETMINMAXINFO));
    EXPECT_TRUE(wnd.boundOnFirst);
    auto nccreate = std::find(wnd.seen.begin(), wnd.seen.end(), static_cast<UINT>(WM_NCCREATE));
    ASSERT_NE(nccreate, wnd.seen.end());
    EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
    wnd.DestroyWindow();
}

TEST_F(WindowTest, UnboundAtNcDestroy) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, kClass, L"w", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, 0));
    HWND hwnd = wnd.m_hWnd;
    ASSERT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.seen.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_TRUE(wnd.postNcDestroyCalled);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
}

TEST_F(WindowTest, DeletedObjectIsNeverCalledAgain) {
    kt::LoggingParent parent;
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20,
                                  parent.hwnd(), reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_TRUE(edit);
    LONG_PTR original = ::GetWindowLongPtrW(edit, GWLP_WNDPROC);
    int calls = 0;
    {
        RecordingWnd wnd;
        wnd.liveCalls = &calls;
        ASSERT_TRUE(wnd.SubclassDlgItem(7, parent.hwnd()));
        ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"abc"));
        EXPECT_GT(calls, 0);
    }
    int before = calls;
    // The child control outlives its object: its messages go to the original procedure.
    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"def"));
    ::DestroyWindow(edit);
    EXPECT_EQ(calls, before);
    EXPECT_EQ(CWnd::FromHandle(edit), nullptr);
    (void)original;
}

TEST_F(WindowTest, DestructorDestroysOwnTopLevelWindow) {
    HWND hwnd = nullptr;
    {
        RecordingWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, kClass, L"w", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, 0));
        hwnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(WindowTest, SubclassedControlRestoresItsProcedure) {
    kt::LoggingParent parent;
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 100, 20, parent.hwnd(),
                                  reinterpret_cast<HMENU>(8), nullptr, nullptr);
    LONG_PTR original = ::GetWindowLongPtrW(edit, GWLP_WNDPROC);
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassDlgItem(8, parent.hwnd()));
    EXPECT_NE(::GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
    EXPECT_FALSE(RecordingWnd().SubclassWindow(edit)); // bound once only
    EXPECT_EQ(wnd.UnsubclassWindow(), edit);
    EXPECT_EQ(::GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
    EXPECT_FALSE(wnd.SubclassDlgItem(999, parent.hwnd()));
}

// A button object that takes its own click and colour notifications.
class ReflectingButton : public CWnd {
public:
    int clicks = 0;
    HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
    ~ReflectingButton() override { ::DeleteObject(brush); }

protected:
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM, LRESULT* result) override {
        if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
            ++clicks;
            *result = 0;
            return true;
        }
        if (msg == WM_CTLCOLORBTN) {
            *result = reinterpret_cast<LRESULT>(brush);
            return true;
        }
        return false;
    }
};

class ParentWnd : public CWnd {
public:
    std::vector<UINT> commands;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_COMMAND)
            commands.push_back(HIWORD(wp));
        return CWnd::WindowProc(msg, wp, lp);
    }
};

TEST_F(WindowTest, NotificationsAreReflectedToTheControlObject) {
    ParentWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, kClass, L"p", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                RECT{0, 0, 300, 200}, nullptr, 0));
    HWND button =
        ::CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 24,
                          parent, reinterpret_cast<HMENU>(5), nullptr, nullptr);
    ReflectingButton obj;
    ASSERT_TRUE(obj.SubclassWindow(button));
    ::SendMessageW(button, BM_CLICK, 0, 0);
    kt::PumpAndLog();
    EXPECT_EQ(obj.clicks, 1);
    EXPECT_TRUE(parent.commands.empty()); // handled by the control, not passed on

    HDC dc = ::GetDC(button);
    LRESULT brush = ::SendMessageW(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                   reinterpret_cast<LPARAM>(button));
    ::ReleaseDC(button, dc);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), obj.brush);

    // A notification the control does not take reaches the parent.
    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(5, BN_SETFOCUS),
                   reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(parent.commands, std::vector<UINT>{BN_SETFOCUS});
}

class ThrowingWnd : public CWnd {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_APP)
            throw std::runtime_error("boom");
        return CWnd::WindowProc(msg, wp, lp);
    }
};

TEST_F(WindowTest, NoExceptionLeavesTheWindowProcedure) {
    ThrowingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, kClass, L"t", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    EXPECT_EQ(wnd.SendMessage(WM_APP), 0);
    EXPECT_TRUE(::IsWindow(wnd.m_hWnd));
}

} // namespace
