// Message-sequence recording in the style of Wine's user32/comctl32 tests: controls and a
// parent window append the messages they receive to one log; the pump logs posted messages
// before dispatching them; a test compares the log with an expected table.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace kt {

enum MsgFlags : unsigned {
    sent = 0x01,     // arrived through SendMessage (or a direct call of the procedure)
    posted = 0x02,   // taken from the queue by the pump
    parent = 0x04,   // received by the logging parent
    wparam = 0x08,   // compare wParam
    lparam = 0x10,   // compare lParam
    optional = 0x20, // may be missing
    id = 0x40,       // compare the recorder id
};

struct Message {
    UINT message;
    unsigned flags;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    int id = 0;
};

// The one log of a test. Messages in the ignore set are never recorded.
class MsgLog {
public:
    static MsgLog& Get();
    void Add(const Message& m);
    void Clear() { m_entries.clear(); }
    const std::vector<Message>& Entries() const { return m_entries; }
    // Noise that depends on the window manager, the mouse or painting.
    void IgnoreDefaults();
    void Record(UINT msg) { m_ignored.erase(msg); }
    // Only these messages are recorded (empty = everything not ignored).
    void RecordOnly(std::set<UINT> messages) { m_only = std::move(messages); }

private:
    std::vector<Message> m_entries;
    std::set<UINT> m_ignored;
    std::set<UINT> m_only;
};

// Subclasses a window; every message it receives is logged with the recorder's id.
class MsgRecorder {
public:
    MsgRecorder() = default;
    MsgRecorder(HWND hwnd, int id, unsigned extraFlags = 0) { Attach(hwnd, id, extraFlags); }
    ~MsgRecorder() { Detach(); }
    MsgRecorder(const MsgRecorder&) = delete;
    MsgRecorder& operator=(const MsgRecorder&) = delete;
    void Attach(HWND hwnd, int id, unsigned extraFlags = 0);
    void Detach();
    HWND hwnd() const { return m_hwnd; }
    int recorderId() const { return m_id; }
    unsigned extraFlags() const { return m_flags; }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND m_hwnd = nullptr;
    WNDPROC m_prev = nullptr;
    int m_id = 0;
    unsigned m_flags = 0;
};

// A plain top-level window whose procedure logs everything it receives (flag parent).
class LoggingParent {
public:
    LoggingParent(int width = 400, int height = 300,
                  DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ~LoggingParent();
    HWND hwnd() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

// Runs the queue until it is empty; posted messages to recorded windows are logged first.
void PumpAndLog(DWORD maxMs = 200);
// Sends the marker (WM_APP) to a window, then pumps: sent messages land before it,
// queued ones after it.
void MarkAndPump(HWND hwnd);

std::string Describe(const std::vector<Message>& list);
// Wine's ok_sequence: optional entries may be missing, everything else must match in order.
::testing::AssertionResult MatchSequence(const std::vector<Message>& expected,
                                         const std::vector<Message>& actual);

} // namespace kt

// Compares the log with an expected table; prints both lists on a mismatch.
#define EXPECT_SEQUENCE(...)                                                                       \
    EXPECT_TRUE(::kt::MatchSequence(std::vector<::kt::Message>(__VA_ARGS__),                       \
                                    ::kt::MsgLog::Get().Entries()))
