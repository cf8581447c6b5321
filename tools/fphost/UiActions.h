// What the script does to windows as an operator would: find a control of a faceplate, type
// into it, click it, answer a confirmation dialog.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace fphost {

// The descendant of `root` with this control id; a visible one when there are several.
HWND FindControl(HWND root, int id);

// Focuses the control (its window to the foreground, SetFocus), posts WM_CHAR for every character,
// then posts the Return key (key-down and key-up; the message loop's TranslateMessage adds its
// WM_CHAR).
void TypeText(HWND control, const std::wstring& text);

// BM_CLICK for a button; left button down and up at the centre for any other control.
// Messages are posted, so a modal dialog the click opens runs in the host's own loop.
void ClickControl(HWND control);

// Clicks tab `index` of a tab control at the centre of its item, as an operator would.
void SelectTab(HWND tabControl, int index);

// A visible dialog (class "#32770") of this thread that `owned` accepts as owned by one of the
// host's windows and that holds an edit control (wantEdit) or none (a message box). The
// windows in `except` are never taken: the faceplates, dialogs owned by the host's windows too.
HWND FindOwnedDialog(const std::function<bool(HWND owner)>& owned, bool wantEdit,
                     const std::vector<HWND>& except = {});

// Types the reason into the dialog's first edit control, then presses OK or Cancel.
void AnswerDialog(HWND dialog, bool accept, const std::wstring& reason);

} // namespace fphost
