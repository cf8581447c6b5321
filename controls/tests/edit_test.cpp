// CTnEdit and CMyEdit: character rules of the input modes, Enter/Escape, the saved text, focus
// notifications, rights and colours; CMyEdit's tooltip and interaction notifications.
#include "ControlTestSupport.h"
#include "Dialog.h"
#include "ImportPatch.h"
#include "KrToolkit.h"
#include "MyEdit.h"
#include "Text.h"
#include "TnEdit.h"
#include "controls_test_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace kctl;
using namespace ct::seq;

namespace {

constexpr int kEditId = 101;
constexpr int kOtherId = 102;

// The station's text of a key as the edit shows it.
std::wstring DbText(const char* key) {
    CKrString text = CKrStringDBWrapper::GetString(key);
    return kfw::Widen(text.GetString() ? text.GetString() : "");
}

// Counts the MessageBeep calls of the controls (linked into this program).
class MessageBeepSpy {
public:
    MessageBeepSpy()
        : m_patch((calls = 0, ::GetModuleHandleW(nullptr)), "user32.dll", "MessageBeep",
                  reinterpret_cast<void*>(&Record)) {}
    bool Installed() const { return m_patch.Installed(); }
    static inline int calls = 0;

private:
    static BOOL WINAPI Record(UINT) {
        ++calls;
        return TRUE;
    }
    kt::ImportPatch m_patch;
};

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_hwnd = ct::CreateChild(m_parent.hwnd(), L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, kEditId,
                                 10, 10, 200, 22);
        m_other =
            ct::CreateChild(m_parent.hwnd(), L"EDIT", L"", WS_BORDER, kOtherId, 10, 40, 200, 22);
        ASSERT_TRUE(m_edit.SubclassWindow(m_hwnd));
        m_recorder.Attach(m_hwnd, 1);
    }
    void TearDown() override { m_recorder.Detach(); }
    void Editable() {
        m_edit.SetRequiredLevel(1);
        m_edit.SetUserLevel(1);
    }
    void Focus() {
        ::SetFocus(m_hwnd);
        kt::PumpAndLog();
    }
    // Types a character as a person would: the key message goes through the queue.
    void TypeChar(wchar_t ch) { ::PostMessageW(m_hwnd, WM_CHAR, ch, 1); }
    void PressKey(UINT vk) { ::PostMessageW(m_hwnd, WM_KEYDOWN, vk, 1); }

    kt::LoggingParent m_parent;
    HWND m_hwnd = nullptr;
    HWND m_other = nullptr;
    CTnEdit m_edit;
    kt::MsgRecorder m_recorder;
};

// ---- character rules ----

struct CharCase {
    int mode;
    const wchar_t* text;
    int selStart, selEnd;
    wchar_t ch;
    const wchar_t* result; // text afterwards; equal to `text` when the character is refused
};

const CharCase kCharCases[] = {
    // signed integer
    {kModeSigned, L"", 0, 0, L'-', L"-"},
    {kModeSigned, L"-", 1, 1, L'-', L"-"},     // a second '-'
    {kModeSigned, L"-", 0, 0, L'-', L"-"},     // text is just "-"
    {kModeSigned, L"-12", 0, 0, L'-', L"-12"}, // already negative
    {kModeSigned, L"12", 0, 0, L'-', L"-12"},
    {kModeSigned, L"12", 1, 1, L'-', L"12"}, // not at the start
    {kModeSigned, L"12", 0, 1, L'-', L"-2"}, // selection from the start
    {kModeSigned, L"12", 1, 2, L'-', L"12"}, // selection not from the start
    {kModeSigned, L"12", 2, 2, L'7', L"127"},
    {kModeSigned, L"12", 2, 2, L'.', L"12"},
    {kModeSigned, L"12", 2, 2, L'a', L"12"},
    {kModeSigned, L"123", 2, 2, 8, L"13"},  // Backspace: the character before the caret
    {kModeSigned, L"123", 0, 0, 8, L"123"}, // nothing before the caret
    {kModeSigned, L"123", 0, 2, 8, L"13"},  // deletes before the caret (the selection's end),
    {kModeSigned, L"123", 1, 3, 8, L"12"},  // not the selection
    // unsigned integer
    {kModeUnsigned, L"", 0, 0, L'-', L""},
    {kModeUnsigned, L"5", 1, 1, L'0', L"50"},
    {kModeUnsigned, L"5", 1, 1, L'.', L"5"},
    {kModeUnsigned, L"50", 2, 2, 8, L"5"},
    // real number
    {kModeReal, L"", 0, 0, L'.', L""},   // index 0
    {kModeReal, L"-", 1, 1, L'.', L"-"}, // right after a leading '-'
    {kModeReal, L"1", 1, 1, L'.', L"1."},
    {kModeReal, L"1.", 2, 2, L'.', L"1."}, // a second '.'
    {kModeReal, L"1.5", 3, 3, L'.', L"1.5"},
    {kModeReal, L"12", 0, 2, L'.', L"12"},   // selection from index 0
    {kModeReal, L"-12", 1, 3, L'.', L"-12"}, // selection from index 1 after '-'
    {kModeReal, L"123", 1, 3, L'.', L"1."},
    {kModeReal, L"1.23", 3, 4, L'.', L"1.23"}, // the rest already holds a '.'
    {kModeReal, L"1.23", 1, 4, L'.', L"1."},   // the selection takes the old '.'
    {kModeReal, L"", 0, 0, L'-', L"-"},
    {kModeReal, L"-0.5", 0, 0, L'-', L"-0.5"}, // already has its '-'
    {kModeReal, L"0.5", 0, 0, L'-', L"-0.5"},
    {kModeReal, L"1.25", 1, 3, 8, L"15"}, // Backspace deletes the selection
    {kModeReal, L"1.25", 4, 4, 8, L"1.2"},
    {kModeReal, L"1", 1, 1, L'e', L"1"},
    // free text and unknown modes take everything
    {kModeText, L"ab", 2, 2, L'c', L"abc"},
    {kModeText, L"ab", 2, 2, L'-', L"ab-"},
    {7, L"x", 1, 1, L'.', L"x."},
};

TEST_F(EditTest, CharacterRulesOfTheInputModes) {
    Editable();
    for (const CharCase& c : kCharCases) {
        m_edit.SetMode(c.mode);
        ::SetWindowTextW(m_hwnd, c.text);
        ::SendMessageW(m_hwnd, EM_SETSEL, c.selStart, c.selEnd);
        const bool accepted = m_edit.AcceptsChar(c.ch);
        ::SendMessageW(m_hwnd, WM_CHAR, c.ch, 1);
        const std::wstring after = m_edit.GetText();
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << " text \"" << kfw::Narrow(c.text) << "\" sel "
                     << c.selStart << "-" << c.selEnd << " char " << static_cast<int>(c.ch));
        EXPECT_EQ(after, std::wstring(c.result));
        // A refused character changes nothing; Backspace at the start is taken but has no effect.
        if (c.ch != 8 || c.selEnd != 0)
            EXPECT_EQ(accepted, std::wstring(c.text) != c.result);
        else
            EXPECT_TRUE(accepted);
    }
}

TEST_F(EditTest, NothingIsTypedIntoAReadOnlyField) {
    m_edit.SetMode(kModeText);
    m_edit.SetRequiredLevel(0);
    m_edit.SetUserLevel(9);
    ::SetWindowTextW(m_hwnd, L"1");
    ::SendMessageW(m_hwnd, EM_SETSEL, 1, 1);
    ::SendMessageW(m_hwnd, WM_CHAR, L'2', 1);
    ::SendMessageW(m_hwnd, WM_CHAR, 8, 1);
    EXPECT_EQ(m_edit.GetText(), L"1");
}

TEST_F(EditTest, MaximumCharactersRefuseDigitsButNotPointOrBackspace) {
    Editable();
    m_edit.SetMode(kModeReal);
    MessageBeepSpy beeps;
    ASSERT_TRUE(beeps.Installed());
    std::wstring full(kEditMaxChars, L'1');
    ::SetWindowTextW(m_hwnd, full.c_str());
    ::SendMessageW(m_hwnd, EM_SETSEL, kEditMaxChars, kEditMaxChars);
    ::SendMessageW(m_hwnd, WM_CHAR, L'2', 1);
    EXPECT_EQ(m_edit.GetText(), full);
    EXPECT_EQ(MessageBeepSpy::calls, 1);
    EXPECT_TRUE(m_edit.IsBalloonShown()) << "a refused digit says why";
    wchar_t tooLong[128];
    swprintf(tooLong, 128, DbText(kTooLongKey).c_str(), kEditMaxChars);
    EXPECT_EQ(m_edit.GetBalloonText(), tooLong);
    ::SendMessageW(m_hwnd, WM_CHAR, L'-', 1);
    EXPECT_EQ(m_edit.GetText(), full);
    EXPECT_EQ(MessageBeepSpy::calls, 2);
    ::SendMessageW(m_hwnd, WM_CHAR, L'.', 1);
    EXPECT_EQ(m_edit.GetText(), full + L".");
    EXPECT_FALSE(m_edit.IsBalloonShown()) << "an accepted character takes the balloon away";
    ::SendMessageW(m_hwnd, WM_CHAR, 8, 1);
    ::SendMessageW(m_hwnd, WM_CHAR, 8, 1);
    EXPECT_EQ(m_edit.GetText(), full.substr(1));
    // One below the limit a digit goes in again; with a selection the limit does not apply.
    ::SendMessageW(m_hwnd, WM_CHAR, L'3', 1);
    EXPECT_EQ(m_edit.GetText().size(), static_cast<size_t>(kEditMaxChars));
    ::SendMessageW(m_hwnd, EM_SETSEL, 0, 1);
    ::SendMessageW(m_hwnd, WM_CHAR, L'4', 1);
    EXPECT_EQ(m_edit.GetText()[0], L'4');
    EXPECT_EQ(MessageBeepSpy::calls, 2);

    m_edit.SetMaxChars(3);
    m_edit.SetMode(kModeText);
    ::SetWindowTextW(m_hwnd, L"abc");
    ::SendMessageW(m_hwnd, EM_SETSEL, 3, 3);
    ::SendMessageW(m_hwnd, WM_CHAR, L'd', 1);
    EXPECT_EQ(m_edit.GetText(), L"abc");
    swprintf(tooLong, 128, DbText(kTooLongKey).c_str(), 3);
    EXPECT_EQ(m_edit.GetBalloonText(), tooLong);
}

// Typed as an operator would (WM_CHAR through the queue): a character the field does not take
// beeps and shows a balloon below the field that says what the field accepts; the parent hears
// of nothing but the accepted characters; the next accepted character takes the balloon away.
TEST_F(EditTest, ARefusedTypedCharacterBeepsAndSaysWhatTheFieldAccepts) {
    Editable();
    m_edit.SetMode(kModeReal);
    Focus();
    MessageBeepSpy beeps;
    ASSERT_TRUE(beeps.Installed());
    EXPECT_EQ(m_edit.GetBalloon(), nullptr) << "no balloon window before the first refusal";
    ct::StartLog({WM_CHAR, WM_COMMAND, WM_TNEDIT_ENTER, WM_TNEDIT_KILLFOCUS, WM_TNEDIT_SETFOCUS,
                  WM_CTRL_INTERACT});
    TypeChar(L'1');
    TypeChar(L'e');
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_EQ(m_edit.GetText(), L"1");
    EXPECT_EQ(MessageBeepSpy::calls, 1);
    HWND balloon = m_edit.GetBalloon();
    ASSERT_TRUE(::IsWindow(balloon));
    wchar_t cls[64] = {};
    ::GetClassNameW(balloon, cls, 64);
    EXPECT_STREQ(cls, TOOLTIPS_CLASSW);
    EXPECT_TRUE(::GetWindowLongW(balloon, GWL_STYLE) & TTS_BALLOON);
    EXPECT_TRUE(::IsWindowVisible(balloon));
    EXPECT_EQ(m_edit.GetBalloonTitle(), DbText(kRefusedCharTitleKey));
    EXPECT_EQ(m_edit.GetBalloonText(), DbText(kAcceptsRealKey));
    EXPECT_FALSE(m_edit.GetBalloonText().empty());
    // The balloon points at the field: its window lies below the field's top edge.
    RECT field{}, tip{};
    ::GetWindowRect(m_hwnd, &field);
    ::GetWindowRect(balloon, &tip);
    EXPECT_GE(tip.top, field.top);
    EXPECT_SEQUENCE({
        {WM_CHAR, posted | wparam | kId, L'1', 0, 1},
        {WM_COMMAND, sent | parent | wparam | optional, MAKEWPARAM(kEditId, EN_UPDATE)},
        {WM_COMMAND, sent | parent | wparam, MAKEWPARAM(kEditId, EN_CHANGE)},
        {WM_CHAR, posted | wparam | kId, L'e', 0, 1}, // refused: no change, nothing posted
    });

    // Each of these is refused where it is typed, with a beep each.
    for (wchar_t ch : {L',', L'x', L'e', L'+', L' '})
        TypeChar(ch);
    kt::PumpAndLog();
    EXPECT_EQ(m_edit.GetText(), L"1");
    EXPECT_EQ(MessageBeepSpy::calls, 6);
    EXPECT_TRUE(::IsWindowVisible(balloon));
    TypeChar(L'5');
    kt::PumpAndLog();
    EXPECT_EQ(m_edit.GetText(), L"15");
    EXPECT_FALSE(::IsWindowVisible(balloon));

    // Leaving the field takes a shown balloon away; control characters are commands, no text.
    TypeChar(L'a');
    kt::PumpAndLog();
    EXPECT_TRUE(::IsWindowVisible(balloon));
    TypeChar(1); // Ctrl+A
    kt::PumpAndLog();
    EXPECT_EQ(MessageBeepSpy::calls, 7);
    ::SetFocus(m_other);
    kt::PumpAndLog();
    EXPECT_FALSE(::IsWindowVisible(balloon));
}

TEST_F(EditTest, TheBalloonSaysWhatEachModeAccepts) {
    Editable();
    MessageBeepSpy beeps;
    ASSERT_TRUE(beeps.Installed());
    m_edit.SetMode(kModeSigned);
    ::SendMessageW(m_hwnd, WM_CHAR, L'.', 1);
    EXPECT_EQ(m_edit.GetBalloonText(), DbText(kAcceptsSignedKey));
    m_edit.SetMode(kModeUnsigned);
    ::SendMessageW(m_hwnd, WM_CHAR, L'-', 1);
    EXPECT_EQ(m_edit.GetBalloonText(), DbText(kAcceptsUnsignedKey));
    EXPECT_NE(DbText(kAcceptsSignedKey), DbText(kAcceptsUnsignedKey));
    EXPECT_EQ(MessageBeepSpy::calls, 2);
    // A read-only field takes nothing and says nothing (it is not the operator's to change).
    m_edit.SetRequiredLevel(0);
    ::SendMessageW(m_hwnd, WM_CHAR, L'x', 1);
    EXPECT_EQ(MessageBeepSpy::calls, 2);
}

void PutOnClipboard(HWND owner, const wchar_t* text) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(::GlobalLock(mem), text, bytes);
    ::GlobalUnlock(mem);
    ::SetClipboardData(CF_UNICODETEXT, mem);
    ::CloseClipboard();
}

struct PasteCase {
    int mode;
    const wchar_t* before;
    int selStart, selEnd;
    const wchar_t* pasted;
    const wchar_t* after; // equal to `before` when the paste is refused
};

const PasteCase kPasteCases[] = {
    {kModeReal, L"", 0, 0, L"-12.5", L"-12.5"},
    {kModeReal, L"400.000", 0, 7, L"1e39", L"400.000"}, // never 139
    {kModeReal, L"400.000", 0, 7, L"-1e39", L"400.000"},
    {kModeReal, L"400.000", 0, 7, L"1,5", L"400.000"}, // never 15
    {kModeReal, L"400.000", 0, 7, L"0x10", L"400.000"}, // never 10
    {kModeReal, L"400.000", 0, 7, L"nan", L"400.000"},
    {kModeReal, L"400.000", 0, 7, L"-12a.5.-", L"400.000"},
    {kModeReal, L"400.000", 0, 7, L"1.2.3", L"400.000"},
    {kModeReal, L"400.000", 0, 7, L"12\t5", L"400.000"},
    {kModeReal, L"400.000", 0, 7, L" 16777217\r\n", L"16777217"}, // blanks around: trimmed
    {kModeReal, L"400.000", 0, 7, L"0.0000001", L"0.0000001"},
    {kModeReal, L"12", 2, 2, L".5", L"12.5"},
    {kModeReal, L"1.5", 3, 3, L".5", L"1.5"},  // a second point
    {kModeReal, L"12", 2, 2, L"-3", L"12"},    // a minus not at the start
    {kModeReal, L"12", 0, 0, L"-3", L"-312"},
    {kModeSigned, L"", 0, 0, L"-42", L"-42"},
    {kModeSigned, L"", 0, 0, L"4.2", L""},
    {kModeUnsigned, L"", 0, 0, L"125", L"125"},
    {kModeUnsigned, L"", 0, 0, L"-5", L""},
};

TEST_F(EditTest, APasteIsTakenWholeOrRefusedWhole) {
    Editable();
    MessageBeepSpy beeps;
    ASSERT_TRUE(beeps.Installed());
    int refused = 0;
    for (const PasteCase& c : kPasteCases) {
        SCOPED_TRACE(kfw::Narrow(c.pasted));
        m_edit.SetMode(c.mode);
        ::SetWindowTextW(m_hwnd, c.before);
        ::SendMessageW(m_hwnd, EM_SETSEL, c.selStart, c.selEnd);
        PutOnClipboard(m_hwnd, c.pasted);
        ::SendMessageW(m_hwnd, WM_PASTE, 0, 0);
        EXPECT_EQ(m_edit.GetText(), c.after);
        const bool refusedNow = std::wstring(c.before) == c.after;
        refused += refusedNow;
        EXPECT_EQ(MessageBeepSpy::calls, refused);
        EXPECT_EQ(m_edit.IsBalloonShown(), refusedNow);
        if (refusedNow) {
            EXPECT_EQ(m_edit.GetBalloonTitle(), DbText(kRefusedPasteTitleKey));
        }
    }
    // Ctrl+V and Shift+Insert go the same way.
    m_edit.SetMode(kModeReal);
    ::SetWindowTextW(m_hwnd, L"7");
    ::SendMessageW(m_hwnd, EM_SETSEL, 0, -1);
    PutOnClipboard(m_hwnd, L"1e39");
    ::SendMessageW(m_hwnd, WM_CHAR, 22, 1); // Ctrl+V
    EXPECT_EQ(m_edit.GetText(), L"7");
    PutOnClipboard(m_hwnd, L"8.25");
    ::SendMessageW(m_hwnd, WM_CHAR, 22, 1);
    EXPECT_EQ(m_edit.GetText(), L"8.25");
    EXPECT_TRUE(::SendMessageW(m_hwnd, EM_GETMODIFY, 0, 0)) << "a paste is the operator's edit";

    // Longer than the field takes: refused whole, and the balloon says why.
    m_edit.SetMaxChars(4);
    ::SetWindowTextW(m_hwnd, L"");
    PutOnClipboard(m_hwnd, L"12345");
    ::SendMessageW(m_hwnd, WM_PASTE, 0, 0);
    EXPECT_EQ(m_edit.GetText(), L"");
    wchar_t tooLong[128];
    swprintf(tooLong, 128, DbText(kTooLongKey).c_str(), 4);
    EXPECT_EQ(m_edit.GetBalloonText(), tooLong);

    PutOnClipboard(m_hwnd, L"-12a.5.-");
    m_edit.SetMode(kModeText); // free text pastes as it stands
    ::SendMessageW(m_hwnd, WM_PASTE, 0, 0);
    EXPECT_EQ(m_edit.GetText(), L"-12a.5.-");
    m_edit.SetMode(kModeReal);
    m_edit.SetRequiredLevel(0); // read-only: nothing
    ::SetWindowTextW(m_hwnd, L"");
    ::SendMessageW(m_hwnd, WM_PASTE, 0, 0);
    EXPECT_EQ(m_edit.GetText(), L"");
}

// ---- notifications ----

TEST_F(EditTest, FocusGainedPostsInteractionThenSelectAll) {
    Editable();
    ct::StartLog({WM_SETFOCUS, WM_COMMAND, WM_APP, WM_TNEDIT_ENTER, WM_TNEDIT_KILLFOCUS,
                  WM_TNEDIT_SETFOCUS, WM_CTRL_INTERACT});
    ::SetFocus(m_hwnd);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_TRUE(m_edit.IsFocused());
    EXPECT_SEQUENCE({
        {WM_SETFOCUS, sent | kId, 0, 0, 1},
        {WM_COMMAND, sent | parent | wparam, MAKEWPARAM(kEditId, EN_SETFOCUS)},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 1, 0},
        {WM_TNEDIT_SETFOCUS, posted | parent | wparam | lparam, 0, 0},
    });
}

TEST_F(EditTest, ReadOnlyFieldGettingFocusPostsNoSelectAll) {
    m_edit.SetRequiredLevel(3);
    m_edit.SetUserLevel(2);
    ct::StartLog({WM_APP, WM_TNEDIT_SETFOCUS, WM_CTRL_INTERACT});
    ::SetFocus(m_hwnd);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 1, 0},
    });
}

TEST_F(EditTest, EnterPostsTheCommitWithIdAndControl) {
    Editable();
    m_edit.SetMode(kModeReal);
    Focus();
    ct::StartLog({WM_KEYDOWN, WM_CHAR, WM_APP, WM_COMMAND, WM_TNEDIT_ENTER, WM_TNEDIT_KILLFOCUS,
                  WM_TNEDIT_SETFOCUS, WM_CTRL_INTERACT});
    TypeChar(L'4');
    TypeChar(L'.');
    TypeChar(L'5');
    PressKey(VK_RETURN);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_EQ(m_edit.GetText(), L"4.5");
    EXPECT_SEQUENCE({
        {WM_APP, sent | parent},
        {WM_CHAR, posted | wparam | kId, L'4', 0, 1},
        {WM_COMMAND, sent | parent | wparam | optional, MAKEWPARAM(kEditId, EN_UPDATE)},
        {WM_COMMAND, sent | parent | wparam, MAKEWPARAM(kEditId, EN_CHANGE)},
        {WM_CHAR, posted | wparam | kId, L'.', 0, 1},
        {WM_COMMAND, sent | parent | wparam | optional, MAKEWPARAM(kEditId, EN_UPDATE)},
        {WM_COMMAND, sent | parent | wparam, MAKEWPARAM(kEditId, EN_CHANGE)},
        {WM_CHAR, posted | wparam | kId, L'5', 0, 1},
        {WM_COMMAND, sent | parent | wparam | optional, MAKEWPARAM(kEditId, EN_UPDATE)},
        {WM_COMMAND, sent | parent | wparam, MAKEWPARAM(kEditId, EN_CHANGE)},
        {WM_KEYDOWN, posted | wparam | kId, VK_RETURN, 0, 1},
        {WM_CHAR, posted | wparam | kId | optional, 13, 0, 1}, // from TranslateMessage, dropped
        {WM_TNEDIT_ENTER, posted | parent | wparam | lparam, kEditId,
         reinterpret_cast<LPARAM>(m_hwnd)},
    });
}

TEST_F(EditTest, EnterInAReadOnlyFieldPostsNothing) {
    m_edit.SetRequiredLevel(2);
    m_edit.SetUserLevel(2);
    m_edit.SetReadOnlyPreference(true);
    Focus();
    ct::StartLog(
        {WM_APP, WM_TNEDIT_ENTER, WM_TNEDIT_KILLFOCUS, WM_TNEDIT_SETFOCUS, WM_CTRL_INTERACT});
    PressKey(VK_RETURN);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({{WM_APP, sent | parent}});
}

TEST_F(EditTest, EnterOnUntouchedUnavailableTextPostsNothing) {
    Editable();
    m_edit.ShowUnavailable();
    EXPECT_EQ(m_edit.GetText(), kUnavailableText);
    EXPECT_TRUE(m_edit.IsUnavailable());
    Focus();
    ct::StartLog({WM_APP, WM_TNEDIT_ENTER});
    PressKey(VK_RETURN);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({{WM_APP, sent | parent}});

    // A value typed over it is committed.
    m_edit.SetMode(kModeReal);
    ::SendMessageW(m_hwnd, EM_SETSEL, 0, -1);
    TypeChar(L'7');
    PressKey(VK_RETURN);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_APP, sent | parent},
        {WM_APP, sent | parent},
        {WM_TNEDIT_ENTER, posted | parent | wparam, kEditId},
    });
    m_edit.SetUnavailable(false);
    EXPECT_FALSE(m_edit.IsUnavailable());
}

TEST_F(EditTest, FocusLostShowsTheSavedTextThenPostsKillFocusAndInteractionEnd) {
    Editable();
    m_edit.SetText(L"12.5");
    Focus();
    ::SendMessageW(m_hwnd, EM_SETSEL, 4, 4);
    TypeChar(L'9');
    kt::PumpAndLog();
    EXPECT_EQ(m_edit.GetText(), L"12.59");
    ct::StartLog({WM_KILLFOCUS, WM_APP, WM_TNEDIT_ENTER, WM_TNEDIT_KILLFOCUS, WM_TNEDIT_SETFOCUS,
                  WM_CTRL_INTERACT});
    ::SetFocus(m_other);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_FALSE(m_edit.IsFocused());
    EXPECT_EQ(m_edit.GetText(), L"12.5");
    EXPECT_SEQUENCE({
        {WM_KILLFOCUS, sent | kId, 0, 0, 1},
        {WM_APP, sent | parent},
        {WM_TNEDIT_KILLFOCUS, posted | parent | wparam | lparam, 0, 0},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 0, 0},
    });
}

// ---- saved text ----

TEST_F(EditTest, LiveValueWhileTypingChangesOnlyTheSavedText) {
    Editable();
    m_edit.SetMode(kModeReal);
    m_edit.SetText(L"1.0");
    EXPECT_EQ(m_edit.GetText(), L"1.0");
    EXPECT_EQ(m_edit.GetSavedText(), L"1.0");
    Focus();
    ::SendMessageW(m_hwnd, EM_SETSEL, 0, -1);
    TypeChar(L'8');
    kt::PumpAndLog();
    m_edit.SetText(L"2.0"); // refresh while typing
    EXPECT_EQ(m_edit.GetText(), L"8");
    EXPECT_EQ(m_edit.GetSavedText(), L"2.0");

    m_edit.SetKeepSaved(true);
    m_edit.SetText(L"3.0");
    EXPECT_EQ(m_edit.GetSavedText(), L"2.0"); // kept
    EXPECT_EQ(m_edit.GetText(), L"8");

    ::SetFocus(m_other);
    kt::PumpAndLog();
    EXPECT_EQ(m_edit.GetText(), L"2.0"); // leaving shows the live value
    EXPECT_FALSE(m_edit.GetKeepSaved());
    m_edit.SetText(L"3.0");
    EXPECT_EQ(m_edit.GetText(), L"3.0");
    EXPECT_EQ(m_edit.GetSavedText(), L"3.0");
}

TEST_F(EditTest, ReadOnlyFocusedFieldFollowsTheLiveValue) {
    m_edit.SetRequiredLevel(0);
    Focus();
    m_edit.SetText(L"5");
    EXPECT_EQ(m_edit.GetText(), L"5");
    m_edit.SetSavedText(L"6");
    ::SetFocus(m_other);
    kt::PumpAndLog();
    EXPECT_EQ(m_edit.GetText(), L"6");
}

TEST_F(EditTest, EscapeIsSwallowedAndLeavesTheTyping) {
    Editable();
    m_edit.SetText(L"1");
    Focus();
    ::SendMessageW(m_hwnd, EM_SETSEL, 1, 1);
    TypeChar(L'2');
    ct::StartLog({WM_KEYDOWN, WM_CHAR, WM_APP, WM_CLOSE, WM_TNEDIT_ENTER, WM_TNEDIT_KILLFOCUS,
                  WM_CTRL_INTERACT});
    PressKey(VK_ESCAPE);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_EQ(m_edit.GetText(), L"12");
    EXPECT_TRUE(::IsWindow(m_parent.hwnd()));
    EXPECT_SEQUENCE({
        {WM_APP, sent | parent},
        {WM_CHAR, posted | wparam | kId, L'2', 0, 1},
        {WM_KEYDOWN, posted | wparam | kId, VK_ESCAPE, 0, 1},
        {WM_CHAR, posted | wparam | kId | optional, 27, 0, 1},
    });
}

// ---- rights ----

TEST_F(EditTest, RequiredLevelZeroIsReadOnlyForEveryOperator) {
    m_edit.SetRequiredLevel(0);
    for (WORD level : {0, 1, 5, 65535}) {
        m_edit.SetUserLevel(level);
        m_edit.SetReadOnlyPreference(false);
        EXPECT_TRUE(m_edit.IsReadOnly()) << level;
        EXPECT_TRUE(m_edit.IsLocked()) << level;
        EXPECT_TRUE(::GetWindowLongW(m_hwnd, GWL_STYLE) & ES_READONLY) << level;
    }
}

TEST_F(EditTest, OperatorLevelBelowTheRequiredLevelLocks) {
    m_edit.SetRequiredLevel(3);
    m_edit.SetUserLevel(2);
    EXPECT_TRUE(m_edit.IsLocked());
    EXPECT_TRUE(::GetWindowLongW(m_hwnd, GWL_STYLE) & ES_READONLY);
    m_edit.SetUserLevel(3);
    EXPECT_FALSE(m_edit.IsLocked());
    EXPECT_FALSE(m_edit.IsReadOnly());
    EXPECT_FALSE(::GetWindowLongW(m_hwnd, GWL_STYLE) & ES_READONLY);
    m_edit.SetReadOnlyPreference(true); // level 3 gives the preference
    EXPECT_TRUE(m_edit.IsReadOnly());
    EXPECT_FALSE(m_edit.IsLocked());
    m_edit.SetReadOnlyPreference(false);
    EXPECT_FALSE(m_edit.IsReadOnly());
    // Raising the requirement locks at once, without waiting for the next user level.
    m_edit.SetRequiredLevel(4);
    EXPECT_TRUE(m_edit.IsReadOnly());
    m_edit.SetRequiredLevel(0);
    EXPECT_TRUE(m_edit.IsReadOnly());
}

// ---- colours ----

class EditColourTest : public ::testing::Test {
protected:
    void SetUp() override {
        HWND hwnd =
            ct::CreateChild(m_parent.hwnd(), L"EDIT", L"1.25", WS_BORDER, kEditId, 10, 10, 120, 24);
        ASSERT_TRUE(m_edit.SubclassWindow(hwnd));
    }
    // Asks the parent for the edit's colours, as the edit does when it paints.
    COLORREF Background(UINT msg, COLORREF* text, COLORREF* brushColour) {
        kfw::CMemoryDC dc(::CreateCompatibleDC(nullptr));
        auto brush = reinterpret_cast<HBRUSH>(
            ::SendMessageW(m_parent.hwnd(), msg, reinterpret_cast<WPARAM>(dc.get()),
                           reinterpret_cast<LPARAM>(m_edit.m_hWnd)));
        LOGBRUSH lb{};
        ::GetObjectW(brush, sizeof lb, &lb);
        *brushColour = lb.lbColor;
        *text = ::GetTextColor(dc);
        return ::GetBkColor(dc);
    }
    ct::ReflectingParent m_parent;
    CTnEdit m_edit;
};

TEST_F(EditColourTest, NormalAlarmAndReadOnlyBackgrounds) {
    m_edit.SetRequiredLevel(1);
    m_edit.SetUserLevel(1);
    COLORREF text = 0, brush = 0;
    EXPECT_EQ(Background(WM_CTLCOLOREDIT, &text, &brush), RGB(0, 0, 0));
    EXPECT_EQ(brush, RGB(0, 0, 0));
    EXPECT_EQ(text, kDarkFieldText); // readable on black

    m_edit.SetNormalBackground(kAlarmHighlight);
    EXPECT_EQ(Background(WM_CTLCOLOREDIT, &text, &brush), kAlarmHighlight);
    EXPECT_EQ(brush, kAlarmHighlight);
    EXPECT_EQ(text, kLightFieldText);

    m_edit.SetUserLevel(0); // locked: read-only edits ask with WM_CTLCOLORSTATIC
    EXPECT_EQ(Background(WM_CTLCOLORSTATIC, &text, &brush), RGB(210, 210, 210));
    EXPECT_EQ(brush, RGB(210, 210, 210));
    m_edit.SetReadOnlyBackground(RGB(1, 2, 3));
    EXPECT_EQ(Background(WM_CTLCOLORSTATIC, &text, &brush), RGB(1, 2, 3));
    EXPECT_EQ(m_edit.GetCurrentBackground(), RGB(1, 2, 3));
}

TEST_F(EditColourTest, TheScreenShowsTheAlarmBackground) {
    m_edit.SetRequiredLevel(1);
    m_edit.SetUserLevel(1);
    m_edit.SetNormalBackground(kAlarmHighlight);
    ::SetWindowTextW(m_edit, L"");
    ::InvalidateRect(m_edit, nullptr, TRUE);
    EXPECT_EQ(ct::ClientPixel(m_edit, 60, 10), kAlarmHighlight);
    m_edit.SetUserLevel(0);
    ::InvalidateRect(m_edit, nullptr, TRUE);
    EXPECT_EQ(ct::ClientPixel(m_edit, 60, 10), RGB(210, 210, 210));
}

// ---- key pre-translation inside a modeless dialog ----

constexpr UINT kEndModal = WM_APP + 1;
constexpr UINT_PTR kGiveUpTimer = 77;

class EditDialog : public kfw::CDialog {
public:
    EditDialog() : kfw::CDialog(IDD_EDITS) {}
    CTnEdit edit;
    int oks = 0, cancels = 0, commits = 0;
    bool typeOnInit = false; // modal run: type Enter and Escape into the edit, then end

protected:
    void DoDataExchange() override { edit.SubclassDlgItem(IDC_TNEDIT, m_hWnd); }
    BOOL OnInitDialog() override {
        if (!typeOnInit)
            return TRUE;
        edit.SetRequiredLevel(1);
        edit.SetUserLevel(1);
        ::SetFocus(edit);
        ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
        ::PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
        SetTimer(kGiveUpTimer, 3000); // ends the dialog if the commit never comes
        return FALSE;
    }
    void OnOK() override { ++oks; }
    void OnCancel() override { ++cancels; }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_TNEDIT_ENTER && wp == IDC_TNEDIT && ++commits == 1 && typeOnInit)
            PostMessage(kEndModal); // after the Escape queued behind the Enter
        if (msg == kEndModal)
            EndDialog(IDOK);
        if (msg == WM_TIMER && wp == kGiveUpTimer)
            EndDialog(IDABORT);
        return kfw::CDialog::WindowProc(msg, wp, lp);
    }
};

// In a modal dialog there is no key pre-translation: the dialog manager asks the edit whether
// it wants Enter and Escape, and the edit keeps them from the default buttons.
TEST(EditInDialogTest, ModalDialogLeavesEnterAndEscapeToTheEdit) {
    EditDialog dlg;
    dlg.typeOnInit = true;
    EXPECT_EQ(dlg.DoModal(nullptr), IDOK);
    EXPECT_EQ(dlg.commits, 1);
    EXPECT_EQ(dlg.oks, 0);
    EXPECT_EQ(dlg.cancels, 0);
}

TEST(EditInDialogTest, EnterAndEscapeNeverReachTheDialog) {
    EditDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    ::ShowWindow(dlg, SW_SHOW);
    dlg.edit.SetRequiredLevel(1);
    dlg.edit.SetUserLevel(1);
    dlg.edit.SetMode(kModeReal);
    ::SetFocus(dlg.edit);
    kt::PumpAndLog();
    kt::MsgRecorder dialogLog(dlg.m_hWnd, 0, parent);
    kt::MsgRecorder editLog(dlg.edit.m_hWnd, 1);
    ct::StartLog({WM_KEYDOWN, WM_NULL, WM_APP, WM_TNEDIT_ENTER, WM_CTRL_INTERACT, WM_CLOSE});
    ::PostMessageW(dlg.edit, WM_CHAR, L'3', 1);
    ::PostMessageW(dlg.edit, WM_KEYDOWN, VK_RETURN, 1);
    ::PostMessageW(dlg.edit, WM_KEYDOWN, VK_ESCAPE, 1);
    kt::MarkAndPump(dlg.m_hWnd);
    // The key hook swallows both keys before dispatch: the pump sees WM_NULL in their place.
    EXPECT_SEQUENCE({
        {WM_APP, sent | parent},
        {WM_NULL, posted | kId, 0, 0, 1}, // the character, dispatched by the dialog manager
        {WM_NULL, posted | kId, 0, 0, 1},
        {WM_NULL, posted | kId, 0, 0, 1},
        {WM_TNEDIT_ENTER, posted | parent | wparam | lparam, IDC_TNEDIT,
         reinterpret_cast<LPARAM>(dlg.edit.m_hWnd)},
    });
    EXPECT_EQ(dlg.oks, 0);
    EXPECT_EQ(dlg.cancels, 0);
    EXPECT_EQ(dlg.edit.GetText(), L"3");
    editLog.Detach();
    dialogLog.Detach();
    dlg.DestroyWindow();
}

// ---- CMyEdit ----

class MyEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_hwnd = ct::CreateChild(m_parent.hwnd(), L"EDIT", L"总管流量", WS_BORDER, kEditId, 10, 10,
                                 150, 22);
        m_other =
            ct::CreateChild(m_parent.hwnd(), L"EDIT", L"", WS_BORDER, kOtherId, 10, 40, 150, 22);
        ASSERT_TRUE(m_edit.SubclassWindow(m_hwnd));
    }
    kt::LoggingParent m_parent;
    HWND m_hwnd = nullptr;
    HWND m_other = nullptr;
    CMyEdit m_edit;
};

TEST_F(MyEditTest, AttachAddsNotifyStyleAndAnInactiveTool) {
    EXPECT_TRUE(::GetWindowLongW(m_hwnd, GWL_STYLE) & kNotifyStyle);
    HWND tip = m_edit.GetTooltip();
    ASSERT_TRUE(::IsWindow(tip));
    EXPECT_TRUE(::GetWindowLongW(tip, GWL_STYLE) & TTS_ALWAYSTIP);
    EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = m_hwnd;
    ti.uId = kEditToolId;
    EXPECT_TRUE(::SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&ti)));
    EXPECT_EQ(m_edit.GetTooltipText(), L"");
    EXPECT_FALSE(m_edit.IsTooltipEnabled());
}

TEST_F(MyEditTest, TooltipTextChangesOnlyWhileEnabled) {
    m_edit.SetTooltipText(L"ignored");
    EXPECT_EQ(m_edit.GetTooltipText(), L"");
    m_edit.UpdateTooltip();
    EXPECT_EQ(m_edit.GetTooltipText(), L"");
    m_edit.EnableTooltip(true);
    m_edit.SetTooltipText(L"限值");
    EXPECT_EQ(m_edit.GetTooltipText(), L"限值");
    m_edit.UpdateTooltip();
    EXPECT_EQ(m_edit.GetTooltipText(), L"总管流量");
    m_edit.EnableTooltip(false);
    m_edit.SetTooltipText(L"x");
    EXPECT_EQ(m_edit.GetTooltipText(), L"总管流量");
}

TEST_F(MyEditTest, ClickTakesFocusAndPostsInteraction) {
    kt::MsgRecorder rec(m_hwnd, 1);
    ct::StartLog({WM_LBUTTONDOWN, WM_SETFOCUS, WM_KILLFOCUS, WM_APP, WM_CTRL_INTERACT});
    ::SendMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(m_hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_EQ(::GetFocus(), m_hwnd);
    ::SetFocus(m_other);
    kt::MarkAndPump(m_parent.hwnd());
    EXPECT_SEQUENCE({
        {WM_LBUTTONDOWN, sent | kId, 0, 0, 1},
        {WM_KILLFOCUS, sent | parent | optional}, // the parent had the focus
        {WM_SETFOCUS, sent | kId, 0, 0, 1},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 1, 0},
        {WM_KILLFOCUS, sent | kId, 0, 0, 1},
        {WM_APP, sent | parent},
        {WM_CTRL_INTERACT, posted | parent | wparam | lparam, 0, 0},
    });
    rec.Detach();
}

TEST_F(MyEditTest, DestroyingTheEditDestroysTheTooltip) {
    HWND tip = m_edit.GetTooltip();
    ASSERT_TRUE(::IsWindow(tip));
    ::DestroyWindow(m_hwnd);
    EXPECT_FALSE(::IsWindow(tip));
}

} // namespace
