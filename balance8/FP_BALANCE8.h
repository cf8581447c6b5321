// The module object: the list of open faceplates and the exported entry points.
#pragma once

#include "FPHostApi.h"

#include <string>
#include <vector>

class CFP_BASEDlg;

class CFP_BALANCEApp {
public:
    CFP_BALANCEApp();
    void ExitInstance();

    HWND OpenFP(const tagFPOpenPara* para, int bMovable, int bShowDetail, int bNewFP, HWND parent);
    HWND OpenPopChildFP(const tagFPOpenPara* para, int bShowDetail, HWND parent);
    int ShowDetail(const char* tagName, int show);
    int CloseFP(const char* tagName, int closeType);
    int ChangeUser(const char* userName, int userLevel, int ackPermission);
    int CloseConfirmDlg(const char* tagName);

    // Trimmed, cut at the first point, upper case.
    static std::string NormaliseTagName(const char* name);
    const std::vector<CFP_BASEDlg*>& Faceplates() const { return m_FPArray; }

private:
    HWND Open(const tagFPOpenPara* para, int bMovable, int bShowDetail, int bNewFP, HWND parent,
              BOOL popChild);
    bool Matches(const CFP_BASEDlg* dlg, const std::string& name) const;
    // Visits every open faceplate, newest first; one closed during the walk is not visited.
    template <typename F> void ForEachFaceplate(F&& visit);

    std::vector<CFP_BASEDlg*> m_FPArray; // owns the dialogs, in opening order
};

CFP_BALANCEApp& TheApp();
