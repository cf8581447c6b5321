// The station a benchmark or soak run sets up: the communication server program with one
// simulated BALANCE8 block per tag, and the test host's configuration of the same tags.
#pragma once

#include "ChildProcess.h"
#include "Balance8Ids.h"
#include "HostConfig.h"

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// Controls of the BALANCE8 faceplate the runs look at.
constexpr int kStatusLine = IDC_FP_STATUS;
constexpr int kModeOn = IDC_MODE_ON;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr wchar_t kCommFail[] = L"COMM_FAIL";
// Templates of the module: the faceplate, and the pages of its detail view.
constexpr int kMainTemplate = IDD_FP_MAIN;
constexpr int kPageTemplates[] = {IDD_PAGE_FIRST,   IDD_PAGE_MULTYBALANCE, IDD_PAGE_TWOTPBALANCE,
                                   IDD_PAGE_SVLIMIT, IDD_PAGE_PVALARM,      IDD_PAGE_TALARM,
                                   IDD_PAGE_TCSALARM, IDD_PAGE_KTL,         IDD_PAGE_SPEEDALARM};
constexpr wchar_t kModuleFile[] = L"FP_BALANCE8.dll";
// The server holds at most this many clients; every open faceplate is one.
constexpr int kMaxFaceplates = 32;
// A station allows this many detail views at a time.
constexpr int kMaxDetailViews = 4;

// "BAL01", "BAL02", ...
std::string TagName(int index);

struct ServerOptions {
    int blocks = 1;
    int periodMs = 1000;
    bool changeAll = false;
};

// The server program in a second process (killed with this object).
class ServerProcess {
public:
    ~ServerProcess();
    bool Start(const ServerOptions& options, std::string& error);
    void Kill();
    HANDLE Process() const { return m_process.Process(); }
    // Its standard output since the last Start, plus that of the runs before it.
    std::string Output();

private:
    kt::ChildProcess m_process;
    std::wstring m_ini;
    std::string m_earlierOutput;
};

// A host configuration with `tags` tags of the server's blocks, item 95 (mode) on in the
// server so that the first delivery is visible on the faceplate.
fphost::HostConfig MakeHostConfig(int tags);

// Message pumping that ends as soon as the condition holds (checked after every message).
template <typename Done> bool PumpUntil(Done done, DWORD timeoutMs);
void PumpFor(DWORD ms);
// Dispatches what is queued now, without waiting.
void PumpPending();

std::wstring ControlText(HWND root, int id);
int Checked(HWND root, int id);
// The faceplate shows delivered data: the mode switch shows a state (on or off).
bool ShowsData(HWND fp);
// Every descendant window of a root, in z-order, depth first.
std::vector<HWND> Descendants(HWND root);

template <typename Done> bool PumpUntil(Done done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        } else {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    return true;
}

} // namespace bench
