// Test windows for the controls: a parent bound to the framework (so that WM_DRAWITEM and
// WM_CTLCOLOR* are reflected to the controls) whose messages are also logged as the parent's,
// and helpers to create child controls and drive them with real messages.
#pragma once

#include "MsgSequence.h"
#include "Window.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ct {

// The words of the expected message sequences, for `using namespace ct::seq;` in a test.
namespace seq {
using kt::lparam;
using kt::optional;
using kt::parent;
using kt::posted;
using kt::sent;
using kt::wparam;
constexpr unsigned kId = kt::id;
} // namespace seq

// A framework-bound top-level window; a MsgRecorder logs what it receives as the parent.
class ReflectingParent : public kfw::CWnd {
public:
    explicit ReflectingParent(int width = 420, int height = 300);
    ~ReflectingParent() override;
    HWND hwnd() const { return m_hWnd; }

private:
    kt::MsgRecorder m_recorder;
};

// Creates a child control of a system class with this id.
HWND CreateChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x,
                 int y, int w, int h);

// Runs the queue for a while (timers included) until `done` holds or the time is up.
template <typename F> bool PumpUntil(F done, DWORD maxMs) {
    DWORD start = ::GetTickCount();
    MSG msg;
    while (!done()) {
        if (::GetTickCount() - start > maxMs)
            return false;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
    return true;
}

// Reads one pixel of a window's client area as drawn on the screen.
COLORREF ClientPixel(HWND hwnd, int x, int y);
// The same in window coordinates (the border included).
COLORREF WindowPixel(HWND hwnd, int x, int y);

// A window's client area as drawn on the screen, row by row.
struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    // Pixels of exactly this colour in the rectangle (the whole picture by default).
    int Count(COLORREF colour, RECT area = RECT{0, 0, 0, 0}) const;
    // Pixels darker than `luma` (0..255) in the rectangle: the ink of text and pictures.
    int Ink(int luma, RECT area) const;
    // Pixels where two pictures of the same size differ.
    int Differences(const Picture& other) const;
};
Picture ClientPicture(HWND hwnd);

// A 16x16 icon made at run time: a filled square of one colour (DestroyIcon when done).
HICON MakeIcon(COLORREF colour, int size = 16);

// Starts a message log that records only these messages.
void StartLog(std::initializer_list<UINT> messages);

} // namespace ct

namespace ct {
// Fills a rectangle of a context with a colour.
void FillRectColour(HDC hdc, const RECT& rc, COLORREF colour);
} // namespace ct
