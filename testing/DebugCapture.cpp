#include "DebugCapture.h"

#include <cstring>

namespace kt {
namespace {
constexpr DWORD kBufferSize = 4096;

double NowMs() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}
} // namespace

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
        if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            return;
        const double now = NowMs();
        DWORD pid = 0;
        std::memcpy(&pid, m_view, sizeof pid);
        if (m_pid != 0 && pid != m_pid)
            continue;
        const char* text = static_cast<const char*>(m_view) + sizeof(DWORD);
        std::string line(text, strnlen(text, kBufferSize - sizeof(DWORD)));
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.push_back(DebugLine{now, pid, std::move(line)});
    }
}

std::vector<DebugLine> DebugCapture::Lines() {
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
    for (const DebugLine& line : m_lines)
        if (line.text.find(text) != std::string::npos)
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
