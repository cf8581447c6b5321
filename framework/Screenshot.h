// Captures a window (frame, client area and child controls as they are on screen) to a PNG.
#pragma once

#include <windows.h>

namespace kfw {

// BitBlt of the window's screen rectangle into a DIB, encoded as PNG through WIC.
bool SaveWindowPng(HWND hwnd, const wchar_t* path);

} // namespace kfw
