#include "DebugCapture.h"

#include <cstring>

namespace kt {
namespace {
constexpr DWORD kBufferSize = 4096;
}

DebugCapture::DebugCapture(DWORD pid) : m_pid(pid) {
    m_mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize,
                                     L"DBWIN_BUFFER");
    m_bufferReady = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    m_dataReady = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    m_stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_mapping && m_bufferReady && m_dataReady && m_stop)
        m_view = ::MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, kBufferSize);
    if (m_view)
        m_thread = std::thread([this] { Run(); });
}

DebugCapture::~DebugCapture() {
    if (m_thread.joinable()) {
        ::SetEvent(m_stop);
        m_thread.join();
    }
    if (m_view)
        ::UnmapViewOfFile(m_view);
    for (HANDLE h : {m_mapping, m_bufferReady, m_dataReady, m_stop})
        if (h)
            ::CloseHandle(h);
}

void DebugCapture::Run() {
    HANDLE waits[2] = {m_dataReady, m_stop};
    for (;;) {
        ::SetEvent(m_bufferReady);
        DWORD r = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (r != WAIT_OBJECT_0)
            return;
        DWORD pid = 0;
        std::memcpy(&pid, m_view, sizeof pid);
        const char* text = static_cast<const char*>(m_view) + sizeof(DWORD);
        size_t len = strnlen(text, kBufferSize - sizeof(DWORD));
        if (m_pid == 0 || pid == m_pid) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_lines.emplace_back(text, len);
        }
    }
}

std::vector<std::string> DebugCapture::Lines() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lines;
}

void DebugCapture::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lines.clear();
}

size_t DebugCapture::Count(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    size_t n = 0;
    for (const std::string& line : m_lines)
        if (line.find(text) != std::string::npos)
            ++n;
    return n;
}

bool DebugCapture::WaitFor(const std::string& text, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    do {
        if (Count(text) > 0)
            return true;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    } while (::GetTickCount() - start < timeoutMs);
    return Count(text) > 0;
}

} // namespace kt
