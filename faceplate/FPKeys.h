// Constants of the faceplate's keyboard commands: the step controls a faceplate template may
// contain and the tone that answers a command that is not possible now.
#pragma once

#include <windows.h>

namespace fp {

// Step controls of a faceplate that supports the step commands.
constexpr int IDC_FP_FAST_INCREASE = 32770;
constexpr int IDC_FP_INCREASE = 32771;
constexpr int IDC_FP_DECREASE = 32772;
constexpr int IDC_FP_FAST_DECREASE = 32773;

// A chord whose condition does not hold is answered with this beep.
constexpr DWORD kKeyBeepFrequency = 1000; // Hz
constexpr DWORD kKeyBeepDurationMs = 100;

} // namespace fp
