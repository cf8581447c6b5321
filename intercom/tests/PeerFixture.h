// Starts the peer programs (DOZezeru.exe, ZUZuvAdud.exe) as real second processes, each with
// its own request log, and closes message boxes of this process as an operator would.
#pragma once

#include "ChildProcess.h"
#include "PeerLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct Peer {
    kt::ChildProcess process;
    std::string log; // request log file
    std::vector<peers::ReceivedRequest> Requests() const { return peers::ReadLog(log); }
};

class PeerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Starts the operator centre (or, with alarmView, the alarm view) with these options and
    // waits until its communication windows exist; null when it did not start.
    Peer* StartPeer(const std::string& options, bool alarmView = false);
    // Trace lines of this process written since SetUp that contain the text.
    std::vector<std::string> TracesWith(const std::string& text);

private:
    static void Sink(const char* line, void* self);
    std::vector<std::unique_ptr<Peer>> m_peers;
    std::mutex m_traceLock;
    std::vector<std::string> m_traces;
};

// While it lives, closes every message box of this process (after `holdMs`) and remembers
// its text and its owner; each one is saved as a PNG at `shotPath` when one is given (the last
// one stays).
class MessageBoxCloser {
public:
    explicit MessageBoxCloser(DWORD holdMs = 0, std::wstring shotPath = L"");
    ~MessageBoxCloser();
    std::vector<std::wstring> Texts();
    std::vector<HWND> Owners();

private:
    void Run();
    DWORD m_holdMs;
    std::wstring m_shotPath;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<std::wstring> m_texts;
    std::vector<HWND> m_owners;
    std::thread m_thread;
};
