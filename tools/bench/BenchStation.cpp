#include "BenchStation.h"

#include "CommProtocol.h"
#include "UiActions.h"
#include "Text.h"

#include <cstdio>
#include <fstream>

namespace bench {
namespace {

constexpr uint32_t kFirstBase = 0x1000;
constexpr uint32_t kBaseStep = 0x600; // a block is 1380 bytes
constexpr DWORD kServerStartMs = 15000;
// Faceplates are placed on a grid so that they do not all cover each other.
constexpr int kGridColumns = 8;
constexpr int kGridStepX = 140;
constexpr int kGridStepY = 40;

std::wstring TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name + std::to_wstring(::GetCurrentProcessId()) + L".ini";
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

} // namespace

std::string TagName(int index) {
    char name[16];
    snprintf(name, sizeof name, "BAL%02d", index + 1);
    return name;
}

ServerProcess::~ServerProcess() {
    Kill();
}

bool ServerProcess::Start(const ServerOptions& options, std::string& error) {
    Kill();
    m_ini = TempPath(L"bench_station_");
    {
        std::ofstream ini(m_ini.c_str());
        ini << "[server]\nperiod = " << options.periodMs << "\nseed = 5\n";
        for (int i = 0; i < options.blocks; ++i)
            ini << "\n[block " << TagName(i) << "]\nbase = " << kFirstBase + kBaseStep * i
                << "\n95 = 1\n";
    }
    std::wstring args = L"--config \"" + m_ini + L"\"";
    if (options.changeAll)
        args += L" --change-all";
    if (!m_process.Start(kt::BinPath(L"commserver.exe"), args) ||
        !kt::ChildProcess::WaitForMapping(commproto::kServerHandleSegmentName, kServerStartMs)) {
        error = "the server did not start: " + m_process.Output();
        return false;
    }
    return true;
}

void ServerProcess::Kill() {
    if (m_process.Process()) {
        m_process.Kill();
        m_earlierOutput += m_process.Output();
    }
    if (!m_ini.empty())
        ::DeleteFileW(m_ini.c_str());
}

std::string ServerProcess::Output() {
    return m_earlierOutput + m_process.Output();
}

fphost::HostConfig MakeHostConfig(int tags) {
    fphost::HostConfig config;
    config.callbacks = false;
    config.almState = false;
    for (int i = 0; i < tags; ++i) {
        fphost::TagConfig tag;
        tag.name = TagName(i);
        tag.description = "heater " + std::to_string(i + 1);
        tag.base = static_cast<int32_t>(kFirstBase + kBaseStep * i);
        tag.x = 10 + kGridStepX * (i % kGridColumns);
        tag.y = 10 + kGridStepY * (i / kGridColumns);
        tag.width = 128;
        tag.height = 750;
        tag.detailWidth = 945;
        tag.detailHeight = 890;
        config.tags.push_back(tag);
    }
    return config;
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    PumpUntil([&] { return ::GetTickCount() - start >= ms; }, ms + 1000);
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

std::wstring ControlText(HWND root, int id) {
    HWND control = fphost::FindControl(root, id);
    return control ? kfw::GetWindowTextW(control) : std::wstring();
}

int Checked(HWND root, int id) {
    HWND control = fphost::FindControl(root, id);
    return control ? static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0)) : -1;
}

bool ShowsData(HWND fp) {
    // Without data the switch answers BST_INDETERMINATE; with data it shows the block's mode,
    // whichever it is (with every value changing, the mode turns over at every change).
    const int state = Checked(fp, kModeOn);
    return state == BST_CHECKED || state == BST_UNCHECKED;
}

std::vector<HWND> Descendants(HWND root) {
    std::vector<HWND> list;
    ::EnumChildWindows(root, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list;
}

} // namespace bench
