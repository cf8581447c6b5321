// A debug-output listener (the system's DBWIN buffer, as a debug viewer) that stamps every
// line with the time it arrived, so that the steps of a call can be timed from the outside.
// A writer waits for the listener between lines: timings taken while it listens run slower.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bench {

struct TimedLine {
    double ms; // NowMs() at arrival
    DWORD pid;
    std::string text;
};

class TraceClock {
public:
    TraceClock();
    ~TraceClock();
    TraceClock(const TraceClock&) = delete;
    TraceClock& operator=(const TraceClock&) = delete;

    bool Listening() const { return m_view != nullptr; }
    std::vector<TimedLine> Lines();
    void Clear();

private:
    void Run();
    HANDLE m_mapping = nullptr;
    HANDLE m_bufferReady = nullptr;
    HANDLE m_dataReady = nullptr;
    HANDLE m_stop = nullptr;
    void* m_view = nullptr;
    std::thread m_thread;
    std::mutex m_lock;
    std::vector<TimedLine> m_lines;
};

} // namespace bench
