// Runs a parsed script on the host's thread. Commands run from a thread timer, so they go on
// while a faceplate sits in a modal loop (the confirmation dialog): `answer` can reach it.
#pragma once

#include "ChildProcesses.h"
#include "Host.h"
#include "Screenshot.h"
#include "Script.h"

#include <optional>
#include <string>
#include <vector>

namespace fphost {

class ScriptRunner {
public:
    ScriptRunner(Host& host, std::vector<Command> commands);
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Starts the timer; the script ends with `quit` or after its last command by posting
    // WM_QUIT to the thread's message loop. The children it started still running are ended
    // when the runner goes.
    void Start();
    // Commands that failed (expectations included).
    int Failures() const { return m_failures; }

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void Tick();
    // Runs one command; false when it is not done yet and must be retried (answer, dismiss).
    bool Execute(const Command& c);
    void Fail(const Command& c, const std::string& message);
    void Finish();
    HWND NewestFaceplate(const Command& c);
    HWND Control(const Command& c);
    bool OwnedByHost(HWND owner);
    // A confirmation (wantEdit) or a message box of the faceplates; never a faceplate itself.
    HWND OwnedDialog(bool wantEdit);
    // Saves the picture, then (false until then) compares it with a capture of the same
    // window taken a moment later: a control drawn then but only background in the picture
    // fails the command.
    bool Screenshot(const Command& c, HWND target);
    std::string Describe(const std::vector<HWND>& controls);

    Host& m_host;
    std::vector<Command> m_commands;
    size_t m_next = 0;
    DWORD m_resumeAt = 0;   // tick count before which nothing runs (wait)
    DWORD m_retryStart = 0; // when the retried command was first tried
    bool m_retrying = false;
    bool m_staying = false; // `stay` is waiting for the operator
    // The screenshot saved and awaiting its later capture.
    struct PendingShot {
        HWND target = nullptr;
        DWORD dueAt = 0;
        kfw::Picture picture;
    };
    std::optional<PendingShot> m_shot;
    bool m_finished = false;
    int m_failures = 0;
    UINT_PTR m_timer = 0;
    ChildProcesses m_children;
};

} // namespace fphost
