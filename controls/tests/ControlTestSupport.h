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

// A 16x16 icon made at run time: a filled square of one colour (DestroyIcon when done).
HICON MakeIcon(COLORREF colour, int size = 16);

// Starts a message log that records only these messages.
void StartLog(std::initializer_list<UINT> messages);

} // namespace ct

namespace ct {
// Fills a rectangle of a context with a colour.
void FillRectColour(HDC hdc, const RECT& rc, COLORREF colour);
} // namespace ct
