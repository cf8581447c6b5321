#include "SetupPage.h"

#include "FP_BALANCE8Dlg.h"

#include "ControlMessages.h"
#include "Text.h"

CSetupPage::CSetupPage(CFP_BALANCE8Dlg* faceplate, b8::Page page)
    : CDialog(static_cast<UINT>(b8ui::PageTemplate(page))), m_pFaceplate(faceplate), m_page(page) {
    // The controls of this page, from the tables; every edit takes real numbers.
    for (size_t i = 0; i < b8::ItemCount(); ++i) {
        const b8::ItemDef& def = b8::Items()[i];
        if (def.editId == 0 || def.page != page)
            continue;
        Edit edit{&def, std::make_unique<CTnEdit>()};
        edit.control->SetMode(kctl::kModeReal);
        m_edits.push_back(std::move(edit));
    }
    for (const b8ui::UnitCaption& row : b8ui::UnitCaptions())
        if (row.page == page)
            m_captions.push_back(Caption{&row});
    for (const b8ui::AlarmCheck& row : b8ui::AlarmChecks())
        if (row.page == page)
            m_checks.push_back(CheckBox{row.controlId, b8::AlarmEnableItem(row.measure, row.branch),
                                        std::make_unique<CLevelButton>()});
    if (page == b8ui::kLimitCheckPage)
        for (const b8ui::LimitCheck& row : b8ui::LimitChecks())
            m_checks.push_back(
                CheckBox{row.controlId, b8::kItemLimitEnable, std::make_unique<CLevelButton>()});
    for (const b8ui::PageSwitch& row : b8ui::PageSwitches()) {
        if (row.page != page)
            continue;
        std::unique_ptr<kfw::CWnd> control;
        if (page == b8::Page::KTLSetup)
            control = std::make_unique<CTnButton>();
        else
            control = std::make_unique<CLevelBtnST>();
        m_switches.push_back(SwitchButton{&row, std::move(control)});
    }
}

CSetupPage::~CSetupPage() {
    // The controls unbind before the page window goes.
    m_edits.clear();
    m_checks.clear();
    m_switches.clear();
    DestroyWindow();
}

bool CSetupPage::CreatePage() {
    return Create(m_pFaceplate->m_hWnd) && ::IsWindow(m_hWnd);
}

BOOL CSetupPage::OnInitDialog() {
    CDialog::OnInitDialog();
    return FALSE;
}

void CSetupPage::DoDataExchange() {
    for (Edit& e : m_edits)
        e.control->SubclassDlgItem(e.def->editId, m_hWnd);
    for (CheckBox& c : m_checks)
        c.control->SubclassDlgItem(static_cast<UINT>(c.controlId), m_hWnd);
    for (SwitchButton& s : m_switches)
        s.control->SubclassDlgItem(static_cast<UINT>(s.row->controlId), m_hWnd);
    for (Caption& c : m_captions) {
        c.hwnd = GetDlgItem(c.row->controlId);
        c.base = kfw::GetWindowTextW(c.hwnd);
    }
}

CTnEdit* CSetupPage::EditOfItem(uint16_t item) const {
    for (const Edit& e : m_edits)
        if (e.def->item == item)
            return e.control.get();
    return nullptr;
}

CLevelButton* CSetupPage::Check(int controlId) const {
    for (const CheckBox& c : m_checks)
        if (c.controlId == controlId)
            return c.control.get();
    return nullptr;
}

kfw::CWnd* CSetupPage::Switch(int controlId) const {
    for (const SwitchButton& s : m_switches)
        if (s.row->controlId == controlId)
            return s.control.get();
    return nullptr;
}

void CSetupPage::ForEachOperable(
    const std::function<void(kctl::IOperable&, uint16_t item)>& visit) const {
    for (const Edit& e : m_edits)
        visit(*e.control, e.def->item);
    for (const CheckBox& c : m_checks)
        visit(*c.control, c.item);
    for (const SwitchButton& s : m_switches)
        if (auto* operable = dynamic_cast<kctl::IOperable*>(s.control.get()))
            visit(*operable, s.row->item);
}

int CSetupPage::CheckState(int controlId) const {
    const CLevelButton* box = Check(controlId);
    return box && box->m_hWnd ? static_cast<int>(::SendMessageW(box->m_hWnd, BM_GETCHECK, 0, 0))
                              : BST_UNCHECKED;
}

void CSetupPage::SetCheckState(int controlId, bool checked) {
    CLevelButton* box = Check(controlId);
    if (!box || !box->m_hWnd)
        return;
    // Touch the box only when its state changes.
    WPARAM state = checked ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(::SendMessageW(box->m_hWnd, BM_GETCHECK, 0, 0)) != state)
        ::SendMessageW(box->m_hWnd, BM_SETCHECK, state, 0);
}

void CSetupPage::ShowValues() {
    CFP_BALANCE8Dlg& fp = *m_pFaceplate;
    const bool good = fp.Tag().IsDataGood() != FALSE;
    for (Edit& e : m_edits) {
        CTnEdit& edit = *e.control;
        if (!edit.m_hWnd)
            continue;
        float value = 0.0f;
        std::string text;
        if (!good) {
            if (!edit.IsUnavailable())
                edit.ShowUnavailable();
        } else if (fp.Tag().FormatItem(e.def->item, value, e.def->decimalsItem, text)) {
            if (text == fp::kTextUnavailable) {
                if (!edit.IsUnavailable())
                    edit.ShowUnavailable();
            } else {
                edit.SetUnavailable(false);
                edit.SetText(text.c_str());
            }
        }
        if (e.def->stateItem == 0)
            continue;
        // No alarm colour on a field that shows no value.
        DWORD word = 0;
        if (edit.IsUnavailable() || !fp.Tag().LookHMIData(e.def->stateItem, word))
            word = 0;
        COLORREF back =
            (word & e.def->stateMask) ? kctl::kAlarmHighlight : kctl::kEditNormalBackground;
        if (back != e.background) {
            e.background = back;
            edit.SetNormalBackground(back);
            edit.Invalidate(FALSE);
        }
    }
}

void CSetupPage::ShowUnits() {
    for (Caption& c : m_captions) {
        std::string unit;
        if (!c.hwnd || !m_pFaceplate->Tag().GetUnitText(c.row->unitItem, unit))
            continue;
        kfw::SetTextIfChanged(c.hwnd, c.base + L"(" + kfw::Widen(unit) + L")");
    }
}

void CSetupPage::ShowStates() {
    CFP_BALANCE8Dlg& fp = *m_pFaceplate;
    for (const b8ui::AlarmCheck& row : b8ui::AlarmChecks())
        if (row.page == m_page)
            SetCheckState(row.controlId,
                          (fp.AlarmEnableWord(row.measure, row.branch) & row.bit) != 0);
    const bool noData = !fp.Tag().HasGoodData();
    for (SwitchButton& s : m_switches) {
        // A lookup that leaves the value alone (just written) keeps the state shown.
        auto* shown = dynamic_cast<CLevelBtnST*>(s.control.get());
        auto* latched = dynamic_cast<CTnButton*>(s.control.get());
        BOOL on = latched ? latched->IsLatched() : shown && shown->GetCheck() != 0;
        if (!fp.Tag().LookHMIData(s.row->item, on))
            on = FALSE;
        if (auto* tn = latched) {
            tn->SetLatched(on != FALSE);
        } else if (auto* st = shown) {
            st->SetNoData(noData);
            st->SetCheckIfChanged(on ? 1 : 0);
        }
    }
}

void CSetupPage::OnCheckClicked(int controlId, HWND hwnd) {
    m_pFaceplate->OnPageCheck(*this, controlId, hwnd);
}

void CSetupPage::OnSwitch(const b8ui::PageSwitch& sw) {
    // The shown state decides: off asks for on, on asks for off.
    auto* st = dynamic_cast<CLevelBtnST*>(Switch(sw.controlId));
    bool shownOn = st && st->GetCheck() != 0;
    m_pFaceplate->OnPageSwitch(*this, sw, !shownOn);
}

LRESULT CSetupPage::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kctl::WM_TNEDIT_ENTER:
    case kctl::WM_TNEDIT_SETFOCUS:
        // Passed on to the faceplate, which writes the value or selects the text.
        ::PostMessageW(m_pFaceplate->m_hWnd, msg, wp, lp);
        break;
    case WM_ERASEBKGND: {
        RECT rc{};
        ::GetClientRect(m_hWnd, &rc);
        kctl::FillSolid(reinterpret_cast<HDC>(wp), rc, kctl::kPanelColour);
        return 1;
    }
    default:
        break;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

bool CSetupPage::OnCommand(int id, int code, HWND ctl) {
    // The page's own tables route the clicks: check boxes, then switches.
    if (code != BN_CLICKED)
        return CDialog::OnCommand(id, code, ctl);
    if (Check(id)) {
        OnCheckClicked(id, ctl);
        return true;
    }
    for (const SwitchButton& s : m_switches) {
        if (s.row->controlId == id) {
            if (m_pFaceplate->MayOperate(id, ctl ? ctl : s.control->m_hWnd, true))
                OnSwitch(*s.row);
            return true;
        }
    }
    return CDialog::OnCommand(id, code, ctl);
}

HBRUSH CSetupPage::OnCtlColor(HDC dc, HWND, UINT ctlColorMsg) {
    if (ctlColorMsg != WM_CTLCOLORSTATIC && ctlColorMsg != WM_CTLCOLORBTN &&
        ctlColorMsg != WM_CTLCOLORDLG)
        return nullptr;
    // The faceplate shows through the page and its statics and buttons.
    ::SetBkColor(dc, kctl::kPanelColour);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}
