#include "TraceClock.h"

#include "ProcessCounters.h"

#include <cstring>

namespace bench {
namespace {
constexpr DWORD kBufferSize = 4096;
}

TraceClock::TraceClock() {
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

TraceClock::~TraceClock() {
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

void TraceClock::Run() {
    HANDLE waits[2] = {m_dataReady, m_stop};
    for (;;) {
        ::SetEvent(m_bufferReady);
        if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            return;
        const double now = NowMs();
        DWORD pid = 0;
        std::memcpy(&pid, m_view, sizeof pid);
        const char* text = static_cast<const char*>(m_view) + sizeof(DWORD);
        std::string line(text, strnlen(text, kBufferSize - sizeof(DWORD)));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.push_back(TimedLine{now, pid, std::move(line)});
    }
}

std::vector<TimedLine> TraceClock::Lines() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lines;
}

void TraceClock::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lines.clear();
}

} // namespace bench
