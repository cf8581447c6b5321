#include "ChildProcesses.h"

#include "HostConfig.h"

namespace fphost {
namespace {

std::wstring HostFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/"));
}

bool Alive(HANDLE process) {
    return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

} // namespace

ChildProcesses::~ChildProcesses() {
    StopAll();
}

ChildProcesses::Child* ChildProcesses::Find(const std::string& name) {
    for (Child& c : m_children)
        if (Lower(c.name) == Lower(name))
            return &c;
    return nullptr;
}

void ChildProcesses::Forget(Child* child) {
    ::CloseHandle(child->process);
    m_children.erase(m_children.begin() + (child - m_children.data()));
}

bool ChildProcesses::Start(const std::string& name, const std::wstring& commandLine, DWORD& pid,
                           std::string& error) {
    if (Child* old = Find(name)) {
        if (Alive(old->process)) {
            error = "child '" + name + "' runs already (pid " + std::to_string(old->pid) + ")";
            return false;
        }
        Forget(old);
    }
    // The child shares the host's standard handles (its lines join the host's output).
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine; // CreateProcessW may write into it
    const std::wstring folder = HostFolder();
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                          &si, &pi)) {
        error = "cannot start '" + name + "': error " + std::to_string(::GetLastError());
        return false;
    }
    ::CloseHandle(pi.hThread);
    m_children.push_back(Child{name, pi.hProcess, pi.dwProcessId});
    pid = pi.dwProcessId;
    return true;
}

bool ChildProcesses::Stop(const std::string& name, std::string& error) {
    Child* child = Find(name);
    if (!child) {
        error = "no child '" + name + "' was started";
        return false;
    }
    if (!Alive(child->process)) {
        DWORD code = 0;
        ::GetExitCodeProcess(child->process, &code);
        error = "child '" + name + "' had ended by itself (exit code " + std::to_string(code) + ")";
        Forget(child);
        return false;
    }
    ::TerminateProcess(child->process, kStoppedExitCode);
    const bool gone = ::WaitForSingleObject(child->process, kStopTimeoutMs) == WAIT_OBJECT_0;
    Forget(child);
    if (!gone) {
        error = "child '" + name + "' did not end within " + std::to_string(kStopTimeoutMs) + " ms";
        return false;
    }
    return true;
}

bool ChildProcesses::Running(const std::string& name) {
    Child* child = Find(name);
    return child && Alive(child->process);
}

std::vector<std::string> ChildProcesses::StopAll() {
    std::vector<std::string> stopped;
    while (!m_children.empty()) {
        Child& c = m_children.back();
        if (Alive(c.process)) {
            ::TerminateProcess(c.process, kStoppedExitCode);
            ::WaitForSingleObject(c.process, kStopTimeoutMs);
            stopped.push_back(c.name);
        }
        Forget(&c);
    }
    return stopped;
}

} // namespace fphost
