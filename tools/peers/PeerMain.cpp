// Stand-in for an operator-station program that other programs reach through its hidden
// communication window: the operator centre (DOZezeru.exe) or, built with PEER_ALARM_VIEW,
// the alarm view (ZUZuvAdud.exe). It shows every request it receives in a small window,
// appends it to a log file and answers with a code of its own.
#include "IntercomProtocol.h"
#include "PeerLog.h"
#include "Text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

#ifdef PEER_ALARM_VIEW
constexpr wchar_t kRoleTitle[] = L"ZUZuvAdud (alarm view)";
constexpr const char* kDefaultName = "AlarmView";
constexpr int kDefaultX = 660, kDefaultY = 40;
#else
constexpr wchar_t kRoleTitle[] = L"DOZezeru (operator centre)";
constexpr const char* kDefaultName = icproto::kTaskCenterName;
constexpr int kDefaultX = 200, kDefaultY = 40;
#endif
constexpr int kViewWidth = 440, kViewHeight = 220;
constexpr int kMaxWindows = 16;
constexpr int kListId = 100;
constexpr wchar_t kViewClass[] = L"KrPeerRequestView";
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitStartFailed = 3;
constexpr UINT kLastAppMessage = 0xBFFF; // WM_APP .. 0xBFFF: private messages

const char kUsage[] =
    "usage: DOZezeru|ZUZuvAdud [options]\n"
    "  --name NAME     logical name of the communication window (\"VorAvo:\" + NAME)\n"
    "  --log FILE      append every received request to this file\n"
    "  --reply N       answer every request with N (default: the process id)\n"
    "  --hang MS       stay unresponsive this long after logging each request\n"
    "  --windows N     own N communication windows of the same name (default 1)\n"
    "  --pos X,Y       place of the request window\n";

struct Options {
    std::string name = kDefaultName;
    std::string log;
    long reply = static_cast<long>(::GetCurrentProcessId());
    unsigned long hangMs = 0;
    int windows = 1;
    int x = kDefaultX, y = kDefaultY;
};

bool ParseNumber(const char* text, long long min, long long max, long long& out) {
    if (!text || !*text)
        return false;
    char* end = nullptr;
    out = strtoll(text, &end, 0);
    return *end == '\0' && out >= min && out <= max;
}

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        long long n = 0;
        if (a == "--name" && next) {
            o.name = argv[++i];
        } else if (a == "--log" && next && *next) {
            o.log = argv[++i];
        } else if (a == "--reply" && ParseNumber(next, INT32_MIN, INT32_MAX, n)) {
            o.reply = static_cast<long>(n);
            ++i;
        } else if (a == "--hang" && ParseNumber(next, 0, 600000, n)) {
            o.hangMs = static_cast<unsigned long>(n);
            ++i;
        } else if (a == "--windows" && ParseNumber(next, 1, kMaxWindows, n)) {
            o.windows = static_cast<int>(n);
            ++i;
        } else if (a == "--pos" && next && sscanf(next, "%d,%d", &o.x, &o.y) == 2) {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

Options g_options;
HWND g_list = nullptr;

void WriteStdout(const std::string& text) {
    DWORD written = 0;
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE)
        ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void AppendLog(const std::string& line) {
    if (g_options.log.empty())
        return;
    HANDLE file =
        ::CreateFileA(g_options.log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

peers::ReceivedRequest Receive(WPARAM from, const COPYDATASTRUCT& data) {
    peers::ReceivedRequest r;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char time[16];
    snprintf(time, sizeof time, "%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond,
             now.wMilliseconds);
    r.time = time;
    r.window = g_options.name;
    r.from = static_cast<unsigned long>(from);
    r.code = static_cast<unsigned>(data.dwData);
    r.size = data.cbData;
    const char* bytes = static_cast<const char*>(data.lpData);
    if (bytes && data.cbData) {
        r.terminated = memchr(bytes, 0, data.cbData) != nullptr;
        r.tag.assign(bytes, strnlen(bytes, data.cbData));
    }
    return r;
}

void ShowRequest(const peers::ReceivedRequest& r) {
    if (!g_list)
        return;
    char line[128];
    snprintf(line, sizeof line, "%.8s   %u   ", r.time.c_str(), r.code);
    const std::wstring text = kfw::Widen(line) + kfw::Widen(peers::EscapeLogText(r.tag));
    LRESULT index = ::SendMessageW(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::SendMessageW(g_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::UpdateWindow(g_list);
}

LRESULT CALLBACK CommuWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // A private message (sent or posted) is logged as a request without a record: its number
    // as the code, size 0.
    const bool privateMessage = msg >= WM_APP && msg <= kLastAppMessage;
    if ((msg == WM_COPYDATA && lp) || privateMessage) {
        const COPYDATASTRUCT none{msg, 0, nullptr};
        const peers::ReceivedRequest r =
            Receive(wp, privateMessage ? none : *reinterpret_cast<const COPYDATASTRUCT*>(lp));
        AppendLog(peers::FormatLogLine(r));
        ShowRequest(r);
        if (g_options.hangMs)
            ::Sleep(g_options.hangMs);
        return g_options.reply;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK ViewWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        if (g_list)
            ::MoveWindow(g_list, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool CreateWindows(HINSTANCE instance) {
    WNDCLASSA commu{};
    commu.lpfnWndProc = CommuWndProc;
    commu.hInstance = instance;
    commu.lpszClassName = icproto::kCommuWindowClass;
    WNDCLASSW view{};
    view.lpfnWndProc = ViewWndProc;
    view.hInstance = instance;
    view.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    view.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    view.lpszClassName = kViewClass;
    if (!::RegisterClassA(&commu) || !::RegisterClassW(&view))
        return false;

    const std::string text = std::string(icproto::kCommuWindowPrefix) + g_options.name;
    for (int i = 0; i < g_options.windows; ++i) {
        // Hidden and top-level: senders find it among the top-level windows of this process.
        if (!::CreateWindowExA(0, icproto::kCommuWindowClass, text.c_str(), WS_OVERLAPPED, 0, 0, 0,
                               0, nullptr, nullptr, instance, nullptr))
            return false;
    }
    const std::wstring title = std::wstring(kRoleTitle) + L" - " + kfw::Widen(g_options.name);
    HWND frame = ::CreateWindowExW(WS_EX_TOOLWINDOW, kViewClass, title.c_str(),
                                   WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                   g_options.x, g_options.y, kViewWidth, kViewHeight, nullptr,
                                   nullptr, instance, nullptr);
    if (!frame)
        return false;
    RECT rc;
    ::GetClientRect(frame, &rc);
    g_list = ::CreateWindowExW(
        0, L"LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0,
        rc.right, rc.bottom, frame, reinterpret_cast<HMENU>(kListId), instance, nullptr);
    ::SendMessageW(g_list, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                   FALSE);
    return g_list != nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (!ParseArgs(argc, argv, g_options)) {
        WriteStdout(kUsage);
        return kExitUsage;
    }
    if (!CreateWindows(::GetModuleHandleW(nullptr)))
        return kExitStartFailed;
    WriteStdout("ready " + std::to_string(::GetCurrentProcessId()) + "\n");
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return kExitOk;
}
