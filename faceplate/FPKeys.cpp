// Keyboard commands of the generic faceplate: the key-down messages of the faceplate that has
// the focus are looked at before the dialog handles them, and Shift+Alt chords become
// faceplate commands. A command that is not possible now is answered with a beep and the key
// goes on to the dialog.
#include "FP_BASEDlg.h"

#include "FPKeys.h"

#include "Trace.h"

using namespace fp;
using kfw::Trace;

namespace {

bool KeyDown(int key) {
    return ::GetKeyState(key) < 0;
}

} // namespace

bool CFP_BASEDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)
        return CDialog::PreTranslateMessage(msg);
    // Only the faceplate that has the keyboard focus, or contains it, takes commands: a key
    // message posted to another faceplate is not one.
    HWND focus = ::GetFocus();
    if (!focus || (focus != m_hWnd && !::IsChild(m_hWnd, focus)))
        return CDialog::PreTranslateMessage(msg);
    const UINT key = static_cast<UINT>(msg->wParam);
    if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU)
        return true;
    if (!KeyDown(VK_SHIFT) || !KeyDown(VK_MENU) || KeyDown(VK_CONTROL))
        return CDialog::PreTranslateMessage(msg);
    return OnKeyChord(key) || CDialog::PreTranslateMessage(msg);
}

bool CFP_BASEDlg::OnKeyChord(UINT key) {
    enum class Need { Control, ModeKeys, SwitchKeys };
    struct Chord {
        UINT key;
        Need need;
        int control;   // with Need::Control: the control that must be operable now
        bool stateful; // the command acts on the value shown: it also needs good data
        const char* trace;
        void (CFP_BASEDlg::*command)();
    };
    static const Chord chords[] = {
        {'G', Need::Control, IDC_FP_BTN_ACK, false, "[FP_BASE]KeyBoard ALARMack\n",
         &CFP_BASEDlg::AcknowledgeAlarms},
        {'T', Need::Control, IDC_FP_BTN_ADJ, false, "[FP_BASE]KeyBoard FPAdjust\n",
         &CFP_BASEDlg::ToggleDetail},
        {'D', Need::ModeKeys, 0, false, "[FP_BASE]KeyBoard AUTO\n", &CFP_BASEDlg::OnKeyAuto},
        {'F', Need::ModeKeys, 0, false, "[FP_BASE]KeyBoard MAN\n", &CFP_BASEDlg::OnKeyMan},
        {'Z', Need::Control, IDC_FP_FAST_INCREASE, true, "[FP_BASE]KeyBoard FastIncrease\n",
         &CFP_BASEDlg::OnKeyFastIncrease},
        {'X', Need::Control, IDC_FP_INCREASE, true, "[FP_BASE]KeyBoard Increase\n",
         &CFP_BASEDlg::OnKeyIncrease},
        {'C', Need::Control, IDC_FP_DECREASE, true, "[FP_BASE]KeyBoard Decrease\n",
         &CFP_BASEDlg::OnKeyDecrease},
        {'V', Need::Control, IDC_FP_FAST_DECREASE, true, "[FP_BASE]KeyBoard FastDecrease\n",
         &CFP_BASEDlg::OnKeyFastDecrease},
        {'7', Need::SwitchKeys, 0, false, "[FP_BASE]KeyBoard OnbtnOn\n", &CFP_BASEDlg::OnKeyOn},
        {'8', Need::SwitchKeys, 0, false, "[FP_BASE]KeyBoard OnbtnOff\n", &CFP_BASEDlg::OnKeyOff},
    };
    for (const Chord& chord : chords) {
        if (chord.key != key)
            continue;
        bool possible = chord.need == Need::ModeKeys ? m_bModeKeys != FALSE
                        : chord.need == Need::SwitchKeys
                            ? m_bSwitchKeys != FALSE
                            : MayOperate(chord.control, nullptr, chord.stateful);
        if (!possible) {
            ::Beep(kKeyBeepFrequency, kKeyBeepDurationMs);
            return false;
        }
        Trace("%s", chord.trace);
        (this->*chord.command)();
        return true;
    }
    return false;
}
