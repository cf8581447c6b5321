#include "Pump.h"

namespace kt {
namespace {
constexpr DWORD kIdleSleepMs = 5;
}

namespace {
bool TakeMessage(MSG& msg, bool paint) {
    if (paint)
        return ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    return ::PeekMessageW(&msg, nullptr, 0, WM_PAINT - 1, PM_REMOVE) ||
           ::PeekMessageW(&msg, nullptr, WM_PAINT + 1, 0xFFFF, PM_REMOVE);
}

void Pump(DWORD ms, bool paint) {
    DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (TakeMessage(msg, paint)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(kIdleSleepMs);
    } while (::GetTickCount() - start < ms);
}
} // namespace

void PumpFor(DWORD ms) {
    Pump(ms, true);
}

void PumpExceptPaint(DWORD ms) {
    Pump(ms, false);
}

} // namespace kt
