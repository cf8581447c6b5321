#include "FaceplateModule.h"

#include "Text.h"

namespace fphost {
namespace {

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n && text ? std::wstring(text, n) : L"";
    if (text)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    return kfw::Narrow(message.c_str(), CP_UTF8);
}

template <typename F> bool Resolve(HMODULE module, const char* name, F& fn, std::string& missing) {
    fn = reinterpret_cast<F>(::GetProcAddress(module, name));
    if (!fn) {
        missing += missing.empty() ? "" : ", ";
        missing += name;
    }
    return fn != nullptr;
}

} // namespace

FaceplateModule::~FaceplateModule() {
    Unload();
}

bool FaceplateModule::Load(const std::wstring& fileName, std::string& error) {
    Unload();
    const std::string name = kfw::Narrow(fileName.c_str(), CP_UTF8);
    HMODULE module = ::LoadLibraryW(fileName.c_str());
    if (!module) {
        DWORD code = ::GetLastError();
        error = "cannot load the faceplate module " + name + " (error " + std::to_string(code) +
                ": " + SystemMessage(code) + ")";
        return false;
    }
    m_module = module;
    std::string missing;
    Resolve(module, "OpenFP", OpenFP, missing);
    Resolve(module, "OpenPopChildFP", OpenPopChildFP, missing);
    Resolve(module, "ShowDetail", ShowDetail, missing);
    Resolve(module, "CloseFP", CloseFP, missing);
    Resolve(module, "ChangeUser", ChangeUser, missing);
    Resolve(module, "CloseConfirmDlg", CloseConfirmDlg, missing);
    if (!missing.empty()) {
        Unload();
        error = "the faceplate module " + name + " does not export " + missing;
        return false;
    }
    // The block-type queries are optional: a module without them still shows faceplates.
    GetEnAlarmList = reinterpret_cast<PFN_GetEnAlarmList>(
        reinterpret_cast<void*>(::GetProcAddress(module, kExportGetEnAlarmList)));
    GetHMIPara = reinterpret_cast<PFN_GetHMIPara>(
        reinterpret_cast<void*>(::GetProcAddress(module, kExportGetHMIPara)));
    GetAliasPara = reinterpret_cast<PFN_GetAliasPara>(
        reinterpret_cast<void*>(::GetProcAddress(module, kExportGetAliasPara)));
    return true;
}

void FaceplateModule::Unload() {
    if (m_module)
        ::FreeLibrary(m_module);
    m_module = nullptr;
    OpenFP = nullptr;
    OpenPopChildFP = nullptr;
    ShowDetail = nullptr;
    CloseFP = nullptr;
    ChangeUser = nullptr;
    CloseConfirmDlg = nullptr;
    GetEnAlarmList = nullptr;
    GetHMIPara = nullptr;
    GetAliasPara = nullptr;
}

} // namespace fphost
