#include "ChildProcess.h"

#include <vector>

namespace kt {

std::wstring BinPath(const wchar_t* fileName) {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    size_t slash = dir.find_last_of(L"\\/");
    dir.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return dir + fileName;
}

ChildProcess::~ChildProcess() {
    Kill();
    if (m_job)
        ::CloseHandle(m_job);
}

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& args) {
    if (m_process)
        return false;
    // Under Wine the first process that needs the desktop starts the desktop process
    // (explorer.exe) as its own child: started by the helper it would join the helper's job
    // and die with it, taking every window of the session with it. Make sure it exists first.
    ::GetDesktopWindow();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_output.clear();
    }
    m_readerDone = false;
    if (!m_job)
        m_job = ::CreateJobObjectW(nullptr, nullptr);
    if (!m_job)
        return false;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof limits);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE writePipe = nullptr;
    if (!::CreatePipe(&m_readPipe, &writePipe, &inherit, 0))
        return false;
    ::SetHandleInformation(m_readPipe, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si{sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = writePipe;
    si.hStdError = writePipe;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\" " + args;
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    BOOL ok = ::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE,
                               CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    ::CloseHandle(writePipe);
    if (!ok)
        return false;
    ::AssignProcessToJobObject(m_job, pi.hProcess);
    ::ResumeThread(pi.hThread);
    ::CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    m_pid = pi.dwProcessId;
    m_reader = std::thread([this] { ReadOutput(); });
    return true;
}

void ChildProcess::ReadOutput() {
    char buffer[512];
    DWORD n = 0;
    while (::ReadFile(m_readPipe, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_output.append(buffer, n);
    }
    m_readerDone = true;
}

void ChildProcess::DrainOutput(DWORD timeoutMs) {
    // The pipe ends when every writer has closed it; a grandchild that inherited it may keep
    // it open, so settle instead for nothing left in the pipe and no growth over two polls.
    const DWORD start = ::GetTickCount();
    size_t lastSize = static_cast<size_t>(-1);
    int quietPolls = 0;
    while (!m_readerDone && ::GetTickCount() - start < timeoutMs) {
        DWORD pending = 0;
        const bool empty = ::PeekNamedPipe(m_readPipe, nullptr, 0, nullptr, &pending, nullptr) &&
                           pending == 0;
        const size_t size = Output().size();
        quietPolls = (empty && size == lastSize) ? quietPolls + 1 : 0;
        if (quietPolls >= 2)
            return;
        lastSize = size;
        ::Sleep(25);
    }
}

bool ChildProcess::WaitForMapping(const char* name, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (HANDLE h = ::OpenFileMappingA(FILE_MAP_READ, FALSE, name)) {
            ::CloseHandle(h);
            return true;
        }
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!m_process || ::WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        ::GetExitCodeProcess(m_process, exitCode);
    // Its last lines may still be on their way through the pipe.
    DrainOutput(kDrainMs);
    return true;
}

void ChildProcess::Kill() {
    if (m_process) {
        ::TerminateJobObject(m_job, 1);
        ::WaitForSingleObject(m_process, 5000);
        ::CloseHandle(m_process);
        m_process = nullptr;
    }
    if (m_reader.joinable())
        m_reader.join();
    if (m_readPipe) {
        ::CloseHandle(m_readPipe);
        m_readPipe = nullptr;
    }
}

bool ChildProcess::Running() const {
    return m_process && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

std::string ChildProcess::Output() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_output;
}

size_t ChildProcess::CountInOutput(const std::string& text) {
    const std::string output = Output();
    size_t n = 0;
    if (text.empty())
        return n;
    for (size_t at = output.find(text); at != std::string::npos; at = output.find(text, at + 1))
        ++n;
    return n;
}

bool ChildProcess::WaitForOutput(const std::string& text, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (Output().find(text) != std::string::npos)
            return true;
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
}

} // namespace kt
