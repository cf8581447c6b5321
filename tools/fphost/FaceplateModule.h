// The faceplate module as the host loads it: LoadLibrary, then its six exports and, when it
// has them, the three CFBType members it exports.
#pragma once

#include "FBType.h"
#include "FPHostApi.h"

#include <string>

namespace fphost {

// The exported CFBType members as MinGW names them, and called as they are: this in ECX (the
// member calling convention of 32-bit Windows), the arguments on the stack.
constexpr char kExportGetEnAlarmList[] = "_ZN7CFBType14GetEnAlarmListB5cxx11Ev";
constexpr char kExportGetHMIPara[] =
    "_ZN7CFBType10GetHMIParaERNSt7__cxx114listIP10CFBHMIParaSaIS3_EEE";
constexpr char kExportGetAliasPara[] =
    "_ZN7CFBType12GetAliasParaERSt6vectorIP12tagAliasDataSaIS2_EE";
typedef CFBAlmParaList&(__thiscall* PFN_GetEnAlarmList)(CFBType* self);
typedef void(__thiscall* PFN_GetHMIPara)(CFBType* self, CFBHMIParaList& list);
typedef void(__thiscall* PFN_GetAliasPara)(CFBType* self, CAliasDataArray& array);

class FaceplateModule {
public:
    FaceplateModule() = default;
    ~FaceplateModule();
    FaceplateModule(const FaceplateModule&) = delete;
    FaceplateModule& operator=(const FaceplateModule&) = delete;

    // Loads the module (searched like LoadLibrary does, the host's folder first) and resolves
    // every export. False with a message naming the module and the cause otherwise.
    bool Load(const std::wstring& fileName, std::string& error);
    void Unload();
    bool Loaded() const { return m_module != nullptr; }

    PFN_OpenFP OpenFP = nullptr;
    PFN_OpenPopChildFP OpenPopChildFP = nullptr;
    PFN_ShowDetail ShowDetail = nullptr;
    PFN_CloseFP CloseFP = nullptr;
    PFN_ChangeUser ChangeUser = nullptr;
    PFN_CloseConfirmDlg CloseConfirmDlg = nullptr;
    // Null when the module does not export them.
    PFN_GetEnAlarmList GetEnAlarmList = nullptr;
    PFN_GetHMIPara GetHMIPara = nullptr;
    PFN_GetAliasPara GetAliasPara = nullptr;

private:
    HMODULE m_module = nullptr;
};

} // namespace fphost
