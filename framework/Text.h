// Conversions between the host's 8-bit texts (ANSI code page) and UTF-16.
#pragma once

#include <windows.h>

#include <string>

namespace kfw {

std::wstring Widen(const char* text, UINT codePage = CP_ACP);
std::string Narrow(const wchar_t* text, UINT codePage = CP_ACP);
inline std::wstring Widen(const std::string& text, UINT codePage = CP_ACP) {
    return Widen(text.c_str(), codePage);
}
inline std::string Narrow(const std::wstring& text, UINT codePage = CP_ACP) {
    return Narrow(text.c_str(), codePage);
}
// Window text as UTF-16.
std::wstring GetWindowTextW(HWND hwnd);

// The text this program last gave a window. A text is set only when it differs from that
// (every WM_SETTEXT repaints), and the window is never asked what it shows.
class CShownText {
public:
    // True when the text was set.
    bool Set(HWND hwnd, const std::wstring& text);

private:
    HWND m_hwnd = nullptr; // the window the text was given to
    std::wstring m_text;
};

} // namespace kfw
