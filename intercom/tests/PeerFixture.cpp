#include "PeerFixture.h"

#include "Screenshot.h"
#include "Text.h"
#include "Trace.h"

namespace {

constexpr DWORD kPeerStartTimeoutMs = 60000;
constexpr DWORD kBoxPollMs = 20;

std::string TempLogPath() {
    char dir[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    ::GetTempFileNameA(dir, "req", 0, path);
    ::DeleteFileA(path); // the peer creates it at its first request
    return path;
}

struct BoxSearch {
    HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    // A message box: a visible dialog of this process with an OK or Cancel button (a floating
    // faceplate is a dialog too, but has neither).
    if (pid == ::GetCurrentProcessId() && wcscmp(cls, L"#32770") == 0 && ::IsWindowVisible(hwnd) &&
        (::GetDlgItem(hwnd, IDOK) || ::GetDlgItem(hwnd, IDCANCEL))) {
        reinterpret_cast<BoxSearch*>(lp)->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM lp) {
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (_wcsicmp(cls, L"Static") == 0) {
        std::wstring text = kfw::GetWindowTextW(hwnd);
        if (!text.empty())
            *reinterpret_cast<std::wstring*>(lp) += text;
    }
    return TRUE;
}

} // namespace

void PeerTest::SetUp() {
    kfw::SetTraceSink(&PeerTest::Sink, this);
}

void PeerTest::TearDown() {
    kfw::SetTraceSink(nullptr, nullptr);
    for (auto& peer : m_peers) {
        peer->process.Kill();
        ::DeleteFileA(peer->log.c_str());
    }
    m_peers.clear();
}

void PeerTest::Sink(const char* line, void* self) {
    auto* test = static_cast<PeerTest*>(self);
    std::lock_guard<std::mutex> guard(test->m_traceLock);
    test->m_traces.push_back(line);
}

std::vector<std::string> PeerTest::TracesWith(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_traceLock);
    std::vector<std::string> found;
    for (const std::string& line : m_traces)
        if (line.find(text) != std::string::npos)
            found.push_back(line);
    return found;
}

Peer* PeerTest::StartPeer(const std::string& options, bool alarmView) {
    auto peer = std::make_unique<Peer>();
    peer->log = TempLogPath();
    const std::wstring exe = kt::BinPath(alarmView ? L"ZUZuvAdud.exe" : L"DOZezeru.exe");
    const std::wstring args = kfw::Widen("--log \"" + peer->log + "\" " + options);
    if (!peer->process.Start(exe, args) ||
        !peer->process.WaitForOutput("ready", kPeerStartTimeoutMs))
        return nullptr;
    m_peers.push_back(std::move(peer));
    return m_peers.back().get();
}

MessageBoxCloser::MessageBoxCloser(DWORD holdMs, std::wstring shotPath)
    : m_holdMs(holdMs), m_shotPath(std::move(shotPath)) {
    m_thread = std::thread([this] { Run(); });
}

MessageBoxCloser::~MessageBoxCloser() {
    m_stop = true;
    m_thread.join();
}

std::vector<std::wstring> MessageBoxCloser::Texts() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_texts;
}

std::vector<HWND> MessageBoxCloser::Owners() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_owners;
}

void MessageBoxCloser::Run() {
    while (!m_stop) {
        BoxSearch search;
        ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box) {
            std::wstring text;
            ::EnumChildWindows(search.box, CollectStatic, reinterpret_cast<LPARAM>(&text));
            {
                std::lock_guard<std::mutex> guard(m_lock);
                m_texts.push_back(text);
                m_owners.push_back(::GetWindow(search.box, GW_OWNER));
            }
            ::Sleep(m_holdMs);
            if (!m_shotPath.empty())
                kfw::SaveWindowPng(search.box, m_shotPath.c_str());
            ::SendMessageW(search.box, WM_COMMAND, IDOK, 0);
            // Wait until it is gone so that it is counted once.
            while (::IsWindow(search.box) && !m_stop)
                ::Sleep(kBoxPollMs);
        }
        ::Sleep(kBoxPollMs);
    }
}
