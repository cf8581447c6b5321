// Programs a script starts beside the host under names of its own (the communication server,
// say), so that it can end them again as a station loses a program: TerminateProcess, no
// chance to clean up. A child runs in the host's folder, where the station's programs and
// their files lie, and writes to the host's standard output; whatever still runs when the
// host ends is ended with it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fphost {

// Exit code of a child that the host ended.
constexpr DWORD kStoppedExitCode = 0xC0DE;
// How long Stop waits for an ended child to be gone.
constexpr DWORD kStopTimeoutMs = 5000;

class ChildProcesses {
public:
    ChildProcesses() = default;
    ~ChildProcesses();
    ChildProcesses(const ChildProcesses&) = delete;
    ChildProcesses& operator=(const ChildProcesses&) = delete;

    // Starts `commandLine` (the program is looked for in the host's folder first) as child
    // `name`; refused while a child of that name runs.
    bool Start(const std::string& name, const std::wstring& commandLine, DWORD& pid,
               std::string& error);
    // Ends child `name` and waits until it is gone. Refused for an unknown name, and for a
    // child that ended by itself (its exit code is named): the script meant to end it.
    bool Stop(const std::string& name, std::string& error);
    bool Running(const std::string& name);
    // Ends every child that still runs; returns their names.
    std::vector<std::string> StopAll();

private:
    struct Child {
        std::string name;
        HANDLE process = nullptr;
        DWORD pid = 0;
    };
    Child* Find(const std::string& name);
    void Forget(Child* child);

    std::vector<Child> m_children;
};

} // namespace fphost
