// The block and item descriptors a host hands to a faceplate for one BALANCE8 tag, built from
// the shared block table and the tag's configuration: FPBlockInfo with its item map (sorted by
// item index) and bit map (configured order), the FPItemInfo records (an unnamed item is named
// by its index) and the unit map.
#pragma once

#include "HostConfig.h"

#include "FPHostApi.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace fphost {

// One parameter of the block as the block table describes it.
struct TableItem {
    uint16_t index = 0;
    std::string name; // empty for items without a name
    int32_t type = 0; // FPValueType
    uint16_t offset = 0;
    uint8_t width = 0;
};

struct BlockTable {
    std::vector<TableItem> items;
    std::vector<BitDef> flagBits; // the block's own meaning of the flag word's bits
    uint16_t wholeSize = 0;
    uint16_t compactSize1 = 0;
    uint16_t compactSize2 = 0;
};

// The BALANCE8 table of the shared block-table library.
bool LoadBalance8Table(BlockTable& table, std::string& error);

// Finds an item by name (case-insensitive) or by its index written as a number.
const TableItem* FindTableItem(const BlockTable& table, const std::string& nameOrIndex);

// Everything the faceplate reads through the record's block and unit pointers. Not copyable:
// the records point into this object.
class BlockDescriptors {
public:
    BlockDescriptors() = default;
    BlockDescriptors(const BlockDescriptors&) = delete;
    BlockDescriptors& operator=(const BlockDescriptors&) = delete;

    const FPBlockInfo* Block() const { return &m_block; }
    const FPUnitMap* Units() const { return &m_unitMap; }
    const FPItemInfo* FindItem(uint16_t index) const;
    // Mask of the alarm bits of the flag word (bit n -> 1 << (n mod 32)).
    uint32_t AlarmMask() const { return m_alarmMask; }

private:
    friend std::unique_ptr<BlockDescriptors> BuildDescriptors(const BlockTable&, const TagConfig&,
                                                              const HostConfig&, std::string&);
    FPBlockInfo m_block{};
    FPUnitMap m_unitMap{};
    std::vector<FPItemInfo> m_items;
    std::vector<FPItemMapEntry> m_itemMap;
    std::vector<FPBitInfo> m_bits;
    std::vector<FPBitMapEntry> m_bitMap;
    std::vector<FPUnitEntry> m_units;
    std::deque<std::string> m_texts; // item names, bit names, unit texts (ANSI code page)
    uint32_t m_alarmMask = 0;
};

// Builds the descriptors; null with a message when a per-item setting names no item of the
// table or the table is inconsistent.
std::unique_ptr<BlockDescriptors> BuildDescriptors(const BlockTable& table, const TagConfig& tag,
                                                   const HostConfig& host, std::string& error);

} // namespace fphost
