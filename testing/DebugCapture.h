// Captures the debug output (OutputDebugString) of a process through the system's DBWIN
// buffer, as a debug viewer does, and stamps each line with the time it arrived (so that the
// benchmark can time the steps of a call from the outside). Only one listener can run on a
// desktop at a time: tests that use it share the ctest resource lock "dbwin". A writer waits
// for the listener between lines: timings taken while it listens run slower.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kt {

struct DebugLine {
    double ms; // QueryPerformanceCounter in milliseconds, at arrival
    DWORD pid;
    std::string text; // as written, line break included
};

class DebugCapture {
public:
    // pid 0 = every process.
    explicit DebugCapture(DWORD pid = ::GetCurrentProcessId());
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    bool Listening() const { return m_view != nullptr; }
    std::vector<DebugLine> Lines();
    void Clear();
    // Waits until a line containing the text arrived.
    bool WaitFor(const std::string& text, DWORD timeoutMs = 2000);
    size_t Count(const std::string& text);

private:
    void Run();
    DWORD m_pid;
    HANDLE m_mapping = nullptr;
    HANDLE m_bufferReady = nullptr;
    HANDLE m_dataReady = nullptr;
    HANDLE m_stop = nullptr;
    void* m_view = nullptr;
    std::thread m_thread;
    std::mutex m_lock;
    std::vector<DebugLine> m_lines;
};

} // namespace kt
