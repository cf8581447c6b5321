#include "FP_BALANCE8Dlg.h"

#include "FPText.h"
#include "SetupPages.h"
#include "resource.h"

#include "KrToolkit.h"

#include "MemDC.h"
#include "TnEdit.h"

#include "CommandRoute.h"
#include "Handle.h"
#include "Text.h"
#include "Trace.h"

using kfw::Trace;

namespace {
constexpr int kFirstEnableWord = 503; // items 503, 505, ..., 549
constexpr int kEnableWordStep = 2;

// The tab area: look of the tab control.
constexpr int kTabDrawMode = 2;
constexpr DWORD kTabLookFlags = 0x1F;

// Pages are refreshed, exchanged and deleted in this order of their classes.
constexpr b8::Page kSlotOrder[b8::kPageCount] = {
    b8::Page::FirstSetup,   b8::Page::KTLSetup,        b8::Page::MultyBalanceSetup,
    b8::Page::PVAlarmSetup, b8::Page::SpeedAlarmSetup, b8::Page::SVLimtSetup,
    b8::Page::TAlarmSetup1, b8::Page::TCSAlarmSetup1,  b8::Page::TwoTPBalanceSetup,
};

std::unique_ptr<CSetupPage> MakePage(b8::Page page, CFP_BALANCE8Dlg* fp) {
    switch (page) {
    case b8::Page::FirstSetup:
        return std::make_unique<CFirstSetup>(fp);
    case b8::Page::TwoTPBalanceSetup:
        return std::make_unique<CTwoTPBalanceSetup>(fp);
    case b8::Page::MultyBalanceSetup:
        return std::make_unique<CMultyBalanceSetup>(fp);
    case b8::Page::SVLimtSetup:
        return std::make_unique<CSVLimtSetup>(fp);
    case b8::Page::PVAlarmSetup:
        return std::make_unique<CPVAlarmSetup>(fp);
    case b8::Page::TAlarmSetup1:
        return std::make_unique<CTAlarmSetup1>(fp);
    case b8::Page::TCSAlarmSetup1:
        return std::make_unique<CTCSAlarmSetup1>(fp);
    case b8::Page::SpeedAlarmSetup:
        return std::make_unique<CSpeedAlarmSetup>(fp);
    case b8::Page::KTLSetup:
        return std::make_unique<CKTLSetup>(fp);
    default:
        return nullptr;
    }
}

size_t SlotOf(b8::Page page) {
    return static_cast<size_t>(page) - 1;
}
} // namespace

CFP_BALANCE8Dlg::CFP_BALANCE8Dlg() : CFP_BASEDlg(IDD_FP_BALANCE8) {}

CFP_BALANCE8Dlg::~CFP_BALANCE8Dlg() {
    for (b8::Page page : kSlotOrder)
        m_pages[SlotOf(page)].reset();
}

CSetupPage* CFP_BALANCE8Dlg::PageOf(b8::Page page) const {
    if (page == b8::Page::None)
        return nullptr;
    return m_pages[SlotOf(page)].get();
}

template <typename F> void CFP_BALANCE8Dlg::ForEachPage(F&& visit) const {
    for (b8::Page page : kSlotOrder)
        if (CSetupPage* p = PageOf(page))
            visit(*p);
}

void CFP_BALANCE8Dlg::InitTabWindow() {
    if (PageOf(b8::Page::FirstSetup))
        return;
    if (m_tab.m_hWnd) {
        m_tab.SetDrawMode(kTabDrawMode);
        m_tab.SetBackgroundColour(fp::kBackground);
        CEnTabCtrl::EnableCustomLook(true, kTabLookFlags);
        int index = 0;
        for (const b8ui::PageDef& def : b8ui::Pages())
            m_tab.InsertItem(index++, kfw::Widen(fp::Text(def.captionKey)).c_str());
    }
    for (const b8ui::PageDef& def : b8ui::Pages())
        m_pages[SlotOf(def.page)] = MakePage(def.page, this);
    CKrRcSwitch resources(nullptr, Tag().ModuleFile().c_str());
    for (const b8ui::PageDef& def : b8ui::Pages())
        if (CSetupPage* page = PageOf(def.page); page && !page->CreatePage())
            Trace("[FP_BALANCE]:page template %d not created\n", def.templateId);
    // Every page fills the tab control's display area, below the row of tabs, so that no
    // caption is covered.
    RECT area{};
    if (m_tab.m_hWnd) {
        ::GetWindowRect(m_tab.m_hWnd, &area);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
        ::OffsetRect(&area, -area.left, -area.top);
        m_tab.AdjustRect(false, &area);
        POINT origin{};
        ::MapWindowPoints(m_tab.m_hWnd, m_hWnd, &origin, 1);
        ::OffsetRect(&area, origin.x, origin.y);
    }
    for (const b8ui::PageDef& def : b8ui::Pages())
        if (CSetupPage* page = PageOf(def.page); page && page->m_hWnd) {
            ::MoveWindow(page->m_hWnd, area.left, area.top, area.right - area.left,
                         area.bottom - area.top, TRUE);
            // Above the tab control, which draws over its whole rectangle.
            ::SetWindowPos(page->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
}

void CFP_BALANCE8Dlg::ShowTabPage(int page) {
    for (const b8ui::PageDef& def : b8ui::Pages())
        if (CSetupPage* p = PageOf(def.page); p && p->m_hWnd)
            ::ShowWindow(p->m_hWnd, static_cast<int>(def.page) == page ? SW_SHOWNORMAL : SW_HIDE);
    if (m_tab.m_hWnd && page >= 1 && page <= b8::kPageCount && m_tab.GetCurSel() != page - 1)
        m_tab.SetCurSel(page - 1);
}

void CFP_BALANCE8Dlg::CollectAlarmEnableWords(int kind, std::map<WORD, WORD>& words) const {
    b8::Measure measure{};
    if (!b8ui::MeasureOfAlarmKind(kind, &measure))
        return;
    for (int k = 1; k <= b8::kBranchCount; ++k)
        words[static_cast<WORD>(k)] = 0;
    for (const b8ui::AlarmCheck& row : b8ui::AlarmChecks()) {
        if (row.measure != measure)
            continue;
        CSetupPage* page = PageOf(row.page);
        if (page && page->CheckState(row.controlId) == BST_CHECKED)
            words[row.branch] = static_cast<WORD>(words[row.branch] | row.bit);
    }
}

int CFP_BALANCE8Dlg::WriteAlarmEnableWord(WORD item, WORD word, const char* label) {
    return Tag().WriteData(item, word, label);
}

int CFP_BALANCE8Dlg::WriteLimitEnableWord(WORD item, DWORD word, const char* label) {
    return Tag().WriteData(item, word, label);
}

int CFP_BALANCE8Dlg::WriteSwitch(const b8ui::PageSwitch& sw, int on) {
    std::string label = fp::Text(on ? sw.promptOn : sw.promptOff);
    return Tag().WriteData(sw.item, on ? b8ui::kSwitchOn : b8ui::kSwitchOff, label.c_str());
}

namespace {
const b8ui::PageSwitch* SwitchOfItem(uint16_t item) {
    for (const b8ui::PageSwitch& sw : b8ui::PageSwitches())
        if (sw.item == item)
            return &sw;
    return nullptr;
}
} // namespace

int CFP_BALANCE8Dlg::SetOutOfService(int on) {
    return WriteSwitch(*SwitchOfItem(b8::kItemOutOfService), on);
}

int CFP_BALANCE8Dlg::SetAlarmInhibit(int on) {
    return WriteSwitch(*SwitchOfItem(b8::kItemAlarmInhibit), on);
}

int CFP_BALANCE8Dlg::SetControlMethod(int on) {
    return WriteSwitch(*SwitchOfItem(b8::kItemControlMethod), on);
}

void CFP_BALANCE8Dlg::OnPageSwitch(CSetupPage& page, const b8ui::PageSwitch& sw, bool on) {
    (void)page;
    switch (sw.item) {
    case b8::kItemOutOfService:
        SetOutOfService(on ? 1 : 0);
        break;
    case b8::kItemAlarmInhibit:
        SetAlarmInhibit(on ? 1 : 0);
        break;
    case b8::kItemControlMethod:
        SetControlMethod(on ? 1 : 0);
        break;
    default:
        WriteSwitch(sw, on ? 1 : 0);
        break;
    }
}

void CFP_BALANCE8Dlg::OnPageCheck(CSetupPage& page, int controlId, HWND control) {
    HWND box = control;
    if (!box)
        if (CLevelButton* own = page.Check(controlId))
            box = own->m_hWnd;
    if (!box || ::GetParent(box) != page.m_hWnd || !MayOperate(controlId, box, true))
        return;
    // The click asks for the box's new state; the other bits are the block's last delivered
    // word (what every box shows once input is taken), so no cancelled or stale state of
    // another box goes into the word.
    const bool requested = page.CheckState(controlId) == BST_CHECKED;
    if (const b8ui::AlarmCheck* row = b8ui::FindAlarmCheck(page.Page(), controlId)) {
        DWORD held = AlarmEnableWord(row->measure, row->branch) & b8::kAlarmBits;
        WORD word = static_cast<WORD>(requested ? held | row->bit : held & ~DWORD{row->bit});
        const b8ui::SwitchPrompts* prompts = b8ui::AlarmPrompts(row->bit);
        std::string label = prompts ? fp::Text((word & row->bit) ? prompts->on : prompts->off) : "";
        WriteAlarmEnableWord(b8::AlarmEnableItem(row->measure, row->branch), word, label.c_str());
        return;
    }
    if (const b8ui::LimitCheck* row = b8ui::FindLimitCheck(controlId);
        row && page.Page() == b8ui::kLimitCheckPage) {
        DWORD bit = 1u << row->bit;
        DWORD held = m_dwLimitEnable & b8::kLimitBits;
        DWORD word = requested ? held | bit : held & ~bit;
        const b8ui::LimitPrompts& prompts = b8ui::LimitPromptsOf(row->bit);
        const char* key = (word >> row->bit) & 1u ? prompts.on : prompts.off;
        std::string label = prompts.formatBranch ? fp::Format(key, "d", b8ui::LimitBranch(row->bit))
                                                 : fp::Text(key);
        WriteLimitEnableWord(b8::kItemLimitEnable, word, label.c_str());
    }
}

void CFP_BALANCE8Dlg::DoDataExchange() {
    CFP_BASEDlg::DoDataExchange();
    m_btnModeOff.SubclassDlgItem(IDC_MODE_OFF, m_hWnd);
    m_btnModeOn.SubclassDlgItem(IDC_MODE_ON, m_hWnd);
    for (int j = b8::kLoopCount; j-- > 0;)
        m_btnLoop[static_cast<size_t>(j)].SubclassDlgItem(
            static_cast<UINT>(b8ui::kLoopSwitches[j].controlId), m_hWnd);
    m_tab.SubclassDlgItem(IDC_TAB, m_hWnd);
}

BOOL CFP_BALANCE8Dlg::OnInitDialog() {
    BOOL result = CFP_BASEDlg::OnInitDialog();
    m_btnModeOn.SetIcon(IDI_MODE_ON);
    m_btnModeOff.SetIcon(IDI_MODE_OFF);
    return result;
}

void CFP_BALANCE8Dlg::OnCommuData(BYTE* block) {
    CFP_BASEDlg::OnCommuData(block);
    TransferToControls();
}

WORD CFP_BALANCE8Dlg::DecimalsItemOf(WORD item) const {
    const b8::ItemDef* def = b8::FindItem(item);
    return def ? def->decimalsItem : 0;
}

void CFP_BALANCE8Dlg::OnWriteChecked(WORD item, bool taken, const std::string& written,
                                     const std::string& held) {
    // The edit that showed the entry carries the mark; switches and words have the trace.
    const b8::ItemDef* def = b8::FindItem(item);
    CSetupPage* page = def && def->editId ? PageOf(def->page) : nullptr;
    CTnEdit* edit = page ? page->EditOfItem(item) : nullptr;
    if (!edit || !edit->m_hWnd)
        return;
    edit->SetNotTaken(taken ? std::wstring()
                            : kfw::Widen(fp::Format(fp::key::WriteNotTaken, "ss", written.c_str(),
                                                    held.c_str())));
}

void CFP_BALANCE8Dlg::ShowData(BYTE* /*block*/) {
    // Without good data the switches show no state at all rather than "manual" and "off".
    const bool noData = !Tag().HasGoodData();
    // 1. Mode.
    Tag().LookHMIData(b8::kItemMode, m_bMode);
    m_btnModeOn.SetNoData(noData);
    m_btnModeOff.SetNoData(noData);
    m_btnModeOn.SetCheckIfChanged(m_bMode ? 1 : 0);
    m_btnModeOff.SetCheckIfChanged(m_bMode ? 0 : 1);
    // 2. Status lines and lamp.
    ShowAlarmState(b8::kItemAlarmFlag);
    if (IsClosing())
        return; // the host's alarm-state callback closed the faceplate
    // 3. Loop switches.
    for (int j : b8ui::kRefreshOrder) {
        BOOL& on = m_bLoop[static_cast<size_t>(j)];
        Tag().LookHMIData(b8::LoopSwitchItem(j), on);
        m_btnLoop[static_cast<size_t>(j)].SetNoData(noData);
        m_btnLoop[static_cast<size_t>(j)].SetCheckIfChanged(on ? 1 : 0);
    }
    // 4. Alarm enable words.
    for (int i = 0; i < b8ui::kEnableWordCount; ++i)
        Tag().LookHMIData(static_cast<WORD>(kFirstEnableWord + kEnableWordStep * i),
                    m_dwAlarmEnable[static_cast<size_t>(i)]);
    // 5 and 6. The setup pages, while the detail view is shown: values, highlights, check
    // boxes and switches, unit captions.
    if (IsDetailShown()) {
        Tag().LookHMIData(b8::kItemLimitEnable, m_dwLimitEnable);
        // A box the operator just clicked keeps its toggled state while its write runs (a
        // refused write repaints at once); the next refresh sets it from the block.
        const bool boxes = !Tag().IsWriting();
        ForEachPage([&](CSetupPage& page) {
            page.ShowValues();
            if (boxes) {
                page.ShowStates();
                if (page.Page() == b8ui::kLimitCheckPage)
                    static_cast<CSVLimtSetup&>(page).ApplyLimitEnableWord(m_dwLimitEnable);
            }
            page.ShowUnits();
        });
    }
    // 7. Members to controls.
    TransferToControls();
}

int CFP_BALANCE8Dlg::WriteLevel(WORD item) const {
    const FPItemInfo* info = Tag().FindItem(item);
    if (!info)
        return -1;
    return static_cast<int>(info->wSecurityLevel) * OperatePermission();
}

void CFP_BALANCE8Dlg::UpdateRight() {
    CFP_BASEDlg::UpdateRight();
    // The operator's level goes with the required level, so that each control changes its
    // look once (RefreshControls then finds nothing to change).
    const WORD user = ControlUserLevel();
    auto apply = [this, user](CLevelBtnST& button, WORD item) {
        int level = WriteLevel(item);
        if (level >= 0 && button.m_hWnd)
            button.SetLevels(static_cast<WORD>(level), user);
    };
    apply(m_btnModeOn, b8::kItemMode);
    apply(m_btnModeOff, b8::kItemMode);
    for (int j = 0; j < b8::kLoopCount; ++j)
        apply(m_btnLoop[static_cast<size_t>(j)], b8::LoopSwitchItem(j));
    if (!IsDetailShown())
        return;
    ForEachPage([&](CSetupPage& page) {
        page.ForEachOperable([&](kctl::IOperable& control, uint16_t item) {
            if (int level = WriteLevel(item); level >= 0)
                control.SetLevels(static_cast<WORD>(level), user);
        });
    });
}

void CFP_BALANCE8Dlg::RefreshControls() {
    CFP_BASEDlg::RefreshControls();
    WORD level = ControlUserLevel();
    m_btnModeOff.SetUserLevel(level);
    m_btnModeOn.SetUserLevel(level);
    for (CLevelBtnST& button : m_btnLoop)
        button.SetUserLevel(level);
    if (!IsDetailShown())
        return;
    ForEachPage([&](CSetupPage& page) {
        page.ForEachOperable(
            [&](kctl::IOperable& control, uint16_t) { control.SetUserLevel(level); });
    });
}

void CFP_BALANCE8Dlg::OnLoopSwitch(int controlId, HWND) {
    int j = b8ui::LoopOfControl(controlId);
    const b8ui::LoopSwitch& sw = b8ui::kLoopSwitches[j];
    if (!MayOperate(sw.controlId, m_btnLoop[static_cast<size_t>(j)].m_hWnd, true))
        return;
    bool shownOn = m_btnLoop[static_cast<size_t>(j)].GetCheck() != 0;
    std::string label = fp::Text(shownOn ? sw.promptOff : sw.promptOn);
    Tag().WriteData(b8::LoopSwitchItem(j), shownOn ? b8ui::kSwitchOff : b8ui::kSwitchOn, label.c_str());
}

void CFP_BALANCE8Dlg::OnModeOn() {
    if (!MayOperate(IDC_MODE_ON, m_btnModeOn.m_hWnd, true) || m_bMode)
        return;
    std::string label = fp::Text(b8ui::kPromptModeOn);
    Tag().WriteData(b8::kItemMode, b8ui::kSwitchOn, label.c_str());
}

void CFP_BALANCE8Dlg::OnModeOff() {
    if (!MayOperate(IDC_MODE_OFF, m_btnModeOff.m_hWnd, true) || !m_bMode)
        return;
    std::string label = fp::Text(b8ui::kPromptModeOff);
    Tag().WriteData(b8::kItemMode, b8ui::kSwitchOff, label.c_str());
}

void CFP_BALANCE8Dlg::OnEditEnter(int controlId, HWND edit) {
    const b8::ItemDef* def = b8::FindItemByEditId(static_cast<uint16_t>(controlId));
    if (!def)
        return;
    // Anyone on the desktop can post this message: write only for an edit that exists and
    // that the logged-in operator may edit now.
    const char* why = "";
    auto* tn = dynamic_cast<CTnEdit*>(OperableControl(controlId, edit, false, &why));
    if (!tn) {
        Trace("[FP_BALANCE]:edit %d not written: %s\n", controlId, why);
        return;
    }
    Tag().WriteData(def->item, tn->m_hWnd, def->name);
}

void CFP_BALANCE8Dlg::Paint(HDC hdc) {
    CMemDC mem(hdc);
    DrawFaceplate(mem, TRUE);
}

LRESULT CFP_BALANCE8Dlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kctl::WM_TNEDIT_ENTER:
        OnEditEnter(static_cast<int>(wp), reinterpret_cast<HWND>(lp));
        if (!::IsWindow(m_hWnd))
            return 0;
        ::SetFocus(GetDlgItem(IDC_TAGNAME));
        break;
    case WM_PAINT:
        Paint(kfw::CPaintDC(m_hWnd));
        return 0;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        break;
    }
    return CFP_BASEDlg::WindowProc(msg, wp, lp);
}

bool CFP_BALANCE8Dlg::OnCommand(int id, int code, HWND ctl) {
    using Route = kfw::CommandRoute<CFP_BALANCE8Dlg>;
    static constexpr Route kRoutes[] = {
        Route::Id(BN_CLICKED, IDC_MODE_ON, &CFP_BALANCE8Dlg::OnModeOn),
        Route::Id(BN_CLICKED, IDC_MODE_OFF, &CFP_BALANCE8Dlg::OnModeOff),
        Route::Table(BN_CLICKED, &b8ui::IsLoopSwitch, &CFP_BALANCE8Dlg::OnLoopSwitch),
    };
    return kfw::RouteCommand(*this, kRoutes, id, code, ctl) ||
           CFP_BASEDlg::OnCommand(id, code, ctl);
}

HBRUSH CFP_BALANCE8Dlg::OnCtlColor(HDC dc, HWND, UINT ctlColorMsg) {
    if (ctlColorMsg != WM_CTLCOLORSTATIC && ctlColorMsg != WM_CTLCOLORBTN &&
        ctlColorMsg != WM_CTLCOLORDLG && ctlColorMsg != WM_CTLCOLOREDIT)
        return nullptr;
    // Numeric edits colour themselves (reflected before this point).
    ::SetBkColor(dc, fp::kBackground);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}
