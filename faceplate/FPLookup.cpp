// Value lookup from the data block or the host's tag database, and value formatting.
#include "FPTag.h"

#include "CommProtocol.h"

#include "Trace.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace fp;
using kfw::Trace;

namespace {
constexpr size_t kDataHeader = commproto::kDataHeaderSize;
} // namespace

const FPItemMapEntry* CFPTag::FindEntry(WORD item) const {
    if (!m_pBlock || !m_pBlock->itemMap.pEntries)
        return nullptr;
    const FPItemMap& map = m_pBlock->itemMap;
    for (uint32_t i = 0; i < map.nCount; ++i)
        if (map.pEntries[i].wKey == item)
            return &map.pEntries[i];
    return nullptr;
}

const FPItemInfo* CFPTag::FindItem(WORD item) const {
    const FPItemMapEntry* entry = FindEntry(item);
    return entry ? entry->pItem : nullptr;
}

template <typename T> int CFPTag::LookBlock(const FPItemInfo& info, T& out) {
    if (!m_bconnected)
        return 0;
    // An item reaching past what the kept copy holds reads as unavailable.
    if (!IsDelivered(info, static_cast<int>(sizeof(T))))
        return 0;
    std::memcpy(&out, m_pDataBlock + kDataHeader + info.wOffset, sizeof(T));
    return 1;
}

int CFPTag::LookVariant(VARTYPE type, VARIANT& value, const FPItemInfo& info) {
    std::string name = m_strTagName + "." + (info.pszName ? info.pszName : "");
    Trace("[FP]Look Name = %s\n", name.c_str());
    if (name.size() > kMaxItemNameLength)
        return 0;
    int64_t handle = 0;
    if (OpenHostItem(name.c_str(), handle) != kHostOk || handle <= 0)
        return 0;
    Trace("[FP]Look GetVariant Name = %s\n", name.c_str());
    ::VariantInit(&value);
    if (m_pfnGetVariant(1, &handle, &value) != kHostOk || value.vt != type)
        return 0;
    return 1;
}

template <typename T, typename FromVariant, typename FromBlock>
int CFPTag::Look(WORD item, T& out, BOOL bByName, VARTYPE type, FromVariant fromVariant,
                 FromBlock fromBlock) {
    if (!m_nDataGood) {
        out = 0;
        return 0;
    }
    if (auto it = std::find(m_listWritten.begin(), m_listWritten.end(), item);
        it != m_listWritten.end()) {
        m_listWritten.erase(it);
        return 1;
    }
    // Without a block descriptor, or with a map entry that holds no item, nothing is known
    // about the value: it reads as unavailable. An item missing from the map is left alone.
    if (!m_pBlock)
        return 0;
    const FPItemMapEntry* entry = FindEntry(item);
    if (!entry)
        return 1;
    if (!entry->pItem)
        return 0;
    if (m_bHostMode && bByName) {
        VARIANT v;
        if (!LookVariant(type, v, *entry->pItem))
            return 0;
        out = fromVariant(v);
        return 1;
    }
    return fromBlock(*entry->pItem);
}

int CFPTag::LookHMIData(WORD item, BYTE& out, BOOL bByName) {
    return Look(
        item, out, bByName, VT_UI1, [](const VARIANT& v) { return v.bVal; },
        [&](const FPItemInfo& info) { return LookBlock(info, out); });
}

int CFPTag::LookHMIData(WORD item, BOOL& out, BOOL bByName) {
    return Look(
        item, out, bByName, VT_BOOL,
        [](const VARIANT& v) { return static_cast<BOOL>(static_cast<SHORT>(v.boolVal)); },
        [&](const FPItemInfo& info) {
            // One byte in the block, zero-extended.
            BYTE b = 0;
            if (!LookBlock(info, b))
                return 0;
            out = b;
            return 1;
        });
}

int CFPTag::LookHMIData(WORD item, DWORD& out, BOOL bByName) {
    return Look(
        item, out, bByName, VT_UI4, [](const VARIANT& v) { return v.ulVal; },
        [&](const FPItemInfo& info) { return LookBlock(info, out); });
}

int CFPTag::LookHMIData(WORD item, float& out, BOOL bByName) {
    return Look(
        item, out, bByName, VT_R4, [](const VARIANT& v) { return v.fltVal; },
        [&](const FPItemInfo& info) { return LookBlock(info, out); });
}

int CFPTag::GetDecimals(WORD decimalsItem) {
    if (decimalsItem == 0)
        return kDefaultDecimals;
    BYTE decimals = 0;
    LookHMIData(decimalsItem, decimals, FALSE);
    return decimals > kMaxDecimals ? kDefaultDecimals : decimals;
}

std::string CFPTag::FormatValue(float value, int decimals) {
    char format[16];
    snprintf(format, sizeof format, "%%.%df", decimals);
    char text[64];
    snprintf(text, sizeof text, format, static_cast<double>(value));
    return text;
}

bool CFPTag::FormatItem(WORD item, float& value, WORD decimalsItem, std::string& text) {
    if (!m_nDataGood) {
        text = kTextUnavailable;
        return true;
    }
    // A value just written keeps showing what was entered until the block is read again
    // (the lookup only takes the mark off).
    if (IsWritten(item)) {
        LookHMIData(item, value, TRUE);
        return false;
    }
    const FPItemInfo* info = FindItem(item);
    if (info && !m_bHostMode && !IsDelivered(*info, static_cast<int>(sizeof(float)))) {
        text = kTextUnavailable;
        return true;
    }
    if (!LookHMIData(item, value, TRUE))
        return false;
    text = FormatValue(value, GetDecimals(decimalsItem));
    return true;
}

bool CFPTag::GetUnitText(WORD item, std::string& text) {
    BYTE code = 0;
    if (!LookHMIData(item, code, FALSE) || !m_pUnitMap || !m_pUnitMap->pEntries)
        return false;
    for (uint32_t i = 0; i < m_pUnitMap->nCount; ++i) {
        const FPUnitEntry& e = m_pUnitMap->pEntries[i];
        if (e.code == code && e.pszText) {
            text = e.pszText;
            return true;
        }
    }
    return false;
}

DWORD CFPTag::ReadFlagWord(const FPItemInfo& info) const {
    auto fits = [&](int width) { return IsDelivered(info, width); };
    const BYTE* at = m_pDataBlock ? m_pDataBlock + kDataHeader + info.wOffset : nullptr;
    int type = info.nType;
    if (type >= FPT_UINT32 && type <= FPT_LAST_INT32)
        type = FPT_INT32;
    switch (type) {
    case FPT_INT32: {
        int32_t v = 0;
        if (fits(4))
            std::memcpy(&v, at, 4);
        return static_cast<DWORD>(v);
    }
    case FPT_INT16: {
        int16_t v = 0;
        if (fits(2))
            std::memcpy(&v, at, 2);
        return static_cast<DWORD>(static_cast<int32_t>(v));
    }
    case FPT_UINT16: {
        uint16_t v = 0;
        if (fits(2))
            std::memcpy(&v, at, 2);
        return v;
    }
    case FPT_FLOAT: {
        float v = 0;
        if (fits(4))
            std::memcpy(&v, at, 4);
        return static_cast<DWORD>(static_cast<int32_t>(v));
    }
    case FPT_DOUBLE: {
        double v = 0;
        if (fits(8))
            std::memcpy(&v, at, 8);
        return static_cast<DWORD>(static_cast<int32_t>(v));
    }
    default:
        return 0;
    }
}
