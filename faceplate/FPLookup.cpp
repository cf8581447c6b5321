// Value lookup from the data block or the host's tag database, and value formatting.
#include "FP_BASEDlg.h"

#include "Trace.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace fp;
using kfw::Trace;

namespace {
constexpr int kMaxImageBytes = static_cast<int>(commproto::kMaxImageSize);
constexpr size_t kDataHeader = commproto::kDataHeaderSize;
} // namespace

const FPItemMapEntry* CFP_BASEDlg::FindEntry(WORD item) const {
    if (!m_pBlock || !m_pBlock->itemMap.pEntries)
        return nullptr;
    const FPItemMap& map = m_pBlock->itemMap;
    for (uint32_t i = 0; i < map.nCount; ++i)
        if (map.pEntries[i].wKey == item)
            return &map.pEntries[i];
    return nullptr;
}

const FPItemInfo* CFP_BASEDlg::FindItem(WORD item) const {
    const FPItemMapEntry* entry = FindEntry(item);
    return entry ? entry->pItem : nullptr;
}

template <typename T> int CFP_BASEDlg::LookBlock(WORD item, T& out, const FPItemInfo& info) {
    (void)item;
    if (!m_bconnected)
        return 0;
    // An item reaching past the delivered image reads as unavailable.
    int limit = std::min(m_nReadLength, kMaxImageBytes);
    if (!m_pDataBlock || static_cast<int>(info.wOffset) + static_cast<int>(sizeof(T)) > limit)
        return 0;
    std::memcpy(&out, m_pDataBlock + kDataHeader + info.wOffset, sizeof(T));
    return 1;
}

int CFP_BASEDlg::LookVariant(WORD item, VARTYPE type, VARIANT& value, const FPItemInfo& info) {
    (void)item;
    std::string name = m_strTagName + "." + (info.pszName ? info.pszName : "");
    Trace("[FP]Look Name = %s\n", name.c_str());
    if (name.size() > kMaxItemNameLength)
        return 0;
    int64_t handle = 0;
    if (m_pfnOpenItem(1, name.c_str(), &handle, 0) != kHostOk || handle <= 0)
        return 0;
    m_nHandle = handle;
    Trace("[FP]Look GetVariant Name = %s\n", name.c_str());
    ::VariantInit(&value);
    if (m_pfnGetVariant(1, &handle, &value) != kHostOk || value.vt != type)
        return 0;
    return 1;
}

template <typename T, typename FromVariant, typename FromBlock>
int CFP_BASEDlg::Look(WORD item, T& out, BOOL bByName, VARTYPE type, FromVariant fromVariant,
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
        if (!LookVariant(item, type, v, *entry->pItem))
            return 0;
        out = fromVariant(v);
        return 1;
    }
    return fromBlock(*entry->pItem);
}

int CFP_BASEDlg::LookHMIData(WORD item, BYTE& out, BOOL bByName) {
    return Look(
        item, out, bByName, VT_UI1, [](const VARIANT& v) { return v.bVal; },
        [&](const FPItemInfo& info) { return LookBlock(item, out, info); });
}

int CFP_BASEDlg::LookHMIData(WORD item, BOOL& out, BOOL bByName) {
    return Look(
        item, out, bByName, VT_BOOL,
        [](const VARIANT& v) { return static_cast<BOOL>(static_cast<SHORT>(v.boolVal)); },
        [&](const FPItemInfo& info) {
            // One byte in the block, zero-extended.
            BYTE b = 0;
            if (!LookBlock(item, b, info))
                return 0;
            out = b;
            return 1;
        });
}

int CFP_BASEDlg::LookHMIData(WORD item, DWORD& out, BOOL bByName) {
    return Look(
        item, out, bByName, VT_UI4, [](const VARIANT& v) { return v.ulVal; },
        [&](const FPItemInfo& info) { return LookBlock(item, out, info); });
}

int CFP_BASEDlg::LookHMIData(WORD item, float& out, BOOL bByName) {
    return Look(
        item, out, bByName, VT_R4, [](const VARIANT& v) { return v.fltVal; },
        [&](const FPItemInfo& info) { return LookBlock(item, out, info); });
}

int CFP_BASEDlg::GetDecimals(WORD decimalsItem) {
    if (decimalsItem == 0)
        return kDefaultDecimals;
    BYTE decimals = 0;
    LookHMIData(decimalsItem, decimals, FALSE);
    return decimals > kMaxDecimals ? kDefaultDecimals : decimals;
}

std::string CFP_BASEDlg::FormatValue(float value, int decimals) {
    char format[16];
    snprintf(format, sizeof format, "%%.%df", decimals);
    char text[64];
    snprintf(text, sizeof text, format, static_cast<double>(value));
    return text;
}

bool CFP_BASEDlg::FormatItem(WORD item, float& value, WORD decimalsItem, std::string& text) {
    if (!m_nDataGood) {
        text = kTextUnavailable;
        return true;
    }
    if (!LookHMIData(item, value, TRUE))
        return false;
    text = FormatValue(value, GetDecimals(decimalsItem));
    return true;
}

bool CFP_BASEDlg::GetUnitText(WORD item, std::string& text) {
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

DWORD CFP_BASEDlg::ReadFlagWord(const FPItemInfo& info) const {
    int limit = std::min(m_nReadLength, kMaxImageBytes);
    auto fits = [&](int width) {
        return m_pDataBlock && static_cast<int>(info.wOffset) + width <= limit;
    };
    const BYTE* at = m_pDataBlock ? m_pDataBlock + kDataHeader + info.wOffset : nullptr;
    switch (info.nType) {
    case 0:
    case 3:
    case 4:
    case 5:
    case 6: {
        int32_t v = 0;
        if (fits(4))
            std::memcpy(&v, at, 4);
        return static_cast<DWORD>(v);
    }
    case 1: {
        int16_t v = 0;
        if (fits(2))
            std::memcpy(&v, at, 2);
        return static_cast<DWORD>(static_cast<int32_t>(v));
    }
    case 2: {
        uint16_t v = 0;
        if (fits(2))
            std::memcpy(&v, at, 2);
        return v;
    }
    case 7: {
        float v = 0;
        if (fits(4))
            std::memcpy(&v, at, 4);
        return static_cast<DWORD>(static_cast<int32_t>(v));
    }
    case 8: {
        double v = 0;
        if (fits(8))
            std::memcpy(&v, at, 8);
        return static_cast<DWORD>(static_cast<int32_t>(v));
    }
    default:
        return 0;
    }
}
