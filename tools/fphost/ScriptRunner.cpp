#include "ScriptRunner.h"

#include "FPResourceIds.h"
#include "Screenshot.h"
#include "Text.h"
#include "UiActions.h"

#include <cstdio>

namespace fphost {
namespace {

constexpr UINT kTickMs = 10;
constexpr int kDetailTabId = IDC_FP_TAB; // the tab control of a faceplate's detail view
// How long answer and dismiss look for their dialog before they fail.
constexpr DWORD kDialogTimeoutMs = 5000;
// How often `stay` looks whether the operator has closed every faceplate.
constexpr DWORD kStayPollMs = 500;
// How long after a screenshot the same window is captured again to check the picture.
constexpr DWORD kLaterCaptureMs = 400;

ScriptRunner* g_runner = nullptr; // the timer procedure's object (one script per process)

void Say(const Command& c, const char* what, const std::string& detail) {
    std::printf("fphost: line %d: %s %s\n", c.line, what, detail.c_str());
    std::fflush(stdout);
}

} // namespace

ScriptRunner::ScriptRunner(Host& host, std::vector<Command> commands)
    : m_host(host), m_commands(std::move(commands)) {}

ScriptRunner::~ScriptRunner() {
    for (const std::string& name : m_children.StopAll()) {
        std::printf("fphost: stopped %s at the end\n", name.c_str());
        std::fflush(stdout);
    }
    if (m_timer)
        ::KillTimer(nullptr, m_timer);
    if (g_runner == this)
        g_runner = nullptr;
}

void ScriptRunner::Start() {
    g_runner = this;
    m_resumeAt = ::GetTickCount();
    m_timer = ::SetTimer(nullptr, 0, kTickMs, TimerProc);
    if (!m_timer) {
        std::fprintf(stderr, "fphost: cannot start the script timer\n");
        ++m_failures;
        Finish();
    }
}

void CALLBACK ScriptRunner::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_runner)
        return;
    try {
        g_runner->Tick();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fphost: script stopped: %s\n", e.what());
        g_runner->m_failures++;
        g_runner->Finish();
    } catch (...) {
        std::fprintf(stderr, "fphost: script stopped by an exception\n");
        g_runner->m_failures++;
        g_runner->Finish();
    }
}

void ScriptRunner::Fail(const Command& c, const std::string& message) {
    ++m_failures;
    std::fprintf(stderr, "fphost: line %d: %s\n", c.line, message.c_str());
    std::fflush(stderr);
}

void ScriptRunner::Finish() {
    if (m_finished)
        return;
    m_finished = true;
    if (m_timer)
        ::KillTimer(nullptr, m_timer);
    m_timer = 0;
    ::PostQuitMessage(0);
}

// Runs every command that is due. A command may enter a modal loop (a message box, the
// confirmation dialog); the timer then calls in again, and the script goes on from there.
void ScriptRunner::Tick() {
    while (!m_finished) {
        if (static_cast<LONG>(::GetTickCount() - m_resumeAt) < 0)
            return;
        if (m_next >= m_commands.size()) {
            Finish();
            return;
        }
        const size_t index = m_next;
        const Command& c = m_commands[index];
        if (!m_retrying) {
            m_retrying = true;
            m_retryStart = ::GetTickCount();
        }
        // Claim the command before running it, so a nested tick moves on to the next one.
        m_next = index + 1;
        if (!Execute(c)) {
            if (::GetTickCount() - m_retryStart < kDialogTimeoutMs) {
                m_next = index; // not done yet: try again at the next tick
                return;
            }
            Fail(c, "no dialog to " +
                        std::string(c.kind == CommandKind::Answer ? "answer" : "dismiss") +
                        " appeared within " + std::to_string(kDialogTimeoutMs) + " ms");
        }
        m_retrying = false;
    }
}

HWND ScriptRunner::NewestFaceplate(const Command& c) {
    const OpenFaceplate* fp = m_host.Newest();
    if (!fp) {
        Fail(c, "no faceplate is open");
        return nullptr;
    }
    return fp->hwnd;
}

HWND ScriptRunner::Control(const Command& c) {
    HWND fp = NewestFaceplate(c);
    if (!fp)
        return nullptr;
    HWND control = FindControl(fp, static_cast<int>(c.number));
    if (!control)
        Fail(c, "the newest faceplate has no control " + std::to_string(c.number));
    return control;
}

bool ScriptRunner::OwnedByHost(HWND owner) {
    return m_host.IsContainer(::GetAncestor(owner, GA_ROOTOWNER));
}

HWND ScriptRunner::OwnedDialog(bool wantEdit) {
    std::vector<HWND> faceplates;
    for (const OpenFaceplate& fp : m_host.Faceplates())
        faceplates.push_back(fp.hwnd);
    return FindOwnedDialog([this](HWND owner) { return OwnedByHost(owner); }, wantEdit, faceplates);
}

std::string ScriptRunner::Describe(const std::vector<HWND>& controls) {
    std::string list;
    for (HWND control : controls) {
        wchar_t cls[64] = {};
        ::GetClassNameW(control, cls, 64);
        std::string text = kfw::Narrow(kfw::GetWindowTextW(control).c_str(), CP_UTF8);
        list += (list.empty() ? "" : ", ") + std::to_string(::GetDlgCtrlID(control)) + " (" +
                kfw::Narrow(cls, CP_UTF8) + (text.empty() ? "" : " \"" + text + "\"") + ")";
    }
    return list;
}

bool ScriptRunner::Screenshot(const Command& c, HWND target) {
    if (!m_shot) {
        std::vector<HWND> undrawn;
        PendingShot shot;
        if (!kfw::SaveWindowPng(target, Utf8ToWide(c.text).c_str(), &undrawn, &shot.picture)) {
            Fail(c, "cannot save the screenshot " + c.text);
            return true;
        }
        if (!undrawn.empty())
            Fail(c, "the screenshot " + c.text + " shows only background where these controls are: " +
                        Describe(undrawn));
        shot.target = target;
        shot.dueAt = ::GetTickCount() + kLaterCaptureMs;
        m_shot = std::move(shot);
        return false;
    }
    if (static_cast<LONG>(::GetTickCount() - m_shot->dueAt) < 0)
        return false;
    kfw::Picture later;
    if (kfw::CaptureWindow(m_shot->target, later)) {
        std::vector<HWND> late = kfw::UndrawnControls(m_shot->target, m_shot->picture, &later);
        if (!late.empty())
            Fail(c, "the screenshot " + c.text + " was taken before these controls were drawn: " +
                        Describe(late));
    }
    m_shot.reset();
    Say(c, "screenshot", c.text);
    return true;
}

bool ScriptRunner::Execute(const Command& c) {
    std::string error;
    switch (c.kind) {
    case CommandKind::Open:
        Say(c, "open", c.tag + " " + OpenModeName(c.mode));
        if (!m_host.Open(c.tag, c.mode, error))
            Fail(c, error);
        return true;
    case CommandKind::Wait:
        m_resumeAt = ::GetTickCount() + static_cast<DWORD>(c.number);
        return true;
    case CommandKind::Type:
        if (HWND control = Control(c)) {
            if (!::IsWindowEnabled(control))
                Say(c, "type", "into a disabled control " + std::to_string(c.number));
            TypeText(control, Utf8ToWide(c.text));
        }
        return true;
    case CommandKind::Click:
        if (HWND control = Control(c)) {
            if (!::IsWindowEnabled(control))
                Say(c, "click", "ignored: control " + std::to_string(c.number) + " is disabled");
            else
                ClickControl(control);
        }
        return true;
    case CommandKind::Tab:
        if (HWND fp = NewestFaceplate(c)) {
            if (HWND tab = FindControl(fp, kDetailTabId))
                SelectTab(tab, static_cast<int>(c.number));
            else
                Fail(c, "the newest faceplate has no detail view");
        }
        return true;
    case CommandKind::Answer:
    case CommandKind::Dismiss: {
        const bool answer = c.kind == CommandKind::Answer;
        HWND dialog = OwnedDialog(answer);
        if (!dialog)
            return false;
        Say(c, answer ? "answer" : "dismiss", answer ? (c.flag ? "accept" : "cancel") : "");
        AnswerDialog(dialog, answer ? c.flag : true, answer ? Utf8ToWide(c.text) : L"");
        return true;
    }
    case CommandKind::User:
        Say(c, "user", c.text + " " + std::to_string(c.number) + " " + std::to_string(c.number2));
        m_host.ChangeUser(c.text, static_cast<int>(c.number), static_cast<int>(c.number2));
        return true;
    case CommandKind::Detail:
        Say(c, "detail", c.tag + (c.flag ? " 1" : " 0"));
        m_host.ShowDetail(c.tag, c.flag);
        return true;
    case CommandKind::Screenshot: {
        if (m_shot) // saved: the later capture is due
            return Screenshot(c, m_shot->target);
        const OpenFaceplate* fp = m_host.Newest();
        if (!fp) {
            Fail(c, "no faceplate is open");
            return true;
        }
        const bool floating = fp->mode == OpenMode::Compact || fp->mode == OpenMode::Detail;
        HWND target = floating ? fp->hwnd : fp->container;
        // While a dialog of the faceplates is open (a confirmation, a message box) the operator
        // sees both: the whole screen is taken.
        for (bool wantEdit : {true, false})
            if (OwnedDialog(wantEdit))
                target = ::GetDesktopWindow();
        return Screenshot(c, target);
    }
    case CommandKind::ScreenshotScreen:
        return Screenshot(c, ::GetDesktopWindow());
    case CommandKind::Close: {
        int result = m_host.Close(c.tag, static_cast<int>(c.number));
        Say(c, "close", c.tag + " " + std::to_string(c.number) + " -> " + std::to_string(result));
        return true;
    }
    case CommandKind::CloseConfirm:
        Say(c, "closeconfirm", c.tag);
        m_host.CloseConfirm(c.tag);
        return true;
    case CommandKind::ExpectText:
        if (HWND control = Control(c)) {
            std::string actual = kfw::Narrow(kfw::GetWindowTextW(control).c_str(), CP_UTF8);
            if (actual != c.text)
                Fail(c, "control " + std::to_string(c.number) + " shows \"" + actual +
                            "\", expected \"" + c.text + "\"");
        }
        return true;
    case CommandKind::ExpectEnabled:
        if (HWND control = Control(c)) {
            if ((::IsWindowEnabled(control) != FALSE) != c.flag)
                Fail(c, "control " + std::to_string(c.number) + " is " +
                            (c.flag ? "disabled" : "enabled"));
        }
        return true;
    case CommandKind::ExpectAcks:
        if (const TagConfig* tag = m_host.Config().FindTag(c.tag); !tag) {
            Fail(c, "no tag '" + c.tag + "' is configured");
        } else {
            const int acks = m_host.Database().AckCount(Utf8ToAnsi(tag->name));
            if (acks != c.number)
                Fail(c, "the host has had " + std::to_string(acks) +
                            " alarm acknowledgement(s) for " + c.tag + ", expected " +
                            std::to_string(c.number));
        }
        return true;
    case CommandKind::Callbacks:
        m_host.SetCallbacks(c.flag);
        return true;
    case CommandKind::Status:
        if (!m_host.Database().SetBad(Utf8ToAnsi(c.tag), c.flag))
            Fail(c, "no tag '" + c.tag + "' in the host's database");
        return true;
    case CommandKind::Set:
        if (!m_host.Database().SetValue(Utf8ToAnsi(c.tag), c.item, c.value))
            Fail(c, "no item '" + c.tag + "." + c.item + "' in the host's database");
        return true;
    case CommandKind::Start: {
        DWORD pid = 0;
        if (m_children.Start(c.name, Utf8ToWide(c.text), pid, error))
            Say(c, "start", c.name + " pid " + std::to_string(pid) + ": " + c.text);
        else
            Fail(c, error);
        return true;
    }
    case CommandKind::Stop:
        if (m_children.Stop(c.name, error))
            Say(c, "stop", c.name);
        else
            Fail(c, error);
        return true;
    case CommandKind::Stay:
        // Runs again and again (the command is put back) until no faceplate is visible.
        if (m_host.AnyFaceplateVisible()) {
            if (!m_staying)
                Say(c, "stay", "until the operator has closed every faceplate");
            m_staying = true;
            --m_next;
            m_resumeAt = ::GetTickCount() + kStayPollMs;
        } else {
            m_staying = false;
        }
        return true;
    case CommandKind::Quit:
        Finish();
        return true;
    }
    return true;
}

} // namespace fphost
