// The host's own small tag database and the host callbacks of the open record over it.
// Names: "TAG", "TAG.ITEM" (item name or index) and area names, at most 32 characters,
// compared without regard to case. A handle holds the object's key in its upper 32 bits (the
// key pfnReadStatus receives) and the item in its lower 32 bits; every handle is > 0.
#pragma once

#include "Descriptors.h"

#include "FPHostApi.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fphost {

constexpr size_t kMaxItemNameLength = 32;
constexpr int kHostFail = 0; // any result other than kHostOk

class TagDatabase {
public:
    // Adds a tag with every item of the table (values 0); `ansiName` in the ANSI code page.
    void AddTag(const std::string& ansiName, const BlockTable& table, uint32_t alarmMask);
    void AddArea(const std::string& ansiName, uint8_t permission);
    void SetAlarmState(COLORREF colour, int result) {
        m_alarmColour = colour;
        m_alarmStateResult = result;
    }
    bool SetValue(const std::string& ansiTag, const std::string& item, double value);
    bool SetBad(const std::string& ansiTag, bool bad);
    int AckCount(const std::string& ansiTag) const;

    // The callbacks, as the record's function pointers call them.
    int OpenItem(const char* name, int64_t* handle) const;
    int ReadStatus(const uint32_t* key, void* result) const;
    int HostCall(const int64_t* handle) const;
    int GetVariant(const int64_t* handle, VARIANT* value) const;
    int CheckArea(const int64_t* handle) const;
    int AlarmAck(const char* tagName);
    int AlarmState(const char* tagName, uint32_t flagWord, int* alarm, COLORREF* colour) const;

    // The database the record's callbacks use (one per process).
    static void SetCurrent(TagDatabase* db);
    // Fills the record's callback pointers: the four value callbacks all or none; the
    // alarm-state callback on or off.
    static void FillCallbacks(tagFPOpenPara& para, bool valueCallbacks, bool alarmState);

private:
    struct Item {
        int32_t type = 0;
        double value = 0;
    };
    struct Tag {
        std::string name;
        uint32_t key = 0;
        bool bad = false;
        uint32_t alarmMask = 0;
        int acks = 0;
        BlockTable table;
        std::map<uint16_t, Item> items;
    };
    struct Area {
        std::string name;
        uint32_t key = 0;
        uint8_t permission = 0;
    };
    Tag* FindTag(const std::string& ansiName);
    const Tag* FindTag(const std::string& ansiName) const;
    const Tag* TagByKey(uint32_t key) const;

    std::vector<Tag> m_tags;
    std::vector<Area> m_areas;
    COLORREF m_alarmColour = 0x0000FF;
    int m_alarmStateResult = kHostOk;
};

// VARIANT type of an item value type (VT_EMPTY for an unknown code).
VARTYPE VariantTypeOf(int32_t type);

} // namespace fphost
