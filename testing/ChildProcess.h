// A helper program started by a test: runs inside a job object that kills it when the job is
// closed (so a crashed or hung test never leaves it behind and ctest never waits for it),
// with its standard output captured for the test to inspect.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace kt {

// Full path of a file in the folder of the running executable (every EXE of a build lands
// in one folder).
std::wstring BinPath(const wchar_t* fileName);

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `exe` (full path) with the command-line arguments `args`; after Kill the same
    // object can start another process. Output() then holds only the new process's output.
    bool Start(const std::wstring& exe, const std::wstring& args);
    // Polls until a named file mapping can be opened or the time is up.
    static bool WaitForMapping(const char* name, DWORD timeoutMs);
    // Waits for the process to end; true when it did, with its exit code and with everything
    // it wrote in Output().
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // Ends the process (and everything it started) at once and waits for it.
    void Kill();
    bool Running() const;
    DWORD Pid() const { return m_pid; }
    HANDLE Process() const { return m_process; }
    // Standard output and standard error received so far.
    std::string Output();
    // Waits until the output contains the text.
    bool WaitForOutput(const std::string& text, DWORD timeoutMs);
    // How often the text occurs in the output received so far.
    size_t CountInOutput(const std::string& text);

private:
    void ReadOutput();
    void DrainOutput(DWORD timeoutMs);

    static constexpr DWORD kDrainMs = 3000;

    HANDLE m_job = nullptr;
    HANDLE m_process = nullptr;
    HANDLE m_readPipe = nullptr;
    DWORD m_pid = 0;
    std::thread m_reader;
    std::atomic<bool> m_readerDone{false};
    std::mutex m_lock;
    std::string m_output;
};

} // namespace kt
