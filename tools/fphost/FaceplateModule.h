// The faceplate module as the host loads it: LoadLibrary, then its six exports.
#pragma once

#include "FPHostApi.h"

#include <string>

namespace fphost {

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

private:
    HMODULE m_module = nullptr;
};

} // namespace fphost
