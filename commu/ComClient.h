// The link to the local communication server: registers a slot, mirrors address ranges of
// controller memory into the slot's segment, asks for refreshes and hands over write requests.
#pragma once

#include "CommProtocol.h"
#include "FileMapping.h"
#include "Window.h"

#include <deque>
#include <vector>

class CComClient;

// Hidden top-level window that receives the server's notifications for one client.
class CCommNotifyWnd : public kfw::CWnd {
public:
    static constexpr wchar_t kClassName[] = L"KrCommNotifySink";
    // A notification that arrived while the client waited for a write, handed on afterwards.
    static constexpr UINT kDeferredNotifyMsg = WM_APP + 0x301;
    // While refreshes are unanswered: looks for one whose answer was lost.
    static constexpr UINT_PTR kRefreshRetryTimer = 1;

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
    // True at once, sending nothing, while connected to a server whose window still exists.
    // When that server is gone, the stale connection (segment, slot, server window, subscribed
    // flag, sink window) is dropped and a new server is looked for: call it again to reach a
    // restarted server, then Subscribe again (IsSubscribed() is false after a fresh connect).
    // The register waits at most kRegisterWaitMs for its answer; a later answer still
    // connects the client when it arrives (Connect then returns true at once). While a register
    // is under way with a server that still exists, Connect sends nothing; after a refused
    // register it sends nothing to the same server until the retry pause has passed.
    bool Connect();
    // Unregisters (within the send time limit), closes the segment, destroys the sink window.
    // A register still under way is given up: its slot, when the answer comes, is given back.
    // Always true.
    bool Disconnect();
    // Sends the range list (at most 256 ranges are taken); the result is the new subscribed flag.
    // A server that does not answer in time is dropped: the client is then not connected.
    bool Subscribe(WORD target, const std::vector<commproto::CommRange>& ranges);
    // Posts a refresh request; the image arrives later with the data-ready notification. A post
    // that fails because the server window is gone drops the connection.
    bool Read();
    // Fills the write area and posts a write request, then a refresh whose answer tells that
    // the server has taken the request. A payload larger than the write area (or a null
    // payload) is refused. While this client's previous request is not known taken, waits
    // for it at most kWriteTakenWaitMs; a request not known taken is never overwritten: the
    // write is refused. A post that fails because the server window is gone drops the
    // connection.
    bool Write(WORD target, WORD kind, WORD length, const void* data);
    // Waits at most `timeoutMs` until the last write request is known taken by the server
    // (at once true when none is outstanding). While it waits, messages sent to this thread
    // are handled and the server's notifications are counted; they reach OnServerMsg after
    // the wait. On a time-out the request is withdrawn from the write area (its magic
    // cleared), so that a server reading it later finds no request, and false is returned.
    bool WaitWriteTaken(DWORD timeoutMs);
    bool IsWriteOutstanding() const { return m_bWriteInFlight; }

    // Overridables
    // Called for every server notification (through the sink window).
    virtual void OnServerMsg(WPARAM wParam, LPARAM lParam);
    // What the sink window calls: counts a data-ready of this client's slot as the answer to
    // its oldest refresh, then hands the notification to OnServerMsg (later, while a write
    // is being waited for).
    void OnNotification(WPARAM wParam, LPARAM lParam);
    // What the sink window's retry timer calls: a refresh unanswered for kRefreshRetryMs, with
    // no answer since it was posted, is asked for once more.
    void OnRefreshRetryTimer();

    // Attributes
    // Start of the data area (6-byte header, then the image); null when no segment is open.
    BYTE* GetDataArea() const { return m_Mapping.GetView(); }
    int GetSlot() const { return m_nSlot; }
    bool IsConnected() const { return m_nSlot != -1; }
    // Connected, and the server window it registered with still exists (one IsWindow call).
    bool IsServerAlive() const;
    bool IsSubscribed() const { return m_bSubscribed; }
    // A register was sent and its answer has not arrived yet.
    bool IsRegistering() const { return m_pRegister != nullptr; }
    HWND GetServerWnd() const { return m_hServerWnd; }
    HWND GetSinkWnd() const { return m_Sink.GetSafeHwnd(); }

    // The server's request window from "COMMUNATAION SERVER HWND", or null when there is no
    // server (no segment, wrong magic, or a handle that names no window).
    static HWND FindServer();

private:
    // One register under way; it outlives the client when the client gives it up.
    struct PendingRegister {
        CComClient* owner; // null once given up
        HWND server;
    };
    // Receives the answer to a register, whenever it comes (sent-message callback).
    static void CALLBACK OnRegisterAnswer(HWND hwnd, UINT msg, ULONG_PTR data, LRESULT reply);
    // Sends the register for the sink window and waits kRegisterWaitMs at most for its answer.
    void StartRegister(HWND server);
    // The answer for this client: the slot is taken, or the register failed.
    void TakeRegisterAnswer(const PendingRegister& pending, LRESULT reply);
    // A register that failed: the same server is asked again after the retry pause, which
    // doubles with every failure in a row.
    void RegisterFailed(HWND server);
    bool MustWaitBeforeRegister(HWND server) const;

    bool HasServerSlot() const {
        return commproto::IsValidSlot(m_nSlot) && m_hServerWnd != nullptr;
    }
    // Sends a request to the server window within the send time limit; false (traced) when it
    // timed out or failed, with `reply` untouched.
    bool SendRequest(uint16_t command, LPARAM lParam, LRESULT& reply);
    // Closes the segment, forgets slot and server window, destroys the sink window. Tells the
    // server nothing.
    void ReleaseConnection();
    // Forgets a connection whose server is hung or gone, subscribed flag included.
    void DropConnection(const char* reason);
    // After a failed post: drops the connection when the server window is gone.
    void DropIfServerGone();
    // Waits at most `timeoutMs` until the last write request is known taken; leaves an
    // untaken request where it is.
    bool AwaitWriteTaken(DWORD timeoutMs);
    // Posts a refresh request and remembers it as unanswered (`retry`: the client's own second
    // ask after a lost answer).
    bool PostRefresh(bool retry = false);
    // Stops the sink window's retry timer (nothing is awaited).
    void StopRefreshRetry();
    // Forgets unanswered refreshes older than kRefreshLostMs.
    void ForgetLostRefreshes();

    CFileMapping m_Mapping;
    HWND m_hServerWnd = nullptr;
    int m_nSlot = -1;
    bool m_bSubscribed = false;
    CCommNotifyWnd m_Sink;
    // Refreshes posted and not yet answered, oldest first: their numbers and post times.
    struct PendingRefresh {
        uint32_t number;
        DWORD posted;
        uint32_t answersBefore; // m_nAnswers when it was posted
        bool retry;
    };
    std::deque<PendingRefresh> m_refreshes;
    uint32_t m_nRefreshNumber = 0;
    uint32_t m_nAnswers = 0; // data-ready notifications of the slot taken
    bool m_bRetryTimer = false;
    // The last write is not known taken until a refresh numbered m_nWriteFence or later is
    // answered.
    bool m_bWriteInFlight = false;
    uint32_t m_nWriteFence = 0;
    int m_nWaitDepth = 0;
    PendingRegister* m_pRegister = nullptr;
    // Retry after failed registers: the server that failed, when, and the pause before the
    // next register to it.
    HWND m_hFailedServer = nullptr;
    DWORD m_dwFailedAt = 0;
    DWORD m_dwRetryPause = commproto::kRegisterRetryFirstMs;
};
