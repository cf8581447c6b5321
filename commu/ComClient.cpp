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

bool CComClient::Connect() {
    if (m_nSlot != -1)
        return true;
    m_hServerWnd = FindServer();
    if (!m_hServerWnd)
        return false;
    if (!m_Sink.Create()) {
        kfw::TraceText("CComClient::Warning: unable to create communication notify window!\n");
        m_hServerWnd = nullptr;
        return false;
    }
    LRESULT reply = ::SendMessageW(m_hServerWnd, kServerRequestMsg, MakeWParam(kCmdRegister, 0),
                                   reinterpret_cast<LPARAM>(m_Sink.GetSafeHwnd()));
    if (!IsValidSlot(reply)) {
        // Refused: not connected, no unregister.
        m_hServerWnd = nullptr;
        m_Sink.DestroyWindow();
        return false;
    }
    m_nSlot = static_cast<int>(reply);
    if (!m_Mapping.Open(kClientSegmentNames[m_nSlot])) {
        Disconnect();
        return false;
    }
    return true;
}

bool CComClient::Disconnect() {
    if (m_hServerWnd && m_nSlot != -1)
        ::SendMessageW(m_hServerWnd, kServerRequestMsg, MakeWParam(kCmdUnregister, m_nSlot), 0);
    m_Mapping.Close();
    m_nSlot = -1;
    m_hServerWnd = nullptr;
    if (m_Sink.GetSafeHwnd())
        m_Sink.DestroyWindow();
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
    LRESULT reply =
        ::SendMessageW(m_hServerWnd, kServerRequestMsg, MakeWParam(kCmdSubscribe, m_nSlot), 0);
    m_bSubscribed = reply == kSubscribeAccepted;
    return m_bSubscribed;
}

bool CComClient::Read() {
    if (!m_bSubscribed)
        return false;
    if (!HasServerSlot())
        return false;
    return ::PostMessageW(m_hServerWnd, kServerRequestMsg, MakeWParam(kCmdRefresh, m_nSlot), 0) !=
           FALSE;
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
    Put<uint32_t>(area, kWrMagicOffset, kSegmentMagic);
    Put<uint16_t>(area, kWrTargetOffset, target);
    Put<uint16_t>(area, kWrKindOffset, kind);
    Put<uint16_t>(area, kWrLengthOffset, length);
    if (length > 0)
        memcpy(area + kWrPayloadOffset, data, length);
    return ::PostMessageW(m_hServerWnd, kServerRequestMsg, MakeWParam(kCmdWrite, m_nSlot), 0) !=
           FALSE;
}

void CComClient::OnServerMsg(WPARAM wParam, LPARAM lParam) {
    kfw::Trace("CComClient::OnServerMsg(WPARAM wParam = 0x%x, LPARAM lParam = 0x%x\n",
               static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
}
