// The resource switch: the named module from construction to destruction, nested switches,
// unknown modules, one choice per thread, and the framework's dialogs following it.
#include "Dialog.h"
#include "KrToolkit.h"
#include "Resources.h"
#include "Text.h"
#include "krres_ids.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

// Which resource module is current: "A", "B", or "" when none answers.
std::string CurrentWhich() {
    HMODULE module = KrGetResourceModule();
    if (!module)
        return "";
    HRSRC res =
        ::FindResourceW(module, MAKEINTRESOURCEW(IDR_WHICH), MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
    if (!res)
        return "?";
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, res)));
    return data ? std::string(data) : "?";
}

TEST(RcSwitchTest, NoSwitchMeansNoModule) {
    EXPECT_EQ(KrGetResourceModule(), nullptr);
}

TEST(RcSwitchTest, NestedSwitchesRestoreTheirPredecessors) {
    HMODULE loadedB = ::LoadLibraryW(L"krres_b.dll"); // B is loaded, A only as a data file
    ASSERT_NE(loadedB, nullptr);
    ASSERT_EQ(::GetModuleHandleW(L"krres_a.dll"), nullptr);
    {
        CKrRcSwitch outer(nullptr, "krres_a.dll");
        EXPECT_EQ(CurrentWhich(), "A");
        {
            CKrRcSwitch inner(nullptr, "krres_b.dll");
            EXPECT_EQ(KrGetResourceModule(), loadedB);
            EXPECT_EQ(CurrentWhich(), "B");
            {
                CKrRcSwitch unknown(nullptr, "no_such_module.dll");
                EXPECT_EQ(CurrentWhich(), "B") << "an unknown module keeps the previous choice";
                CKrRcSwitch none(nullptr, nullptr);
                EXPECT_EQ(CurrentWhich(), "B");
            }
            EXPECT_EQ(CurrentWhich(), "B");
        }
        EXPECT_EQ(CurrentWhich(), "A");
    }
    EXPECT_EQ(KrGetResourceModule(), nullptr);
    ::FreeLibrary(loadedB);
}

TEST(RcSwitchTest, EachThreadHasItsOwnChoice) {
    CKrRcSwitch mine(nullptr, "krres_a.dll");
    ASSERT_EQ(CurrentWhich(), "A");
    std::string otherBefore, otherInside, otherAfter;
    std::thread other([&] {
        otherBefore = CurrentWhich();
        {
            CKrRcSwitch theirs(nullptr, "krres_b.dll");
            otherInside = CurrentWhich();
        }
        otherAfter = CurrentWhich();
    });
    other.join();
    EXPECT_EQ(otherBefore, "");
    EXPECT_EQ(otherInside, "B");
    EXPECT_EQ(otherAfter, "");
    EXPECT_EQ(CurrentWhich(), "A");
}

TEST(RcSwitchTest, FrameworkDialogsComeFromTheSwitchedModule) {
    kfw::SetResourceModuleProvider(&KrGetResourceModule);
    for (const char* name : {"krres_a.dll", "krres_b.dll"}) {
        CKrRcSwitch rc(nullptr, name);
        kfw::CDialog dlg(IDD_SWITCH_TEST);
        ASSERT_TRUE(dlg.Create(nullptr)) << name;
        std::wstring expected = std::wstring(L"资源模块 ") + (name[6] == 'a' ? L"A" : L"B");
        EXPECT_EQ(kfw::GetWindowTextW(dlg.m_hWnd), expected);
        dlg.DestroyWindow();
    }
    kfw::CDialog outside(IDD_SWITCH_TEST);
    EXPECT_FALSE(outside.Create(nullptr))
        << "without a switch the test's own module has no such template";
    kfw::SetResourceModuleProvider(nullptr);
}

} // namespace
