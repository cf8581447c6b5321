// A setup page of the detail view: a borderless child dialog from its template. Its controls
// are rows of the faceplate's bindings (window = the page's number); the page only forwards
// their commands and messages to the faceplate's binding engine.
#pragma once

#include "BlockTable.h"

#include "Dialog.h"

class CFP_BALANCE8Dlg;

class CSetupPage : public kfw::CDialog {
public:
    CSetupPage(CFP_BALANCE8Dlg* faceplate, b8::Page page);
    ~CSetupPage() override;

    b8::Page Page() const { return m_page; }
    // Creates the (hidden) page window as a child of the faceplate from the current resource
    // module's template, its controls bound.
    bool CreatePage();

protected:
    void DoDataExchange() override;
    // A page is created hidden: it never takes the keyboard focus (an edit that believes it
    // has the focus keeps the operator's typing instead of the live value).
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCommand(int id, int code, HWND ctl) override;
    HBRUSH OnCtlColor(HDC dc, HWND ctl, UINT ctlColorMsg) override;
    // Enter and Esc do nothing on a page.
    void OnOK() override {}
    void OnCancel() override {}

private:
    CFP_BALANCE8Dlg* m_pFaceplate;
    b8::Page m_page;
};
