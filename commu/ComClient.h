// The link to the local communication server: registers a slot, mirrors address ranges of
// controller memory into the slot's segment, asks for refreshes and hands over write requests.
#pragma once

#include "CommProtocol.h"
#include "FileMapping.h"
#include "Window.h"

#include <vector>

class CComClient;

// Hidden top-level window that receives the server's notifications for one client.
class CCommNotifyWnd : public kfw::CWnd {
public:
    static constexpr wchar_t kClassName[] = L"KrCommNotifySink";

    explicit CCommNotifyWnd(CComClient* owner) : m_pOwner(owner) {}

    // Creates the window named "Communation Notification Sink #<process id>".
    bool Create();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    CComClient* m_pOwner;
};

class CComClient {
public:
    CComClient();
    virtual ~CComClient();
    CComClient(const CComClient&) = delete;
    CComClient& operator=(const CComClient&) = delete;

    // Operations
    // Finds the server, creates the sink window, registers and opens the slot's segment.
    // True at once when already connected.
    bool Connect();
    // Unregisters, closes the segment, destroys the sink window. Always true.
    bool Disconnect();
    // Sends the range list (at most 256 ranges are taken); the result is the new subscribed flag.
    bool Subscribe(WORD target, const std::vector<commproto::CommRange>& ranges);
    // Posts a refresh request; the image arrives later with the data-ready notification.
    bool Read();
    // Fills the write area and posts a write request. A payload larger than the write area
    // (or a null payload) is refused.
    bool Write(WORD target, WORD kind, WORD length, const void* data);

    // Overridables
    // Called for every server notification (through the sink window).
    virtual void OnServerMsg(WPARAM wParam, LPARAM lParam);

    // Attributes
    // Start of the data area (6-byte header, then the image); null when no segment is open.
    BYTE* GetDataArea() const { return m_Mapping.GetView(); }
    int GetSlot() const { return m_nSlot; }
    bool IsConnected() const { return m_nSlot != -1; }
    bool IsSubscribed() const { return m_bSubscribed; }
    HWND GetServerWnd() const { return m_hServerWnd; }
    HWND GetSinkWnd() const { return m_Sink.GetSafeHwnd(); }

    // The server's request window from "COMMUNATAION SERVER HWND", or null when there is no
    // server (no segment, wrong magic, or a handle that names no window).
    static HWND FindServer();

private:
    bool HasServerSlot() const {
        return commproto::IsValidSlot(m_nSlot) && m_hServerWnd != nullptr;
    }

    CFileMapping m_Mapping;
    HWND m_hServerWnd = nullptr;
    int m_nSlot = -1;
    bool m_bSubscribed = false;
    CCommNotifyWnd m_Sink;
};
