// The generic faceplate's Shift+Alt chords on a faceplate window of the test's own, with the
// thread's key state set by the test and the key messages going through the module's key hook.
#include "FP_BASEDlg.h"
#include "FPKeys.h"
#include "Pump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr WORD kStepIds[] = {fp::IDC_FP_FAST_INCREASE, fp::IDC_FP_INCREASE, fp::IDC_FP_DECREASE,
                             fp::IDC_FP_FAST_DECREASE};

// A dialog template with the acknowledge and adjust buttons and, optionally, the step controls.
std::vector<BYTE> Template(bool steps) {
    std::vector<WORD> ids{IDC_FP_BTN_ACK, IDC_FP_BTN_ADJ};
    if (steps)
        ids.insert(ids.end(), std::begin(kStepIds), std::end(kStepIds));
    std::vector<BYTE> t;
    auto put = [&t](const void* p, size_t n) {
        auto* b = static_cast<const BYTE*>(p);
        t.insert(t.end(), b, b + n);
    };
    auto word = [&](WORD w) { put(&w, 2); };
    auto align = [&] {
        while (t.size() % 4)
            t.push_back(0);
    };
    DLGTEMPLATE dlg{};
    dlg.style = WS_POPUP | WS_VISIBLE;
    dlg.cdit = static_cast<WORD>(ids.size());
    dlg.cx = 200;
    dlg.cy = 100;
    put(&dlg, sizeof dlg);
    word(0); // menu
    word(0); // class
    word(0); // title
    for (size_t i = 0; i < ids.size(); ++i) {
        align();
        DLGITEMTEMPLATE item{};
        item.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
        item.x = static_cast<short>(4 + 30 * i);
        item.y = 4;
        item.cx = 26;
        item.cy = 14;
        item.id = ids[i];
        put(&item, sizeof item);
        word(0xFFFF); // button class
        word(0x0080);
        word(0); // title
        word(0); // no creation data
    }
    return t;
}

// Records which of the eight commands ran, in order.
class KeyFaceplate : public CFP_BASEDlg {
public:
    KeyFaceplate() : CFP_BASEDlg(0) {}
    std::string ran;
    void AllowModeKeys() { SetModeKeys(TRUE); }
    void AllowSwitchKeys() { SetSwitchKeys(TRUE); }
    void OnKeyMan() override { ran += "man "; }
    void OnKeyAuto() override { ran += "auto "; }
    void OnKeyOn() override { ran += "on "; }
    void OnKeyOff() override { ran += "off "; }
    void OnKeyFastDecrease() override { ran += "fastdec "; }
    void OnKeyFastIncrease() override { ran += "fastinc "; }
    void OnKeyIncrease() override { ran += "inc "; }
    void OnKeyDecrease() override { ran += "dec "; }

    // Good data, as after a delivery: the step commands act on the value shown.
    void GiveData() {
        const std::vector<BYTE> area(64, 0);
        Tag().SetReadLength(64 - 6);
        Tag().TakeDelivery(area.data());
        Tag().ShowBlock();
    }
    CRightsBtnST& Step(size_t i) { return m_steps[i]; }

protected:
    // The window only: no server, no shared memory, no refresh. The step controls (when the
    // template has them) are operable controls, granted to everybody.
    BOOL OnInitDialog() override { return kfw::CDialog::OnInitDialog(); }
    void DoDataExchange() override {
        for (size_t i = 0; i < std::size(kStepIds); ++i)
            if (m_steps[i].SubclassDlgItem(kStepIds[i], m_hWnd))
                m_steps[i].SetLevels(fp::kGrantedLevel, fp::kGrantedLevel);
    }

private:
    CRightsBtnST m_steps[std::size(kStepIds)];
};

class FaceplateKeysTest : public ::testing::Test {
protected:
    KeyFaceplate fp;

    void Create(bool steps) {
        ASSERT_TRUE(fp.CreateIndirect(Template(steps), nullptr));
        ::SetForegroundWindow(fp.m_hWnd);
        ::SetFocus(fp.m_hWnd);
        ASSERT_TRUE(fp.m_hWnd == ::GetFocus() || ::IsChild(fp.m_hWnd, ::GetFocus()));
    }
    void TearDown() override {
        Modifiers(false, false, false);
        if (fp.m_hWnd)
            fp.DestroyWindow();
    }

    static void Modifiers(bool shift, bool ctrl, bool alt) {
        BYTE state[256] = {};
        ::GetKeyboardState(state);
        state[VK_SHIFT] = shift ? 0x80 : 0;
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        state[VK_MENU] = alt ? 0x80 : 0;
        ::SetKeyboardState(state);
    }

    // The key message as the host's loop would fetch it for the focus window; true when the
    // faceplate took it (the hook let nothing through to the window).
    bool Key(UINT key, UINT message = WM_SYSKEYDOWN) {
        MSG msg{};
        msg.hwnd = ::GetFocus();
        msg.message = message;
        msg.wParam = key;
        return fp.PreTranslateMessage(&msg);
    }
};

TEST_F(FaceplateKeysTest, CommandsRunOnlyWithTheirPermissionOrControl) {
    Create(false);
    Modifiers(true, false, true);
    for (UINT key : {'D', 'F', '7', '8', 'Z', 'X', 'C', 'V'})
        EXPECT_FALSE(Key(key)) << "key " << static_cast<char>(key) << " is handed on";
    EXPECT_EQ(fp.ran, "");

    fp.AllowModeKeys();
    EXPECT_TRUE(Key('D'));
    EXPECT_TRUE(Key('F'));
    EXPECT_FALSE(Key('7'));
    fp.AllowSwitchKeys();
    EXPECT_TRUE(Key('7'));
    EXPECT_TRUE(Key('8', WM_KEYDOWN)) << "key-down counts as well as system-key-down";
    EXPECT_EQ(fp.ran, "auto man on off ");
}

TEST_F(FaceplateKeysTest, StepCommandsNeedTheirControlOperableAndGoodData) {
    Create(true);
    Modifiers(true, false, true);
    EXPECT_FALSE(Key('Z')) << "no data yet: a step from an unknown value";
    EXPECT_EQ(fp.ran, "");
    fp.GiveData();
    EXPECT_TRUE(Key('Z'));
    EXPECT_TRUE(Key('X'));
    EXPECT_TRUE(Key('C'));
    EXPECT_TRUE(Key('V'));
    EXPECT_EQ(fp.ran, "fastinc inc dec fastdec ");
    ::EnableWindow(fp.GetDlgItem(fp::IDC_FP_DECREASE), FALSE);
    fp.ran.clear();
    EXPECT_FALSE(Key('C'));
    EXPECT_TRUE(Key('V'));
    EXPECT_EQ(fp.ran, "fastdec ");
    // Enabled but locked for this operator: the same.
    fp.Step(0).SetLevels(fp::kGrantedLevel, 0);
    ::EnableWindow(fp.GetDlgItem(fp::IDC_FP_FAST_INCREASE), TRUE);
    EXPECT_FALSE(Key('Z'));
    EXPECT_EQ(fp.ran, "fastdec ");
}

TEST_F(FaceplateKeysTest, OnlyShiftAltWithoutCtrlOnKeyDownsMakesAChord) {
    Create(true);
    fp.AllowModeKeys();
    Modifiers(true, true, true);
    EXPECT_FALSE(Key('D')) << "Ctrl too";
    Modifiers(false, false, true);
    EXPECT_FALSE(Key('D')) << "Alt alone";
    Modifiers(true, false, false);
    EXPECT_FALSE(Key('D', WM_KEYDOWN)) << "Shift alone";
    Modifiers(true, false, true);
    EXPECT_FALSE(Key('D', WM_SYSKEYUP)) << "a key-up";
    EXPECT_FALSE(Key('A')) << "no command";
    EXPECT_FALSE(Key(VK_NUMPAD7)) << "no command";
    EXPECT_EQ(fp.ran, "");
    // The modifiers themselves are swallowed, in any state.
    EXPECT_TRUE(Key(VK_SHIFT, WM_KEYDOWN));
    EXPECT_TRUE(Key(VK_MENU));
    Modifiers(false, false, false);
    EXPECT_TRUE(Key(VK_CONTROL, WM_KEYDOWN));
    EXPECT_EQ(fp.ran, "");
}

TEST_F(FaceplateKeysTest, AChordPostedToAFaceplateWithoutTheFocusDoesNothing) {
    Create(true);
    fp.AllowModeKeys();
    HWND other = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 300, 300, 50, 20,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(other);
    ::SetForegroundWindow(other);
    ::SetFocus(other);
    Modifiers(true, false, true);
    // Through the key hook, as the host's loop fetches it.
    ::PostMessageW(fp.m_hWnd, WM_SYSKEYDOWN, 'D', 0);
    kt::PumpFor(100);
    EXPECT_EQ(fp.ran, "");
    ::SetForegroundWindow(fp.m_hWnd);
    ::SetFocus(fp.m_hWnd);
    Modifiers(true, false, true);
    ::PostMessageW(fp.m_hWnd, WM_SYSKEYDOWN, 'D', 0);
    kt::PumpFor(100);
    EXPECT_EQ(fp.ran, "auto ") << "the same message to the faceplate with the focus";
    ::DestroyWindow(other);
}

} // namespace
