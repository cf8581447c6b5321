#include "ComClient.h"

#include "Trace.h"

#include <cstdio>
#include <cstring>

using namespace commproto;

namespace {
constexpr char kSinkNameFormat[] = "Communation Notification Sink #%d";
constexpr size_t kSinkNameSize = 64;
} // namespace

bool CCommNotifyWnd::Create() {
    if (!RegisterClass(kClassName, 0))
        return false;
    char name[kSinkNameSize];
    snprintf(name, sizeof name, kSinkNameFormat, static_cast<int>(::GetCurrentProcessId()));
    wchar_t wideName[kSinkNameSize];
    ::MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, static_cast<int>(kSinkNameSize));
    RECT rc{0, 0, 0, 0};
    return CreateEx(0, kClassName, wideName, 0, rc, nullptr, 0);
}

LRESULT CCommNotifyWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kServerNotifyMsg) {
        if (m_pOwner)
            m_pOwner->OnNotification(wp, lp);
        return 0;
    }
    if (msg == kDeferredNotifyMsg) {
        if (m_pOwner)
            m_pOwner->OnServerMsg(wp, lp);
        return 0;
    }
    if (msg == WM_TIMER && wp == kRefreshRetryTimer) {
        if (m_pOwner)
            m_pOwner->OnRefreshRetryTimer();
        return 0;
    }
    return DefWindowProc(msg, wp, lp);
}

CComClient::CComClient() : m_Sink(this) {}

CComClient::~CComClient() {
    Disconnect();
}

HWND CComClient::FindServer() {
    CFileMapping handleSegment;
    if (!handleSegment.Open(kServerHandleSegmentName))
        return nullptr;
    const BYTE* view = handleSegment.GetView();
    if (Get<uint32_t>(view, kHandleMagicOffset) != kSegmentMagic)
        return nullptr;
    HWND server =
        reinterpret_cast<HWND>(static_cast<UINT_PTR>(Get<uint32_t>(view, kHandleWindowOffset)));
    // A stale handle left by a server that is gone counts as no server.
    return ::IsWindow(server) ? server : nullptr;
}

bool CComClient::IsServerAlive() const {
    return IsConnected() && m_hServerWnd && ::IsWindow(m_hServerWnd);
}

bool CComClient::SendRequest(uint16_t command, LPARAM lParam, LRESULT& reply) {
    DWORD_PTR result = 0;
    const WPARAM wp = MakeWParam(command, command == kCmdRegister ? 0 : m_nSlot);
    if (!::SendMessageTimeoutW(m_hServerWnd, kServerRequestMsg, wp, lParam, kServerSendFlags,
                               kServerSendTimeoutMs, &result)) {
        kfw::Trace("CComClient::Warning: server request 0x%x not answered (error %lu)\n",
                   static_cast<unsigned>(wp), ::GetLastError());
        return false;
    }
    reply = static_cast<LRESULT>(result);
    return true;
}

void CComClient::ReleaseConnection() {
    if (m_pRegister) {
        // Its answer may still come: it is given back then (OnRegisterAnswer).
        m_pRegister->owner = nullptr;
        m_pRegister = nullptr;
    }
    m_Mapping.Close();
    m_nSlot = -1;
    m_hServerWnd = nullptr;
    m_refreshes.clear();
    m_bWriteInFlight = false;
    m_bRetryTimer = false; // goes with the sink window
    if (m_Sink.GetSafeHwnd())
        m_Sink.DestroyWindow();
}

void CComClient::DropConnection(const char* reason) {
    kfw::Trace("CComClient::Warning: connection dropped: %s\n", reason);
    ReleaseConnection();
    m_bSubscribed = false;
}

void CComClient::DropIfServerGone() {
    if (m_hServerWnd && !::IsWindow(m_hServerWnd))
        DropConnection("the server window is gone");
}

bool CComClient::Connect() {
    if (m_nSlot != -1) {
        if (IsServerAlive())
            return true;
        DropConnection("the server window is gone");
    }
    if (m_pRegister) {
        // One register at a time: a server that is still there is working on it.
        if (::IsWindow(m_pRegister->server))
            return false;
        ReleaseConnection(); // gone without answering: this register is over
    }
    m_bSubscribed = false; // a new registration has no subscription yet
    HWND server = FindServer();
    if (!server || MustWaitBeforeRegister(server))
        return false;
    if (!m_Sink.Create()) {
        kfw::TraceText("CComClient::Warning: unable to create communication notify window!\n");
        return false;
    }
    StartRegister(server);
    return IsConnected();
}

bool CComClient::MustWaitBeforeRegister(HWND server) const {
    return m_hFailedServer == server && ::GetTickCount() - m_dwFailedAt < m_dwRetryPause;
}

void CComClient::RegisterFailed(HWND server) {
    if (m_hFailedServer == server)
        m_dwRetryPause =
            m_dwRetryPause * 2 < kRegisterRetryMaxMs ? m_dwRetryPause * 2 : kRegisterRetryMaxMs;
    else
        m_dwRetryPause = kRegisterRetryFirstMs;
    m_hFailedServer = server;
    m_dwFailedAt = ::GetTickCount();
}

void CComClient::StartRegister(HWND server) {
    // Sent with a callback rather than with a time limit: an answer that comes after the wait
    // below still reaches this client, which then takes the slot, or gives it back when it
    // no longer wants it. A slot the server granted is never lost.
    auto* pending = new PendingRegister{this, server};
    m_pRegister = pending;
    if (!::SendMessageCallbackW(server, kServerRequestMsg, MakeWParam(kCmdRegister, 0),
                                reinterpret_cast<LPARAM>(m_Sink.GetSafeHwnd()), OnRegisterAnswer,
                                reinterpret_cast<ULONG_PTR>(pending))) {
        kfw::Trace("CComClient::Warning: register not sent (error %lu)\n", ::GetLastError());
        m_pRegister = nullptr;
        delete pending;
        ReleaseConnection();
        RegisterFailed(server);
        return;
    }
    // The answer arrives as a sent message: only those are taken while waiting, posted and
    // input messages stay for the host's loop. (A server of this thread has answered already.)
    const DWORD start = ::GetTickCount();
    while (m_pRegister == pending) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= kRegisterWaitMs) {
            kfw::Trace("CComClient::Warning: register not answered within %lu ms; its answer "
                       "is taken when it comes\n",
                       static_cast<unsigned long>(kRegisterWaitMs));
            return;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kRegisterWaitMs - spent, QS_SENDMESSAGE);
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void CALLBACK CComClient::OnRegisterAnswer(HWND, UINT, ULONG_PTR data, LRESULT reply) {
    auto* pending = reinterpret_cast<PendingRegister*>(data);
    if (!pending)
        return;
    try {
        if (pending->owner) {
            pending->owner->TakeRegisterAnswer(*pending, reply);
        } else if (IsValidSlot(reply) && ::IsWindow(pending->server)) {
            // Granted to a client that has given the register up: the slot goes back at once,
            // without waiting for the server.
            kfw::Trace("CComClient: slot %d came after the register was given up; "
                       "unregistered\n",
                       static_cast<int>(reply));
            ::SendNotifyMessageW(pending->server, kServerRequestMsg,
                                 MakeWParam(kCmdUnregister, static_cast<int>(reply)), 0);
        }
    } catch (...) {
        kfw::TraceText("CComClient::Warning: exception while taking a register answer\n");
    }
    delete pending;
}

void CComClient::TakeRegisterAnswer(const PendingRegister& pending, LRESULT reply) {
    m_pRegister = nullptr;
    // A server that went away before answering gives no slot, whatever the answer says.
    if (!IsValidSlot(reply) || !::IsWindow(pending.server)) {
        // Refused: not connected, no unregister.
        ReleaseConnection();
        RegisterFailed(pending.server);
        return;
    }
    m_hServerWnd = pending.server;
    m_nSlot = static_cast<int>(reply);
    if (!m_Mapping.Open(kClientSegmentNames[m_nSlot])) {
        Disconnect();
        RegisterFailed(pending.server);
        return;
    }
    m_hFailedServer = nullptr;
    m_dwRetryPause = kRegisterRetryFirstMs;
}

bool CComClient::Disconnect() {
    if (m_hServerWnd && m_nSlot != -1) {
        LRESULT ignored = 0;
        SendRequest(kCmdUnregister, 0, ignored);
    }
    ReleaseConnection();
    return true;
}

bool CComClient::Subscribe(WORD target, const std::vector<CommRange>& ranges) {
    if (!HasServerSlot())
        return false;
    BYTE* area = m_Mapping.GetSubscriptionArea();
    if (!area)
        return false;
    size_t count = ranges.size() < kMaxRanges ? ranges.size() : kMaxRanges;
    Put<uint32_t>(area, kSubMagicOffset, kSegmentMagic);
    Put<uint32_t>(area, kSubFirstEntryOffset, kSubFirstEntryValue);
    Put<uint32_t>(area, kSubCountOffset, static_cast<uint32_t>(count));
    Put<uint32_t>(area, kSubOneOffset, kSubOneValue);
    Put<uint16_t>(area, kSubTargetOffset, target);
    for (size_t i = 0; i < count; ++i) {
        size_t entry = kSubEntriesOffset + i * kRangeEntrySize;
        Put<uint32_t>(area, entry, ranges[i].start);
        Put<uint32_t>(area, entry + 4, ranges[i].length);
    }
    LRESULT reply = kSubscribeRefused;
    if (!SendRequest(kCmdSubscribe, 0, reply)) {
        DropConnection("the server did not answer the subscription");
        return false;
    }
    m_bSubscribed = reply == kSubscribeAccepted;
    return m_bSubscribed;
}

bool CComClient::Read() {
    if (!m_bSubscribed)
        return false;
    if (!HasServerSlot())
        return false;
    return PostRefresh();
}

bool CComClient::PostRefresh(bool retry) {
    if (!::PostMessageW(m_hServerWnd, kServerRequestMsg, MakeWParam(kCmdRefresh, m_nSlot), 0)) {
        DropIfServerGone();
        return false;
    }
    ForgetLostRefreshes();
    if (m_refreshes.size() >= kMaxPendingRefreshes)
        m_refreshes.pop_front();
    m_refreshes.push_back(PendingRefresh{++m_nRefreshNumber, ::GetTickCount(), m_nAnswers, retry});
    // The server drops a data-ready its client does not take in time (a host busy creating
    // windows): the protocol only promises that a refresh is answered, so an answer that
    // does not come is asked for again.
    if (!m_bRetryTimer && m_Sink.GetSafeHwnd())
        m_bRetryTimer = ::SetTimer(m_Sink.GetSafeHwnd(), CCommNotifyWnd::kRefreshRetryTimer,
                                   kRefreshRetryMs / 2, nullptr) != 0;
    return true;
}

void CComClient::StopRefreshRetry() {
    if (m_bRetryTimer && m_Sink.GetSafeHwnd())
        ::KillTimer(m_Sink.GetSafeHwnd(), CCommNotifyWnd::kRefreshRetryTimer);
    m_bRetryTimer = false;
}

void CComClient::OnRefreshRetryTimer() {
    ForgetLostRefreshes();
    if (m_refreshes.empty() || !HasServerSlot()) {
        StopRefreshRetry();
        return;
    }
    // Only the newest ask counts: an owner that keeps asking gets its answers from those
    // asks. A second ask that goes unanswered too is left to the owner's next one.
    const PendingRefresh& newest = m_refreshes.back();
    if (newest.retry || newest.answersBefore != m_nAnswers ||
        ::GetTickCount() - newest.posted < kRefreshRetryMs)
        return;
    kfw::Trace("CComClient: refresh %u of slot %d not answered within %lu ms; asked again\n",
               static_cast<unsigned>(newest.number), m_nSlot,
               static_cast<unsigned long>(kRefreshRetryMs));
    PostRefresh(true);
}

void CComClient::ForgetLostRefreshes() {
    const DWORD now = ::GetTickCount();
    while (!m_refreshes.empty() && now - m_refreshes.front().posted >= kRefreshLostMs)
        m_refreshes.pop_front();
}

void CComClient::OnNotification(WPARAM wParam, LPARAM lParam) {
    if (CommandOf(wParam) == kCmdRefresh && SlotOf(wParam) == m_nSlot && lParam == 0) {
        ++m_nAnswers;
        // The answer to the oldest refresh; one beyond those asked for answers none.
        ForgetLostRefreshes();
        if (!m_refreshes.empty()) {
            uint32_t answered = m_refreshes.front().number;
            m_refreshes.pop_front();
            // Requests are taken in order: the write came before this refresh.
            if (m_bWriteInFlight && static_cast<int32_t>(answered - m_nWriteFence) >= 0)
                m_bWriteInFlight = false;
            // An answer the server could not deliver (a busy client) leaves the count one
            // behind, so this answer may be the write's own: while a write is waited for,
            // each answer asks once more, until one is counted beyond the write.
            if (m_bWriteInFlight && m_nWaitDepth > 0)
                PostRefresh();
        }
        if (m_refreshes.empty())
            StopRefreshRetry(); // nothing awaited: no timer message per tick
    }
    if (m_nWaitDepth > 0 && m_Sink.GetSafeHwnd()) {
        // Nothing of the owner runs while a write is waited for.
        ::PostMessageW(m_Sink.GetSafeHwnd(), CCommNotifyWnd::kDeferredNotifyMsg, wParam, lParam);
        return;
    }
    OnServerMsg(wParam, lParam);
}

bool CComClient::AwaitWriteTaken(DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    ++m_nWaitDepth;
    while (m_bWriteInFlight && m_hServerWnd && ::IsWindow(m_hServerWnd)) {
        DWORD spent = ::GetTickCount() - start;
        if (spent >= timeoutMs)
            break;
        // The server's data-ready comes as a sent message (handled inside PeekMessage) or as
        // a posted one to the sink; nothing else is taken from the queue.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent,
                                    QS_SENDMESSAGE | QS_POSTMESSAGE);
        MSG msg;
        while (m_Sink.GetSafeHwnd() && ::PeekMessageW(&msg, m_Sink.GetSafeHwnd(), kServerNotifyMsg,
                                                       kServerNotifyMsg, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }
    --m_nWaitDepth;
    return !m_bWriteInFlight;
}

bool CComClient::WaitWriteTaken(DWORD timeoutMs) {
    if (AwaitWriteTaken(timeoutMs))
        return true;
    kfw::TraceText("CComClient::Write: the server has not taken the request in time; "
                   "request withdrawn\n");
    if (BYTE* area = m_Mapping.GetWriteArea())
        Put<uint32_t>(area, kWrMagicOffset, 0);
    m_bWriteInFlight = false;
    DropIfServerGone();
    return false;
}

bool CComClient::Write(WORD target, WORD kind, WORD length, const void* data) {
    if (!HasServerSlot())
        return false;
    BYTE* area = m_Mapping.GetWriteArea();
    if (!area)
        return false;
    if (length > kMaxWritePayload || (length > 0 && !data)) {
        kfw::Trace("CComClient::Write: payload of %u bytes refused\n",
                   static_cast<unsigned>(length));
        return false;
    }
    if (!AwaitWriteTaken(kWriteTakenWaitMs)) {
        // The request there may still be read: it is neither overwritten nor withdrawn.
        kfw::TraceText("CComClient::Write: the server has not taken the previous request; "
                       "write refused\n");
        DropIfServerGone();
        return false;
    }
    if (!HasServerSlot())
        return false; // the server went while the previous request was waited for
    Put<uint32_t>(area, kWrMagicOffset, kSegmentMagic);
    Put<uint16_t>(area, kWrTargetOffset, target);
    Put<uint16_t>(area, kWrKindOffset, kind);
    Put<uint16_t>(area, kWrLengthOffset, length);
    if (length > 0)
        memcpy(area + kWrPayloadOffset, data, length);
    if (!::PostMessageW(m_hServerWnd, kServerRequestMsg, MakeWParam(kCmdWrite, m_nSlot), 0)) {
        // Never delivered: the area holds no request for the server to take.
        Put<uint32_t>(area, kWrMagicOffset, 0);
        DropIfServerGone();
        return false;
    }
    // The refresh behind the write: its answer says the request has been taken. Without it
    // the request stays outstanding and the next write waits for it.
    m_bWriteInFlight = true;
    m_nWriteFence = m_nRefreshNumber + 1;
    if (!PostRefresh() && !HasServerSlot())
        return false; // the server window went away: the request is lost with it
    return true;
}

void CComClient::OnServerMsg(WPARAM wParam, LPARAM lParam) {
    kfw::Trace("CComClient::OnServerMsg(WPARAM wParam = 0x%x, LPARAM lParam = 0x%x\n",
               static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
}
