// A setup page of the detail view: a borderless child dialog from its template whose controls
// are declared once, as rows of the block table (numeric edits) and of the page tables (alarm
// and limit enable check boxes, unit captions, switches). Binding, refresh, rights and dispatch
// all walk those rows; a page class adds only what its page has of its own.
#pragma once

#include "PageTables.h"

#include "BtnST.h"
#include "Dialog.h"
#include "LevelButton.h"
#include "TnButton.h"
#include "TnEdit.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CFP_BALANCE8Dlg;

class CSetupPage : public kfw::CDialog {
public:
    CSetupPage(CFP_BALANCE8Dlg* faceplate, b8::Page page);
    ~CSetupPage() override;

    b8::Page Page() const { return m_page; }
    // Creates the (hidden) page window as a child of the faceplate from the current resource
    // module's template.
    bool CreatePage();

    // The page's numeric edit of an item, its check box of an id, its switch of an id; null
    // when the page has none.
    CTnEdit* EditOfItem(uint16_t item) const;
    CLevelButton* Check(int controlId) const;
    kfw::CWnd* Switch(int controlId) const;
    // Every control of the page an operator operates (edits, check boxes, switches), with the
    // item it writes.
    void ForEachOperable(const std::function<void(kctl::IOperable&, uint16_t item)>& visit) const;

    // The refresh cycle's steps on this page (the faceplate decides when).
    // Values of every edit with their decimals and highlight; "????" without good data.
    void ShowValues();
    // Captions of the group boxes and unit labels with the unit texts of the unit items.
    void ShowUnits();
    // Check boxes from the alarm enable words, switches from their items.
    void ShowStates();
    // Check state of a box as the operator left it or the refresh set it.
    int CheckState(int controlId) const;
    void SetCheckState(int controlId, bool checked);

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
    // A click on one of the page's switches; the overview and K/T/L pages decide on/off.
    virtual void OnSwitch(const b8ui::PageSwitch& sw);

    CFP_BALANCE8Dlg* m_pFaceplate;

private:
    struct Edit {
        const b8::ItemDef* def;
        std::unique_ptr<CTnEdit> control;
        COLORREF background = CLR_INVALID; // last normal background given
    };
    struct Caption {
        const b8ui::UnitCaption* row;
        HWND hwnd = nullptr;
        std::wstring base; // the template's caption
    };
    struct CheckBox {
        int controlId;
        uint16_t item; // the enable word it writes
        std::unique_ptr<CLevelButton> control;
    };
    struct SwitchButton {
        const b8ui::PageSwitch* row;
        std::unique_ptr<kfw::CWnd> control; // CLevelBtnST, or CTnButton on the K/T/L page
    };
    void OnCheckClicked(int controlId, HWND hwnd);

    b8::Page m_page;
    std::vector<Edit> m_edits;
    std::vector<Caption> m_captions;
    std::vector<CheckBox> m_checks;
    std::vector<SwitchButton> m_switches;
};
