// The BALANCE8 table as the shared block-table library gives it.
#include "Descriptors.h"

#include "BlockTable.h"

namespace fphost {
namespace {

// Value type code of the host's item descriptor for a value type of the table.
int32_t TypeCode(b8::ValueType type) {
    switch (type) {
    case b8::ValueType::Real:
        return FPT_FLOAT;
    case b8::ValueType::Bool:
        return FPT_BOOL;
    case b8::ValueType::UI4:
        return FPT_UINT32;
    case b8::ValueType::Byte:
        return FPT_BYTE;
    case b8::ValueType::Flag:
        return b8::kFlagTypeCode;
    }
    return FPT_INT32;
}

} // namespace

bool LoadBalance8Table(BlockTable& table, std::string& error) {
    table = BlockTable{};
    const b8::ItemDef* items = b8::Items();
    const size_t count = b8::ItemCount();
    if (!items || count == 0) {
        error = "the BALANCE8 block table is empty";
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        const b8::ItemDef& d = items[i];
        TableItem item;
        item.index = d.item;
        item.name.assign(d.name, ::strnlen(d.name, b8::kItemNameCapacity));
        item.type = TypeCode(d.type);
        item.offset = d.offset;
        item.width = d.width;
        table.items.push_back(item);
    }
    for (const b8::FlagBit& bit : b8::kFlagBits)
        table.flagBits.push_back(BitDef{static_cast<uint16_t>(bit.bit), bit.name, bit.alarm});
    table.wholeSize = b8::kWholeSize;
    table.compactSize1 = b8::kCompactSizeA;
    table.compactSize2 = b8::kCompactSizeB;
    return true;
}

} // namespace fphost
