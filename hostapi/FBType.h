// The function-block type descriptor of the host's shared definitions: the block type's
// enabled alarms, HMI parameters and parameter aliases. The host creates, fills and owns a
// CFBType; a faceplate module only exports the three query members below (it never creates,
// fills or destroys one), and the host calls them through the module on its own object.
// Both sides must be built with the same compiler and C runtime: the queries fill the
// caller's containers.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

// An alarm that is enabled for the block type.
struct CFBAlmPara {
    char szItem[33] = {};  // item name of the alarm's flag word, e.g. "FLAG"
    char szAlarm[17] = {}; // alarm name, e.g. "HH"
    uint16_t wBit = 0;     // bit of the flag word
    uint8_t byPriority = 0;
};

// A parameter shown on the operator station.
struct CFBHMIPara {
    char szName[33] = {}; // item name
    uint16_t wItem = 0;   // item index
    int32_t nType = 0;    // FPValueType
};

// Another name of a parameter.
struct tagAliasData {
    char szAlias[33] = {};
    char szItem[33] = {};
};

using CFBAlmParaList = std::list<CFBAlmPara*>;
using CFBHMIParaList = std::list<CFBHMIPara*>;
using CAliasDataArray = std::vector<tagAliasData*>;

class CFBType {
public:
    CFBType() = default;
    // The records belong to the object.
    ~CFBType() {
        for (CFBAlmPara* p : m_listEnAlarm)
            delete p;
        for (CFBHMIPara* p : m_listHMIPara)
            delete p;
        for (tagAliasData* p : m_arrAlias)
            delete p;
    }
    CFBType(const CFBType&) = delete;
    CFBType& operator=(const CFBType&) = delete;

    // Exported by faceplate modules.
    // The object's own list of enabled alarms.
    CFBAlmParaList& GetEnAlarmList();
    // Empties the caller's list, then appends the object's HMI parameter pointers in order.
    void GetHMIPara(CFBHMIParaList& list);
    // Empties the caller's array, then appends the object's alias pointers in order.
    void GetAliasPara(CAliasDataArray& array);

    // The host's own description of the type.
    char m_szTypeName[17] = {};
    uint16_t m_wDataSize = 0;
    CFBAlmParaList m_listEnAlarm;
    CFBHMIParaList m_listHMIPara;
    CAliasDataArray m_arrAlias;
};
