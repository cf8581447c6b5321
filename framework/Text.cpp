#include "Text.h"

namespace kfw {

std::wstring Widen(const char* text, UINT codePage) {
    if (!text || !*text)
        return {};
    int n = ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string Narrow(const wchar_t* text, UINT codePage) {
    if (!text || !*text)
        return {};
    int n = ::WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::wstring GetWindowTextW(HWND hwnd) {
    int n = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

bool CShownText::Set(HWND hwnd, const std::wstring& text) {
    if (!hwnd || (hwnd == m_hwnd && text == m_text))
        return false;
    if (!::SetWindowTextW(hwnd, text.c_str()))
        return false;
    m_hwnd = hwnd;
    m_text = text;
    return true;
}

} // namespace kfw
