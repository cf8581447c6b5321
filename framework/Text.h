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
// Sets the text only when it differs (every WM_SETTEXT repaints); true when it was set.
bool SetTextIfChanged(HWND hwnd, const std::wstring& text);

} // namespace kfw
