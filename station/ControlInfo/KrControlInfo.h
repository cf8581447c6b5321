// The station's control-information component: an in-process COM server that lists, per
// station, whether operators may change values and in which area. Entries come from the
// configuration file KrControlInfo.ini next to the DLL.
#pragma once

#include <windows.h>
#include <objbase.h>

// Number of station columns of an entry. A faceplate treats a column at or beyond this as
// "no permission".
constexpr int kKrMaxStations = 32;
// Size of one area name, terminating zero included.
constexpr int kKrAreaNameSize = 32;

// {DEB7A428-129C-4473-9B8E-C04F2879B890}
inline constexpr CLSID CLSID_KrControlInfo = {
    0xdeb7a428, 0x129c, 0x4473, {0x9b, 0x8e, 0xc0, 0x4f, 0x28, 0x79, 0xb8, 0x90}};
// {8F44F9E8-4A72-4D6F-B7CC-85A297434D7A}
inline constexpr IID IID_IKrControlInfo = {
    0x8f44f9e8, 0x4a72, 0x4d6f, {0xb7, 0xcc, 0x85, 0xa2, 0x97, 0x43, 0x4d, 0x7a}};

// One entry of the list: a station identifier with, for every station column, the operate
// permission (non-zero = may operate) and the area name (8-bit, NUL-terminated, may be empty).
struct KrControlInfoEntry {
    LONG nID;
    BYTE byPermission[kKrMaxStations];
    char szArea[kKrMaxStations][kKrAreaNameSize];
};

struct IKrControlInfo : public IUnknown {
    // Reads the configuration; fails (and leaves the list empty) when the file is missing or
    // malformed. May be called again to re-read it.
    virtual HRESULT STDMETHODCALLTYPE Initialize() = 0;
    // Number of entries read by the last successful Initialize.
    virtual HRESULT STDMETHODCALLTYPE GetCount(LONG* count) = 0;
    // Copies entry `index` (0-based, file order); E_INVALIDARG when out of range.
    virtual HRESULT STDMETHODCALLTYPE GetAt(LONG index, KrControlInfoEntry* entry) = 0;
};

// Environment variable that replaces the configuration file's path (tests, other set-ups).
constexpr wchar_t kKrControlInfoPathVar[] = L"KR_CONTROLINFO_FILE";
// File name of the configuration next to the DLL.
constexpr wchar_t kKrControlInfoFileName[] = L"KrControlInfo.ini";
