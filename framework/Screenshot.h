// Captures a window (frame, client area and child controls as they are on screen) to a PNG,
// and tells which controls a picture shows without their drawing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kfw {

// A piece of the screen as captured: its rectangle in screen coordinates and its pixels,
// top-down rows, 0x00RRGGBB each.
struct Picture {
    // A control that was visible when the picture was taken, with its text then.
    struct Shown {
        HWND hwnd;
        std::wstring text;
    };
    RECT screen{};
    std::vector<DWORD> pixels;
    std::vector<Shown> controls;

    int Width() const { return screen.right - screen.left; }
    int Height() const { return screen.bottom - screen.top; }
    // The pixel at screen point (x, y); the point must lie in `screen`.
    DWORD At(int x, int y) const {
        return pixels[size_t(y - screen.top) * Width() + (x - screen.left)] & 0xFFFFFF;
    }
    DWORD& At(int x, int y) { return pixels[size_t(y - screen.top) * Width() + (x - screen.left)]; }
};

// Paints the window and every visible descendant now (for the desktop window: every visible
// top-level window of this process) and hands the result to the display. Wine draws into
// memory and passes a window's picture to the X server only when its thread goes idle; a
// screen capture taken before that shows what the window looked like at the last idle moment.
void PaintNow(HWND hwnd);

// PaintNow, then a BitBlt of the window's screen rectangle (the whole screen for the desktop
// window). False for a window that is gone or has no area.
bool CaptureWindow(HWND hwnd, Picture& picture);

// Visible controls of `hwnd` (any depth; for the desktop window: of every visible top-level
// window of this process) whose rectangle the picture holds, uncovered by windows above them,
// and shows in one colour, the colour around them: only background where the control should
// have drawn. Without `later`, only controls that draw something whatever their state count
// (a border, a text, a tab strip, a button); with `later` (a capture of the same windows taken
// afterwards), every control that is only background in `picture` but drawn in `later`, and
// that was visible with the same text when `picture` was taken.
std::vector<HWND> UndrawnControls(HWND hwnd, const Picture& picture,
                                  const Picture* later = nullptr);

// Encodes the picture as a PNG through WIC.
bool SavePng(const Picture& picture, const wchar_t* path);

// CaptureWindow, taken again for a short while as long as controls of the window are
// undrawn in it, then SavePng. The controls still undrawn in the saved picture land in
// `undrawn` and the picture in `saved` when given. False when the window cannot be captured
// or the file not written.
bool SaveWindowPng(HWND hwnd, const wchar_t* path, std::vector<HWND>* undrawn = nullptr,
                   Picture* saved = nullptr);

} // namespace kfw
