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
            m_pOwner->OnServerMsg(wp, lp);
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
    m_bWritePosted = false;
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
    if (!::PostMessageW(m_hServerWnd, kServerRequestMsg, MakeWParam(kCmdRefresh, m_nSlot), 0)) {
        DropIfServerGone();
        return false;
    }
    return true;
}

bool CComClient::WaitForWriteTaken(const BYTE* area) const {
    if (!m_bWritePosted)
        return true;
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (Get<uint32_t>(area, kWrMagicOffset) != kSegmentMagic)
            return true;
        if (::GetTickCount() - start >= kWriteConsumeWaitMs)
            return false;
        // Sleep, not a message loop: nothing may re-enter the caller while it waits.
        ::Sleep(kWriteConsumePollMs);
    }
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
    if (!WaitForWriteTaken(area)) {
        kfw::TraceText("CComClient::Write: the server has not taken the previous request; "
                       "write refused\n");
        DropIfServerGone();
        return false;
    }
    Put<uint32_t>(area, kWrMagicOffset, kSegmentMagic);
    Put<uint16_t>(area, kWrTargetOffset, target);
    Put<uint16_t>(area, kWrKindOffset, kind);
    Put<uint16_t>(area, kWrLengthOffset, length);
    if (length > 0)
        memcpy(area + kWrPayloadOffset, data, length);
    if (!::PostMessageW(m_hServerWnd, kServerRequestMsg, MakeWParam(kCmdWrite, m_nSlot), 0)) {
        // Never delivered: the area holds no request for the server to take.
        Put<uint32_t>(area, kWrMagicOffset, 0);
        m_bWritePosted = false;
        DropIfServerGone();
        return false;
    }
    m_bWritePosted = true;
    return true;
}

void CComClient::OnServerMsg(WPARAM wParam, LPARAM lParam) {
    kfw::Trace("CComClient::OnServerMsg(WPARAM wParam = 0x%x, LPARAM lParam = 0x%x\n",
               static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
}
