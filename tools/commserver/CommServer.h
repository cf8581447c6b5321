// The communication server: publishes its request window in "COMMUNATAION SERVER HWND",
// owns the 32 client segments, serves register / unregister / subscribe / refresh / write
// requests from the station's memory image, and runs the heater models on a timer.
#pragma once

#include "CommProtocol.h"
#include "FileMapping.h"
#include "Station.h"
#include "Window.h"

#include <string>
#include <vector>

namespace commsim {

// Named event that ends a running server when set.
constexpr char kDefaultQuitEvent[] = "KrCommServerQuit";

// Faults a test can ask for.
struct ServerFaults {
    bool noRefresh = false;     // never answer a refresh
    DWORD noRefreshAfterMs = 0; // stop answering refreshes this long after the start (0 = never)
    bool refuseRegister = false;
    bool refuseSubscribe = false;
    bool badMagic = false;     // wrong magic in the handle segment
    unsigned hangCommands = 0; // bit (1 << command): the request handler sleeps kHangMs
    bool keepWrites = false;   // never take a write request: it stays in the write area
    // Apply write requests but never touch the write area (a server that does not clear
    // the magic of a request it has read).
    bool leaveWriteArea = false;
    DWORD registerDelayMs = 0; // answer every register this late (a slow server)
    bool Hangs(uint16_t command) const { return command < 32 && (hangCommands >> command) & 1u; }
};

// How long a hanging request handler sleeps: far beyond any client's send time limit.
constexpr DWORD kHangMs = 60000;

class CCommServer : public kfw::CWnd {
public:
    static constexpr wchar_t kClassName[] = L"KrCommServer";
    // A hung client never blocks the server longer.
    static constexpr DWORD kNotifyTimeoutMs = commproto::kDataReadySendTimeoutMs;

    CCommServer(CStation& station, const ServerFaults& faults, DWORD periodMs);
    ~CCommServer() override;

    // Creates the window and the segments. False when another server runs or a segment
    // cannot be made.
    bool Start(std::string& error);
    // Every value changes instead of the models running: when a client asks for its next
    // refresh (one it asked for since the last change) and a period has passed, so that
    // clients refreshing in rounds see exactly one change between two refreshes, never two
    // that cancel out (a switch turned over twice).
    void SetChangeEveryValue(bool on) { m_changeEveryValue = on; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    struct Slot {
        HWND sink = nullptr;
        bool subscribed = false;
        uint16_t target = 0;
        uint16_t sequence = 0;
        std::vector<commproto::CommRange> ranges;
    };

    LRESULT OnRequest(WPARAM wp, LPARAM lp);
    LRESULT OnRegister(HWND sink);
    void OnUnregister(int slot);
    LRESULT OnSubscribe(int slot);
    void OnRefresh(int slot);
    void OnWrite(int slot);
    void FreeSlot(int slot);
    bool IsRegistered(int slot) const;

    CStation& m_station;
    ServerFaults m_faults;
    DWORD m_periodMs;
    bool m_changeEveryValue = false;
    DWORD m_lastChangeTick = 0;
    uint32_t m_refreshedSinceChange = 0; // bit per slot
    DWORD m_startTick = 0;
    CFileMapping m_handleSegment;
    CFileMapping m_segments[commproto::kMaxClients];
    Slot m_slots[commproto::kMaxClients];
};

// One log line on standard output and in the debug trace ("[CommServer] ...").
void ServerLog(const char* format, ...);

} // namespace commsim
