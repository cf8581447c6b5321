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

    CFP_BALANCE8Dlg* m_pFaceplate;

private:
    b8::Page m_page;
};

// The page classes: each is its template and its rows.
template <b8::Page P> class CSetupPageOf : public CSetupPage {
public:
    explicit CSetupPageOf(CFP_BALANCE8Dlg* faceplate) : CSetupPage(faceplate, P) {}
};
using CFirstSetup = CSetupPageOf<b8::Page::FirstSetup>;
using CTwoTPBalanceSetup = CSetupPageOf<b8::Page::TwoTPBalanceSetup>;
using CMultyBalanceSetup = CSetupPageOf<b8::Page::MultyBalanceSetup>;
using CPVAlarmSetup = CSetupPageOf<b8::Page::PVAlarmSetup>;
using CTAlarmSetup1 = CSetupPageOf<b8::Page::TAlarmSetup1>;
using CTCSAlarmSetup1 = CSetupPageOf<b8::Page::TCSAlarmSetup1>;
using CSpeedAlarmSetup = CSetupPageOf<b8::Page::SpeedAlarmSetup>;
using CKTLSetup = CSetupPageOf<b8::Page::KTLSetup>;

// The set-value limit page, with the operations on its 24 limit enable boxes.
class CSVLimtSetup : public CSetupPageOf<b8::Page::SVLimtSetup> {
public:
    using CSetupPageOf::CSetupPageOf;
    // The limit enable word the boxes show: the bit of every box exactly checked.
    DWORD ComposeLimitEnableWord() const;
    // Sets the boxes from a limit enable word.
    void ApplyLimitEnableWord(DWORD word);
};
