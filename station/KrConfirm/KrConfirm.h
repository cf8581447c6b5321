// KrConfirm.dll: the operator station's write-confirmation dialog and tag security.
// C calling convention, undecorated names. Configuration: KrStation.ini next to the DLL,
// section [Security]; environment KR_STATION_INI (see KrStationConfig.h). The dialog is answered
// by the operator only: nothing in the configuration answers it.
#pragma once

#include <windows.h>

class CKrString;

#ifdef KRCONFIRM_BUILD
#define KRCONFIRM_API __declspec(dllexport)
#else
#define KRCONFIRM_API __declspec(dllimport)
#endif

// The most characters (UTF-16 units) the reason edit of the dialog accepts.
constexpr int kKrMaxReasonChars = 100;

extern "C" {
// Shows the modal confirmation dialog, owned by `owner` and centred on `rect` (screen
// coordinates; kept on the screen), with the user and the message (ANSI code page) and a
// reason edit. Returns when the operator has answered: *accepted = 1 for OK, 0 for Cancel
// (or CloseDialog); *reason = the typed reason for OK, empty otherwise. Result non-zero when
// the dialog was shown, 0 for a null message, reason or accepted pointer or a failed dialog.
KRCONFIRM_API int ShowConfirmDlg(const RECT* rect, int reserved, const char* userName,
                                 const char* message, CKrString* reason, int* accepted, HWND owner);
// The reason of the last ShowConfirmDlg of the calling thread as the operator typed it (UTF-16,
// any character, also those the ANSI code page lacks); empty after a cancel. Copies at most
// size - 1 characters and a terminating zero into `reason` (never half of a surrogate pair) and
// returns the reason's whole length in characters; `reason` may be null to ask the length.
KRCONFIRM_API int GetConfirmReasonW(wchar_t* reason, int size);
// Closes every open confirmation dialog as cancelled, from any thread (from the dialog's own
// thread, e.g. a timer inside the modal loop, it ends at once). Result 1 when one was open.
KRCONFIRM_API int CloseDialog(void);
// Whether writes to tags of a security class need confirmation ([Security] Class<N>=0|1).
// `kind` is the question asked; 1 (write confirmation) is the only one known. Result 0 when
// the class or the kind is unknown or answer is null; then *answer is left unchanged.
KRCONFIRM_API int GetTagSecurity(int securityClass, int kind, int* answer);
}
