#include "CommServer.h"

#include "SharedMemory.h"
#include "Trace.h"

#include <cstdarg>
#include <cstdio>

using namespace commproto;

namespace commsim {
namespace {
constexpr UINT_PTR kCycleTimer = 1;
constexpr size_t kLogLineSize = 512;
} // namespace

void ServerLog(const char* format, ...) {
    char line[kLogLineSize];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    printf("%s\n", line);
    fflush(stdout);
    kfw::Trace("[CommServer] %s\n", line);
}

CCommServer::CCommServer(CStation& station, const ServerFaults& faults, DWORD periodMs)
    : m_station(station), m_faults(faults), m_periodMs(periodMs) {}

CCommServer::~CCommServer() {
    if (m_hWnd)
        DestroyWindow();
}

bool CCommServer::Start(std::string& error) {
    if (HANDLE existing = ::OpenFileMappingA(FILE_MAP_READ, FALSE, kServerHandleSegmentName)) {
        ::CloseHandle(existing);
        error = "another communication server is running";
        return false;
    }
    if (!RegisterClass(kClassName, 0)) {
        error = "cannot register the window class";
        return false;
    }
    RECT rc{0, 0, 0, 0};
    // A message-only window: it only serves requests and never shows.
    if (!CreateEx(0, kClassName, L"Communication Server", 0, rc, HWND_MESSAGE, 0)) {
        error = "cannot create the request window";
        return false;
    }
    CRestrictedSecurityAttributes security;
    for (int slot = 0; slot < kMaxClients; ++slot) {
        if (!m_segments[slot].Create(kClientSegmentNames[slot], security.Get())) {
            error = std::string("cannot create ") + kClientSegmentNames[slot];
            return false;
        }
    }
    if (!m_handleSegment.Create(kServerHandleSegmentName, security.Get())) {
        error = "cannot create the handle segment";
        return false;
    }
    BYTE* view = m_handleSegment.GetView();
    Put<uint32_t>(view, kHandleWindowOffset,
                  static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(m_hWnd)));
    Put<uint32_t>(view, kHandleMagicOffset, m_faults.badMagic ? ~kSegmentMagic : kSegmentMagic);
    m_startTick = ::GetTickCount();
    SetTimer(kCycleTimer, m_periodMs);
    return true;
}

LRESULT CCommServer::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kServerRequestMsg:
        return OnRequest(wp, lp);
    case WM_TIMER:
        if (wp == kCycleTimer) {
            if (!m_changeEveryValue)
                m_station.Step(m_periodMs / 1000.0);
            return 0;
        }
        break;
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    case WM_DESTROY:
        KillTimer(kCycleTimer);
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

bool CCommServer::IsRegistered(int slot) const {
    return IsValidSlot(slot) && m_slots[slot].sink != nullptr;
}

void CCommServer::FreeSlot(int slot) {
    m_slots[slot] = Slot{};
}

LRESULT CCommServer::OnRequest(WPARAM wp, LPARAM lp) {
    const uint16_t command = CommandOf(wp);
    const int slot = SlotOf(wp);
    if (m_faults.Hangs(command)) {
        // The fault: a server that stops answering in the middle of a request.
        ServerLog("request 0x%08X: hanging for %lu ms (fault injection)", static_cast<unsigned>(wp),
                  static_cast<unsigned long>(kHangMs));
        ::Sleep(kHangMs);
    }
    switch (command) {
    case kCmdRegister:
        return OnRegister(reinterpret_cast<HWND>(lp));
    case kCmdUnregister:
        OnUnregister(slot);
        return 0;
    case kCmdSubscribe:
        return OnSubscribe(slot);
    case kCmdRefresh:
        OnRefresh(slot);
        return 0;
    case kCmdWrite:
        OnWrite(slot);
        return 0;
    default:
        ServerLog("refused request 0x%08X: unknown command %u", static_cast<unsigned>(wp), command);
        return kRegisterRefused;
    }
}

LRESULT CCommServer::OnRegister(HWND sink) {
    if (m_faults.refuseRegister) {
        ServerLog("refused register: refusing registrations (fault injection)");
        return kRegisterRefused;
    }
    if (!::IsWindow(sink)) {
        ServerLog("refused register: 0x%08X is no window",
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(sink)));
        return kRegisterRefused;
    }
    int free = -1;
    for (int slot = 0; slot < kMaxClients && free < 0; ++slot)
        if (!m_slots[slot].sink)
            free = slot;
    if (free < 0) {
        // Slots of clients whose sink window has gone (a process that died) are reused.
        for (int slot = 0; slot < kMaxClients && free < 0; ++slot) {
            if (!::IsWindow(m_slots[slot].sink)) {
                ServerLog("slot %d freed: its client is gone", slot);
                FreeSlot(slot);
                free = slot;
            }
        }
    }
    if (free < 0) {
        ServerLog("refused register: all %d slots taken", kMaxClients);
        return kRegisterRefused;
    }
    m_slots[free].sink = sink;
    // A new client has no request pending: one left by an earlier client is not applied.
    Put<uint32_t>(m_segments[free].GetWriteArea(), kWrMagicOffset, 0);
    ServerLog("register: slot %d", free);
    if (m_faults.registerDelayMs) {
        // The fault: a server that grants the slot at once but answers later than its clients
        // wait for the answer.
        ServerLog("register: answering in %lu ms (fault injection)",
                  static_cast<unsigned long>(m_faults.registerDelayMs));
        ::Sleep(m_faults.registerDelayMs);
    }
    return free;
}

void CCommServer::OnUnregister(int slot) {
    if (!IsRegistered(slot)) {
        ServerLog("refused unregister: slot %d is not registered", slot);
        return;
    }
    FreeSlot(slot);
    ServerLog("unregister: slot %d", slot);
}

LRESULT CCommServer::OnSubscribe(int slot) {
    if (!IsRegistered(slot)) {
        ServerLog("refused subscribe: slot %d is not registered", slot);
        return kSubscribeRefused;
    }
    Slot& client = m_slots[slot];
    client.subscribed = false;
    client.ranges.clear();
    if (m_faults.refuseSubscribe) {
        ServerLog("refused subscribe of slot %d: refusing subscriptions (fault injection)", slot);
        return kSubscribeRefused;
    }
    const BYTE* area = m_segments[slot].GetSubscriptionArea();
    uint32_t magic = Get<uint32_t>(area, kSubMagicOffset);
    uint32_t first = Get<uint32_t>(area, kSubFirstEntryOffset);
    uint32_t count = Get<uint32_t>(area, kSubCountOffset);
    if (magic != kSegmentMagic) {
        ServerLog("refused subscribe of slot %d: wrong magic 0x%08X", slot, magic);
        return kSubscribeRefused;
    }
    if (first != kSubFirstEntryValue) {
        ServerLog("refused subscribe of slot %d: first entry at %u, not %u", slot, first,
                  kSubFirstEntryValue);
        return kSubscribeRefused;
    }
    if (count > kMaxRanges) {
        ServerLog("refused subscribe of slot %d: %u ranges, at most %u", slot, count,
                  static_cast<unsigned>(kMaxRanges));
        return kSubscribeRefused;
    }
    std::vector<CommRange> ranges;
    uint64_t total = 0;
    for (uint32_t i = 0; i < count; ++i) {
        size_t entry = kSubEntriesOffset + i * kRangeEntrySize;
        CommRange range{Get<uint32_t>(area, entry), Get<uint32_t>(area, entry + 4)};
        if (!m_station.Memory().Contains(range.start, range.length)) {
            ServerLog("refused subscribe of slot %d: range %u (0x%X, %u bytes) outside controller "
                      "memory (%u bytes)",
                      slot, i, range.start, range.length, m_station.Memory().Size());
            return kSubscribeRefused;
        }
        total += range.length;
        ranges.push_back(range);
    }
    if (total > kMaxImageSize) {
        ServerLog("refused subscribe of slot %d: %llu bytes, the data area holds %u", slot,
                  static_cast<unsigned long long>(total), static_cast<unsigned>(kMaxImageSize));
        return kSubscribeRefused;
    }
    client.ranges = std::move(ranges);
    client.target = Get<uint16_t>(area, kSubTargetOffset);
    client.subscribed = true;
    ServerLog("subscribe: slot %d, %u ranges, %llu bytes", slot, count,
              static_cast<unsigned long long>(total));
    return kSubscribeAccepted;
}

void CCommServer::OnRefresh(int slot) {
    if (m_faults.noRefresh || (m_faults.noRefreshAfterMs &&
                               ::GetTickCount() - m_startTick >= m_faults.noRefreshAfterMs)) {
        // The fault: silence, as a server that stopped serving.
        ServerLog("refresh of slot %d not answered (fault injection)", slot);
        return;
    }
    if (!IsRegistered(slot)) {
        ServerLog("refused refresh: slot %d is not registered", slot);
        return;
    }
    Slot& client = m_slots[slot];
    if (!client.subscribed) {
        ServerLog("refused refresh of slot %d: nothing subscribed", slot);
        return;
    }
    if (m_changeEveryValue) {
        const uint32_t bit = 1u << slot;
        if ((m_refreshedSinceChange & bit) && ::GetTickCount() - m_lastChangeTick >= m_periodMs) {
            m_station.ChangeEveryValue();
            m_lastChangeTick = ::GetTickCount();
            m_refreshedSinceChange = 0;
        }
        m_refreshedSinceChange |= bit;
    }
    BYTE* data = m_segments[slot].GetView() + kDataAreaOffset;
    size_t offset = kDataHeaderSize;
    uint16_t status = kHdrStatusGood;
    for (const CommRange& range : client.ranges) {
        // Ranges were checked at subscription; the memory does not change size.
        if (!m_station.Memory().Read(range.start, range.length, data + offset))
            status = 1;
        offset += range.length;
    }
    Put<uint16_t>(data, kHdrSequenceOffset, ++client.sequence);
    Put<uint16_t>(data, kHdrLengthOffset, static_cast<uint16_t>(offset - kDataHeaderSize));
    Put<uint16_t>(data, kHdrStatusOffset, status);

    HWND sink = client.sink;
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(sink, kServerNotifyMsg, MakeWParam(kCmdRefresh, slot), 0,
                               SMTO_ABORTIFHUNG | SMTO_NORMAL, kNotifyTimeoutMs, &result)) {
        DWORD err = ::GetLastError();
        if (!::IsWindow(sink)) {
            if (m_slots[slot].sink == sink) {
                FreeSlot(slot);
                ServerLog("slot %d freed: its client is gone", slot);
            }
        } else {
            ServerLog("data-ready for slot %d not delivered (error %lu)", slot, err);
        }
    }
}

void CCommServer::OnWrite(int slot) {
    if (!IsRegistered(slot)) {
        ServerLog("refused write: slot %d is not registered", slot);
        return;
    }
    if (m_faults.keepWrites) {
        ServerLog("write of slot %d not taken (fault injection)", slot);
        return;
    }
    BYTE* area = m_segments[slot].GetWriteArea();
    uint32_t magic = Get<uint32_t>(area, kWrMagicOffset);
    uint16_t length = Get<uint16_t>(area, kWrLengthOffset);
    // The request is consumed whatever happens: a repeated post never applies it twice.
    if (!m_faults.leaveWriteArea)
        Put<uint32_t>(area, kWrMagicOffset, 0);
    if (magic != kSegmentMagic) {
        ServerLog("refused write of slot %d: wrong magic 0x%08X", slot, magic);
        return;
    }
    const BYTE* payload = area + kWrPayloadOffset;
    unsigned width = length > kPayWidthOffset ? payload[kPayWidthOffset] : 0;
    if (!IsValidPayload(length, width)) {
        ServerLog("refused write of slot %d: payload of %u bytes with width %u", slot, length,
                  width);
        return;
    }
    uint32_t address = Get<uint32_t>(payload, kPayAddressOffset);
    if (!m_station.Memory().Write(address, payload + kPayValueOffset, width)) {
        ServerLog(
            "refused write of slot %d: address 0x%X (+%u) outside controller memory (%u bytes)",
            slot, address, width, m_station.Memory().Size());
        return;
    }
    ServerLog("write: slot %d, address 0x%X, %u bytes", slot, address, width);
}

} // namespace commsim
