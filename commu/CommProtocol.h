// Protocol between a communication client and the local communication server: segment names,
// segment layouts, window messages and commands. Every number of the protocol lives here; the
// client (ComClient) and the server program (tools/commserver) both include this header.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace commproto {

// Every record the client checks or writes begins with this u32.
constexpr uint32_t kSegmentMagic = 0x5B9D5C0F;

// ---- Server handle segment (created by the server, opened by clients) ----
constexpr char kServerHandleSegmentName[] = "COMMUNATAION SERVER HWND";
constexpr DWORD kServerHandleSegmentSize = 0x10000; // clients map this much
constexpr size_t kHandleMagicOffset = 0;            // u32 magic
constexpr size_t kHandleWindowOffset = 4;           // u32 request window handle

// ---- Client segments, one per slot ----
constexpr int kMaxClients = 32;
constexpr DWORD kClientSegmentSize = 0x10000;
// "COMMUNATAION SERVER SHARED MEMORY #nn", indexed by slot.
extern const char* const kClientSegmentNames[kMaxClients];

// Regions of a client segment.
constexpr size_t kDataAreaOffset = 0x0000; // written by the server
constexpr size_t kDataAreaSize = 0x8000;
constexpr size_t kWriteAreaOffset = 0x8000; // one write request, written by the client
constexpr size_t kWriteAreaSize = 0x7000;
constexpr size_t kSubscriptionAreaOffset = 0xF000; // range list, written by the client
constexpr size_t kSubscriptionAreaSize = 0x1000;

// Data area: a 6-byte header, then the image of the subscribed ranges.
constexpr size_t kDataHeaderSize = 6;
constexpr size_t kMaxImageSize = kDataAreaSize - kDataHeaderSize; // 32762

// Subscription area (offsets relative to its start).
constexpr size_t kSubMagicOffset = 0x00;       // u32 magic
constexpr size_t kSubFirstEntryOffset = 0x04;  // u32 offset of the first range entry
constexpr size_t kSubCountOffset = 0x08;       // u32 number of range entries
constexpr size_t kSubOneOffset = 0x0C;         // u32 always 1
constexpr size_t kSubTargetOffset = 0x10;      // u16 target word
constexpr size_t kSubEntriesOffset = 0x18;     // first range entry
constexpr uint32_t kSubFirstEntryValue = 0x18; // the value written at kSubFirstEntryOffset
constexpr uint32_t kSubOneValue = 1;
constexpr size_t kRangeEntrySize = 8; // u32 start address, u32 length
constexpr size_t kMaxRanges = 256;
static_assert(kSubEntriesOffset + kMaxRanges * kRangeEntrySize <= kSubscriptionAreaSize);

// Write area (offsets relative to its start).
constexpr size_t kWrMagicOffset = 0x00;   // u32 magic; the server clears it on taking the request
constexpr size_t kWrTargetOffset = 0x04;  // u16 target word
constexpr size_t kWrKindOffset = 0x06;    // u16 caller's kind (the faceplate passes 1)
constexpr size_t kWrLengthOffset = 0x08;  // u16 payload length
constexpr size_t kWrPayloadOffset = 0x0C; // payload; bytes 0x0A and 0x0B are not written
constexpr size_t kMaxWritePayload = kWriteAreaSize - kWrPayloadOffset;

// Write payload of one item: u32 absolute address, u8 width, u8 0, value in that width.
constexpr size_t kPayAddressOffset = 0;
constexpr size_t kPayWidthOffset = 4;
constexpr size_t kPayZeroOffset = 5;
constexpr size_t kPayValueOffset = 6;
constexpr bool IsValidPayload(size_t length, unsigned width) {
    return (width == 1 || width == 2 || width == 4) && length == kPayValueOffset + width;
}
constexpr size_t kMaxItemPayload = kPayValueOffset + 8;
// Fills the payload of one item write into `out` (kMaxItemPayload bytes); returns its length.
inline size_t BuildItemPayload(uint8_t (&out)[kMaxItemPayload], uint32_t address, const void* value,
                               unsigned width) {
    if (width > 8)
        return 0;
    std::memcpy(out + kPayAddressOffset, &address, 4);
    out[kPayWidthOffset] = static_cast<uint8_t>(width);
    out[kPayZeroOffset] = 0;
    std::memcpy(out + kPayValueOffset, value, width);
    return kPayValueOffset + width;
}

// One address range to mirror.
struct CommRange {
    uint32_t start;  // controller address
    uint32_t length; // bytes
};

// ---- Window messages ----
constexpr UINT kServerRequestMsg = 0x500; // to the server's request window (WM_USER + 256)
constexpr UINT kServerNotifyMsg = 0x501;  // to a client's sink window (WM_USER + 257)

// Commands, carried in the high 16 bits of wParam; the slot is in the low 16 bits.
enum Command : uint16_t {
    kCmdRegister = 1,   // sent; lParam = sink window; reply = slot 0..31
    kCmdUnregister = 2, // sent; lParam = 0
    kCmdRefresh = 3,    // posted by the client; also the server's data-ready notification
    kCmdWrite = 4,      // posted
    kCmdSubscribe = 5,  // sent; reply 0 = accepted
};
constexpr WPARAM MakeWParam(uint16_t command, int slot) {
    return (static_cast<WPARAM>(command) << 16) | (static_cast<WPARAM>(slot) & 0xFFFF);
}
constexpr uint16_t CommandOf(WPARAM wp) {
    return static_cast<uint16_t>((wp >> 16) & 0xFFFF);
}
constexpr int SlotOf(WPARAM wp) {
    return static_cast<int>(wp & 0xFFFF);
}
constexpr bool IsValidSlot(long long slot) {
    return slot >= 0 && slot < kMaxClients;
}

// Register, unregister and subscribe are sends with this time limit: a hung server never
// blocks the caller's user-interface thread longer; a time-out counts as no server.
constexpr UINT kServerSendTimeoutMs = 2000;
constexpr UINT kServerSendFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK;

// The write area holds one request. Posted requests to the server window are taken in order
// and a data-ready notification answers a refresh request, so a write followed by a refresh is
// known taken once that refresh is answered. Before filling the area again, and before the
// faceplate counts a write as done, the client waits at most this long for that.
constexpr DWORD kWriteTakenWaitMs = 2000;
// The server gives up a data-ready send that its client does not take within this time (a
// busy or hung client): the answer to that refresh is lost, not delivered later.
constexpr UINT kDataReadySendTimeoutMs = 1000;
// A refresh unanswered this long, with no answer since it was posted, had its answer lost: the
// client asks once more by itself (not again for that second ask), so that a lost answer does
// not leave its owner without data until the owner asks again.
constexpr DWORD kRefreshRetryMs = kDataReadySendTimeoutMs + 500;
// A refresh not answered within this time is taken as lost (a server that dropped it, a
// data-ready that could not be delivered): it is no longer waited for.
constexpr DWORD kRefreshLostMs = 3000;
// At most this many unanswered refreshes are kept; older ones count as lost.
constexpr size_t kMaxPendingRefreshes = 64;

// Register is sent so that its answer reaches the client whenever it comes: the client waits
// this long for it (blocking its thread), then goes on and takes a later answer when it
// arrives. A client keeps one register under way at a time. A register that was refused or
// could not be sent is tried again after a pause that starts at the first value and doubles
// up to the last; a registration resets it.
constexpr DWORD kRegisterWaitMs = 1000;
constexpr DWORD kRegisterRetryFirstMs = 1000;
constexpr DWORD kRegisterRetryMaxMs = 8000;

// Server replies.
constexpr LRESULT kSubscribeAccepted = 0;
constexpr LRESULT kSubscribeRefused = 1;
constexpr LRESULT kRegisterRefused = -1; // any reply outside 0..31 refuses

// ---- The server's own 6-byte data-area header (clients do not interpret it) ----
constexpr size_t kHdrSequenceOffset = 0; // u16 refresh counter of the slot, wraps
constexpr size_t kHdrLengthOffset = 2;   // u16 image length in bytes
constexpr size_t kHdrStatusOffset = 4;   // u16 status, 0 = every range mirrored
constexpr uint16_t kHdrStatusGood = 0;

// Little-endian field access inside a segment (the layouts are packed, fields unaligned).
template <typename T> inline T Get(const void* base, size_t offset) {
    T value;
    memcpy(&value, static_cast<const BYTE*>(base) + offset, sizeof value);
    return value;
}
template <typename T> inline void Put(void* base, size_t offset, T value) {
    memcpy(static_cast<BYTE*>(base) + offset, &value, sizeof value);
}

} // namespace commproto
