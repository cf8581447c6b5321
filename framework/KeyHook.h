// Keyboard pre-translation for the module's own windows inside a host's message loop that is
// not ours: a per-thread WH_GETMESSAGE hook gives bound windows (and their bound ancestors)
// the first look at key messages, then runs IsDialogMessage for registered modeless dialogs.
#pragma once

#include <windows.h>

namespace kfw {

class KeyHook {
public:
    // Registers a modeless dialog of the calling thread; the hook is installed with the first.
    static void Register(HWND dialog);
    // Forgets the dialog; the hook is removed with the last one of the thread.
    static void Unregister(HWND dialog);
    // True while the calling thread has the hook installed.
    static bool Installed();
};

} // namespace kfw
