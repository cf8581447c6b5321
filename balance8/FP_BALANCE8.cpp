#include "FP_BALANCE8.h"

#include "FP_BALANCE8Dlg.h"

#include "FBType.h"

#include "KrConfirm.h"
#include "KrToolkit.h"

#include "FPConstants.h"
#include "Resources.h"
#include "Trace.h"

#include <algorithm>
#include <cctype>
#include <cstring>

using kfw::Trace;

namespace {
constexpr DWORD kStyleFloating = WS_POPUP | WS_VISIBLE; // 0x90000000
constexpr DWORD kStyleEmbedded = WS_CHILD;              // 0x40000000
constexpr DWORD kStylePopChild = WS_CHILD | WS_VISIBLE; // 0x50000000
constexpr int kCloseMovable = 1;
constexpr int kCloseEmbedded = 2;

HMODULE ToolkitResourceModule() {
    return KrGetResourceModule();
}

std::string ModuleFile(const tagFPOpenPara* para) {
    return std::string(para->szModuleFile, strnlen(para->szModuleFile, sizeof para->szModuleFile));
}
} // namespace

CFP_BALANCEApp& TheApp() {
    static CFP_BALANCEApp app;
    return app;
}

CFP_BALANCEApp::CFP_BALANCEApp() {
    Trace("[FP_BALANCE]:CFP_BALANCEApp::CFP_BALANCEApp()\n");
    kfw::SetResourceModuleProvider(ToolkitResourceModule);
}

void CFP_BALANCEApp::ExitInstance() {
    Trace("[FP_BALANCE]:CFP_BALANCEApp::ExitInstance()\n");
}

std::string CFP_BALANCEApp::NormaliseTagName(const char* name) {
    std::string s = name ? name : "";
    size_t first = s.find_first_not_of(" \t\r\n");
    size_t last = s.find_last_not_of(" \t\r\n");
    s = first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
    if (size_t dot = s.find('.'); dot != std::string::npos)
        s.erase(dot);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool CFP_BALANCEApp::Matches(const CFP_BASEDlg* dlg, const std::string& name) const {
    return _stricmp(dlg->Tag().TagName().c_str(), name.c_str()) == 0;
}

HWND CFP_BALANCEApp::Open(const tagFPOpenPara* para, int bMovable, int bShowDetail, int bNewFP,
                          HWND parent, BOOL popChild) {
    if (!para)
        return nullptr;
    std::string module = ModuleFile(para);
    CKrRcSwitch resources(nullptr, module.c_str());
    auto* dlg = new CFP_BALANCE8Dlg();
    dlg->SetFPPara(para, bMovable, bShowDetail, bNewFP, parent);
    dlg->SetPopChild(popChild);
    DWORD style = popChild ? kStylePopChild : bMovable ? kStyleFloating : kStyleEmbedded;
    if (!dlg->CreateFP(style, parent)) {
        delete dlg;
        return nullptr;
    }
    // The control id lives where a pop-up window keeps its menu: set it on child windows only.
    if (::GetWindowLongW(dlg->m_hWnd, GWL_STYLE) & WS_CHILD)
        ::SetWindowLongPtrW(dlg->m_hWnd, GWLP_ID, fp::kFaceplateControlId);
    m_FPArray.push_back(dlg);
    return dlg->m_hWnd;
}

HWND CFP_BALANCEApp::OpenFP(const tagFPOpenPara* para, int bMovable, int bShowDetail, int bNewFP,
                            HWND parent) {
    Trace("[FP_BALANCE]:OpenFP()]::bMovable:%d,bNewFP:%d\n", bMovable, bNewFP);
    return Open(para, bMovable, bShowDetail, bNewFP, parent, FALSE);
}

HWND CFP_BALANCEApp::OpenPopChildFP(const tagFPOpenPara* para, int bShowDetail, HWND parent) {
    Trace("[FP_BALANCE]:OpenPopChildFP()::bShowDetail:%d\n", bShowDetail);
    return Open(para, 1, bShowDetail, 1, parent, TRUE);
}

int CFP_BALANCEApp::ShowDetail(const char* tagName, int show) {
    std::string name = NormaliseTagName(tagName);
    for (size_t i = m_FPArray.size(); i-- > 0;) {
        CFP_BASEDlg* dlg = m_FPArray[i];
        if (!Matches(dlg, name) || !dlg->IsMovable())
            continue;
        // Opening takes a detail slot and shows the setup pages: only as the adjust button
        // would, while it is operable now. Closing needs no right.
        if ((dlg->IsDetailShown() != 0) != (show != 0)) {
            if (show)
                dlg->OnBtnAdj();
            else
                dlg->CloseDetail();
        }
        break;
    }
    return 1;
}

int CFP_BALANCEApp::CloseFP(const char* tagName, int closeType) {
    Trace("[ FP_BALANCE]::CloseFP()::CloseType:%d\n", closeType);
    std::string name = NormaliseTagName(tagName);
    for (size_t i = m_FPArray.size(); i-- > 0;) {
        CFP_BASEDlg* dlg = m_FPArray[i];
        if (!Matches(dlg, name))
            continue;
        bool close =
            dlg->IsMovable() ? (closeType & kCloseMovable) != 0 : (closeType & kCloseEmbedded) != 0;
        if (!close)
            continue;
        m_FPArray.erase(m_FPArray.begin() + static_cast<std::ptrdiff_t>(i));
        if (::IsWindow(dlg->m_hWnd))
            ::SendMessageW(dlg->m_hWnd, WM_CLOSE, 0, 0);
        // The host may close a faceplate from inside one of its own modal loops (its write
        // confirmation): the object goes away once that loop and its caller have returned.
        kfw::DeleteWhenUnwound(dlg);
        return 1;
    }
    return 0;
}

template <typename F> void CFP_BALANCEApp::ForEachFaceplate(F&& visit) {
    // A host callback run by a visit may close faceplates (CloseFP changes the array): walk a
    // copy, and skip those that have left the array meanwhile. Their objects live on until
    // the entry point returns.
    const std::vector<CFP_BASEDlg*> snapshot = m_FPArray;
    for (size_t i = snapshot.size(); i-- > 0;) {
        CFP_BASEDlg* dlg = snapshot[i];
        if (std::find(m_FPArray.begin(), m_FPArray.end(), dlg) != m_FPArray.end())
            visit(dlg);
    }
}

int CFP_BALANCEApp::ChangeUser(const char* userName, int userLevel, int ackPermission) {
    Trace("[FP_BALANCE]:ChangeUser()::strUserName:%s\n", userName ? userName : "");
    ForEachFaceplate([&](CFP_BASEDlg* dlg) {
        dlg->SetAckPermission(ackPermission);
        dlg->ChangeUserInfo(userName, userLevel);
    });
    return 1;
}

int CFP_BALANCEApp::CloseConfirmDlg(const char* tagName) {
    std::string name = NormaliseTagName(tagName);
    ForEachFaceplate([&](CFP_BASEDlg* dlg) {
        if (Matches(dlg, name))
            CloseDialog();
    });
    return 0;
}

namespace {
// Runs an entry point: no exception crosses into the host, and faceplates closed during the
// call (from a modal loop it started) are deleted only when it returns.
template <typename R, typename F> R Guarded(const char* name, R fallback, F&& call) {
    kfw::CUnwindScope frame;
    try {
        return call();
    } catch (...) {
        Trace("[FP_BALANCE]: exception in %s\n", name);
        return fallback;
    }
}
} // namespace

// The block-type queries the host calls on its own CFBType object. The module copies only
// pointers; the records stay the object's.
CFBAlmParaList& CFBType::GetEnAlarmList() {
    return m_listEnAlarm;
}

void CFBType::GetHMIPara(CFBHMIParaList& list) {
    if (&list == &m_listHMIPara)
        return; // the object's own list already holds exactly one copy
    try {
        CFBHMIParaList copy(m_listHMIPara.begin(), m_listHMIPara.end());
        list.swap(copy);
    } catch (...) {
        Trace("[FP_BALANCE]: exception in CFBType::GetHMIPara\n");
        list.clear();
    }
}

void CFBType::GetAliasPara(CAliasDataArray& array) {
    if (&array == &m_arrAlias)
        return;
    try {
        CAliasDataArray copy(m_arrAlias.begin(), m_arrAlias.end());
        array.swap(copy);
    } catch (...) {
        Trace("[FP_BALANCE]: exception in CFBType::GetAliasPara\n");
        array.clear();
    }
}

extern "C" {
HWND OpenFP(const tagFPOpenPara* para, int bMovable, int bShowDetail, int bNewFP, HWND parent) {
    return Guarded<HWND>("OpenFP", nullptr, [&] {
        return TheApp().OpenFP(para, bMovable, bShowDetail, bNewFP, parent);
    });
}
HWND OpenPopChildFP(const tagFPOpenPara* para, int bShowDetail, HWND parent) {
    return Guarded<HWND>("OpenPopChildFP", nullptr,
                         [&] { return TheApp().OpenPopChildFP(para, bShowDetail, parent); });
}
int ShowDetail(const char* tagName, int show) {
    return Guarded("ShowDetail", 1, [&] { return TheApp().ShowDetail(tagName, show); });
}
int CloseFP(const char* tagName, int closeType) {
    return Guarded("CloseFP", 0, [&] { return TheApp().CloseFP(tagName, closeType); });
}
int ChangeUser(const char* userName, int userLevel, int ackPermission) {
    return Guarded("ChangeUser", 1,
                   [&] { return TheApp().ChangeUser(userName, userLevel, ackPermission); });
}
int CloseConfirmDlg(const char* tagName) {
    return Guarded("CloseConfirmDlg", 0, [&] { return TheApp().CloseConfirmDlg(tagName); });
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        TheApp();
    else if (reason == DLL_PROCESS_DETACH)
        TheApp().ExitInstance();
    return TRUE;
}
}
