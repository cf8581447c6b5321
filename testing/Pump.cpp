#include "Pump.h"

namespace kt {
namespace {
constexpr DWORD kIdleSleepMs = 5;
}

void PumpFor(DWORD ms) {
    DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(kIdleSleepMs);
    } while (::GetTickCount() - start < ms);
}

} // namespace kt
