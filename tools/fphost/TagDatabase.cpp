#include "TagDatabase.h"

#include <cstdio>
#include <cstring>

namespace fphost {
namespace {

constexpr uint32_t kFirstTagKey = 1;
constexpr uint32_t kFirstAreaKey = 0x10000;
constexpr int kCallOne = 1; // first argument of the value callbacks

TagDatabase* g_current = nullptr;

bool SameName(const std::string& a, const char* b) {
    return ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b, -1) ==
           CSTR_EQUAL;
}

int64_t MakeHandle(uint32_t key, uint32_t low) {
    return static_cast<int64_t>((static_cast<uint64_t>(key) << 32) | low);
}

// No exception may cross into the faceplate module.
template <typename F> int Guard(F&& body, int failure = kHostFail) noexcept {
    try {
        return g_current ? body() : failure;
    } catch (...) {
        return failure;
    }
}

extern "C" {
int __cdecl CbOpenItem(int one, const char* name, int64_t* handle, int) {
    return Guard([&] { return one == kCallOne ? g_current->OpenItem(name, handle) : kHostFail; });
}
int __cdecl CbReadStatus(int one, const uint32_t* key, void* result, int) {
    return Guard([&] { return one == kCallOne ? g_current->ReadStatus(key, result) : kHostFail; });
}
int __cdecl CbHostCall(int one, const int64_t* handle, void*, int) {
    return Guard([&] { return one == kCallOne ? g_current->HostCall(handle) : kHostFail; });
}
int __cdecl CbGetVariant(int one, const int64_t* handle, VARIANT* value) {
    return Guard(
        [&] { return one == kCallOne ? g_current->GetVariant(handle, value) : kHostFail; });
}
int __cdecl CbCheckArea(int one, const int64_t* handle, int) {
    return Guard([&] { return one == kCallOne ? g_current->CheckArea(handle) : 0; }, 0);
}
int __cdecl CbAlarmAck(const char* tagName) {
    return Guard([&] { return g_current->AlarmAck(tagName); });
}
int __cdecl CbAlarmState(const char* tagName, uint32_t flagWord, int* alarm, COLORREF* colour) {
    return Guard([&] { return g_current->AlarmState(tagName, flagWord, alarm, colour); });
}
} // extern "C"

} // namespace

VARTYPE VariantTypeOf(int32_t type) {
    switch (type) {
    case FPT_FLOAT:
        return VT_R4;
    case FPT_UINT32:
        return VT_UI4;
    case FPT_BYTE:
        return VT_UI1;
    case FPT_BOOL:
        return VT_BOOL;
    case FPT_INT32:
        return VT_I4;
    case FPT_INT16:
        return VT_I2;
    case FPT_UINT16:
        return VT_UI2;
    case FPT_DOUBLE:
        return VT_R8;
    default:
        return VT_EMPTY;
    }
}

void TagDatabase::AddTag(const std::string& ansiName, const BlockTable& table, uint32_t alarmMask) {
    Tag tag;
    tag.name = ansiName;
    tag.key = kFirstTagKey + static_cast<uint32_t>(m_tags.size());
    tag.alarmMask = alarmMask;
    tag.table = table;
    for (const TableItem& item : table.items)
        tag.items[item.index] = Item{item.type, 0};
    m_tags.push_back(std::move(tag));
}

void TagDatabase::AddArea(const std::string& ansiName, uint8_t permission) {
    m_areas.push_back(
        Area{ansiName, kFirstAreaKey + static_cast<uint32_t>(m_areas.size()), permission});
}

TagDatabase::Tag* TagDatabase::FindTag(const std::string& ansiName) {
    for (Tag& t : m_tags)
        if (SameName(t.name, ansiName.c_str()))
            return &t;
    return nullptr;
}

const TagDatabase::Tag* TagDatabase::FindTag(const std::string& ansiName) const {
    return const_cast<TagDatabase*>(this)->FindTag(ansiName);
}

const TagDatabase::Tag* TagDatabase::TagByKey(uint32_t key) const {
    for (const Tag& t : m_tags)
        if (t.key == key)
            return &t;
    return nullptr;
}

bool TagDatabase::SetValue(const std::string& ansiTag, const std::string& item, double value) {
    Tag* tag = FindTag(ansiTag);
    const TableItem* ti = tag ? FindTableItem(tag->table, item) : nullptr;
    if (!ti)
        return false;
    tag->items[ti->index].value = value;
    return true;
}

bool TagDatabase::SetBad(const std::string& ansiTag, bool bad) {
    Tag* tag = FindTag(ansiTag);
    if (!tag)
        return false;
    tag->bad = bad;
    return true;
}

int TagDatabase::AckCount(const std::string& ansiTag) const {
    const Tag* tag = FindTag(ansiTag);
    return tag ? tag->acks : 0;
}

int TagDatabase::OpenItem(const char* name, int64_t* handle) const {
    if (!name || !handle)
        return kHostFail;
    *handle = 0;
    size_t length = ::strnlen(name, kMaxItemNameLength + 1);
    if (length == 0 || length > kMaxItemNameLength)
        return kHostFail;
    std::string full(name, length);
    size_t point = full.find('.');
    const Tag* tag = FindTag(full.substr(0, point));
    if (point == std::string::npos) {
        if (tag) {
            *handle = MakeHandle(tag->key, 0);
            return kHostOk;
        }
        for (const Area& a : m_areas) {
            if (SameName(a.name, name)) {
                *handle = MakeHandle(a.key, 0);
                return kHostOk;
            }
        }
        return kHostFail;
    }
    const TableItem* item = tag ? FindTableItem(tag->table, full.substr(point + 1)) : nullptr;
    if (!item)
        return kHostFail;
    *handle = MakeHandle(tag->key, item->index + 1u);
    return kHostOk;
}

int TagDatabase::ReadStatus(const uint32_t* key, void* result) const {
    if (!key || !result)
        return kHostFail;
    const Tag* tag = TagByKey(*key);
    if (!tag)
        return kHostFail;
    auto* status = static_cast<FPTagStatus*>(result);
    status->dwStatus = tag->bad ? kTagStatusBad : 0;
    return kHostOk;
}

int TagDatabase::HostCall(const int64_t* handle) const {
    if (!handle || *handle <= 0)
        return kHostFail;
    return TagByKey(static_cast<uint32_t>(*handle >> 32)) ? kHostOk : kHostFail;
}

int TagDatabase::GetVariant(const int64_t* handle, VARIANT* value) const {
    if (!handle || !value || *handle <= 0)
        return kHostFail;
    const Tag* tag = TagByKey(static_cast<uint32_t>(*handle >> 32));
    uint32_t low = static_cast<uint32_t>(*handle & 0xFFFFFFFFu);
    if (!tag || low == 0)
        return kHostFail;
    auto it = tag->items.find(static_cast<uint16_t>(low - 1));
    if (it == tag->items.end())
        return kHostFail;
    const double v = it->second.value;
    std::memset(value, 0, sizeof(*value));
    VARTYPE vt = VariantTypeOf(it->second.type);
    switch (vt) {
    case VT_R4:
        value->fltVal = static_cast<float>(v);
        break;
    case VT_UI4:
        value->ulVal = static_cast<ULONG>(static_cast<long long>(v));
        break;
    case VT_UI1:
        value->bVal = static_cast<BYTE>(static_cast<long long>(v));
        break;
    case VT_BOOL:
        value->boolVal = v != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case VT_I4:
        value->lVal = static_cast<LONG>(v);
        break;
    case VT_I2:
        value->iVal = static_cast<SHORT>(v);
        break;
    case VT_UI2:
        value->uiVal = static_cast<USHORT>(static_cast<long long>(v));
        break;
    case VT_R8:
        value->dblVal = v;
        break;
    default:
        return kHostFail;
    }
    value->vt = vt;
    return kHostOk;
}

int TagDatabase::CheckArea(const int64_t* handle) const {
    if (!handle || *handle <= 0)
        return 0;
    uint32_t key = static_cast<uint32_t>(*handle >> 32);
    for (const Area& a : m_areas)
        if (a.key == key)
            return a.permission;
    return 0;
}

int TagDatabase::AlarmAck(const char* tagName) {
    if (!tagName)
        return kHostFail;
    Tag* tag = FindTag(tagName);
    if (!tag)
        return kHostFail;
    ++tag->acks;
    std::printf("fphost: alarms acknowledged for %s\n", tagName);
    std::fflush(stdout);
    return kHostOk;
}

int TagDatabase::AlarmState(const char* tagName, uint32_t flagWord, int* alarm,
                            COLORREF* colour) const {
    if (!tagName || !alarm || !colour)
        return kHostFail;
    const Tag* tag = FindTag(tagName);
    if (!tag)
        return kHostFail;
    *alarm = (flagWord & tag->alarmMask) != 0 ? 1 : 0;
    *colour = m_alarmColour;
    return m_alarmStateResult;
}

void TagDatabase::SetCurrent(TagDatabase* db) {
    g_current = db;
}

void TagDatabase::FillCallbacks(tagFPOpenPara& para, bool valueCallbacks, bool alarmState) {
    para.pfnOpenItem = valueCallbacks ? CbOpenItem : nullptr;
    para.pfnReadStatus = valueCallbacks ? CbReadStatus : nullptr;
    para.pfnHostCall = valueCallbacks ? CbHostCall : nullptr;
    para.pfnGetVariant = valueCallbacks ? CbGetVariant : nullptr;
    para.pfnCheckArea = CbCheckArea;
    para.pfnAlarmAck = CbAlarmAck;
    para.pfnAlarmState = alarmState ? CbAlarmState : nullptr;
}

} // namespace fphost
