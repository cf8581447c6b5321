// Message pumping for tests that wait for windows of their own thread to act.
#pragma once

#include <windows.h>

namespace kt {

// Dispatches the thread's messages for the given time.
void PumpFor(DWORD ms);
// The same without painting, so that what was invalidated stays invalid (sent messages are
// still delivered).
void PumpExceptPaint(DWORD ms);

// Pumps until done() holds or the time is up; true when done.
template <typename Done> bool PumpUntil(Done done, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        PumpFor(20);
    }
    return true;
}

} // namespace kt
