#include "Descriptors.h"

#include <algorithm>

namespace fphost {

const TableItem* FindTableItem(const BlockTable& table, const std::string& nameOrIndex) {
    long long index = 0;
    const bool byIndex = ParseInt(nameOrIndex, 0, 0xFFFF, index);
    for (const TableItem& item : table.items) {
        if (byIndex ? item.index == index
                    : (!item.name.empty() && EqualNoCase(item.name, nameOrIndex)))
            return &item;
    }
    return nullptr;
}

const FPItemInfo* BlockDescriptors::FindItem(uint16_t index) const {
    for (const FPItemMapEntry& e : m_itemMap)
        if (e.wKey == index)
            return e.pItem;
    return nullptr;
}

std::unique_ptr<BlockDescriptors> BuildDescriptors(const BlockTable& table, const TagConfig& tag,
                                                   const HostConfig& host, std::string& error) {
    auto d = std::make_unique<BlockDescriptors>();
    std::vector<const TableItem*> sorted;
    for (const TableItem& item : table.items)
        sorted.push_back(&item);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TableItem* a, const TableItem* b) { return a->index < b->index; });
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (sorted[i]->index == sorted[i - 1]->index) {
            error = "the block table lists item " + std::to_string(sorted[i]->index) + " twice";
            return nullptr;
        }
    }
    for (const TableItem* item : sorted) {
        if (item->offset + item->width > table.wholeSize) {
            error = "item " + std::to_string(item->index) + " lies beyond the block's data area";
            return nullptr;
        }
    }

    // Per-item settings must name items of the table.
    auto check = [&](const std::string& item) {
        if (FindTableItem(table, item))
            return true;
        error = "tag " + tag.name + ": no item '" + item + "' in the block table";
        return false;
    };
    for (const auto& s : tag.itemLevels)
        if (!check(s.item))
            return nullptr;
    for (const auto& s : tag.itemConfirms)
        if (!check(s.item))
            return nullptr;

    d->m_items.resize(sorted.size());
    d->m_itemMap.resize(sorted.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
        const TableItem& src = *sorted[i];
        FPItemInfo& info = d->m_items[i];
        info = FPItemInfo{};
        info.wItemIndex = src.index;
        // An item the table leaves unnamed is named by its index, a name the host's own
        // database resolves ("TAG.105"), so that every item can be looked up by name.
        d->m_texts.push_back(src.name.empty() ? std::to_string(src.index) : src.name);
        info.pszName = d->m_texts.back().c_str();
        info.nType = src.type;
        info.wOffset = src.offset;
        info.wSecurityLevel = tag.itemLevel;
        info.bNeedConfirm = tag.itemConfirm;
        for (const auto& s : tag.itemLevels)
            if (FindTableItem(table, s.item) == &src)
                info.wSecurityLevel = s.value;
        for (const auto& s : tag.itemConfirms)
            if (FindTableItem(table, s.item) == &src)
                info.bNeedConfirm = s.value;
        d->m_itemMap[i] = FPItemMapEntry{src.index, 0, &info};
    }

    // Configured bits replace the block's own.
    const std::vector<BitDef>& bits = host.bitsSet ? host.bits : table.flagBits;
    d->m_bits.resize(bits.size());
    d->m_bitMap.resize(bits.size());
    for (size_t i = 0; i < bits.size(); ++i) {
        const BitDef& src = bits[i];
        FPBitInfo& bit = d->m_bits[i];
        bit = FPBitInfo{};
        d->m_texts.push_back(Utf8ToAnsi(src.name));
        bit.pszName = d->m_texts.back().c_str();
        bit.bAlarm = src.alarm ? 1 : 0;
        d->m_bitMap[i] = FPBitMapEntry{src.bit, 0, &bit};
        if (src.alarm)
            d->m_alarmMask |= 1u << (src.bit % 32);
    }

    d->m_units.resize(host.units.size());
    for (size_t i = 0; i < host.units.size(); ++i) {
        d->m_texts.push_back(Utf8ToAnsi(host.units[i].text));
        d->m_units[i] = FPUnitEntry{host.units[i].code, {}, d->m_texts.back().c_str()};
    }
    d->m_unitMap = FPUnitMap{d->m_units.data(), static_cast<uint32_t>(d->m_units.size())};

    FPBlockInfo& block = d->m_block;
    block.wDataSize = table.wholeSize;
    block.itemMap.pEntries = d->m_itemMap.data();
    block.itemMap.nCount = static_cast<uint32_t>(d->m_itemMap.size());
    block.bitMap.pEntries = d->m_bitMap.data();
    block.bitMap.nCount = static_cast<uint32_t>(d->m_bitMap.size());
    block.wCompactSize1 = table.compactSize1;
    block.wCompactSize2 = table.compactSize2;
    block.wOperateLevel = tag.operateLevel;
    return d;
}

} // namespace fphost
