#include "FP_BALANCE8Dlg.h"

#include "Balance8Bindings.h"
#include "FPText.h"
#include "SetupPage.h"
#include "resource.h"

#include "KrToolkit.h"

#include "MemDC.h"

#include "Handle.h"
#include "Text.h"
#include "Trace.h"

namespace {
// The tab area: look of the tab control.
constexpr int kTabDrawMode = 2;
constexpr DWORD kTabLookFlags = 0x1F;

// Pages are refreshed and deleted in this order of their classes.
constexpr b8::Page kSlotOrder[b8::kPageCount] = {
    b8::Page::FirstSetup,   b8::Page::KTLSetup,        b8::Page::MultyBalanceSetup,
    b8::Page::PVAlarmSetup, b8::Page::SpeedAlarmSetup, b8::Page::SVLimtSetup,
    b8::Page::TAlarmSetup1, b8::Page::TCSAlarmSetup1,  b8::Page::TwoTPBalanceSetup,
};

size_t SlotOf(b8::Page page) {
    return static_cast<size_t>(page) - 1;
}
} // namespace

CFP_BALANCE8Dlg::CFP_BALANCE8Dlg()
    : CFP_BASEDlg(IDD_FP_MAIN, b8ui::Rows()) {}

CFP_BALANCE8Dlg::~CFP_BALANCE8Dlg() {
    for (b8::Page page : kSlotOrder)
        m_pages[SlotOf(page)].reset();
}

CSetupPage* CFP_BALANCE8Dlg::PageOf(b8::Page page) const {
    if (page == b8::Page::None)
        return nullptr;
    return m_pages[SlotOf(page)].get();
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
    // The page objects, in tab order.
    std::unique_ptr<CSetupPage> pages[] = {
        std::make_unique<CFirstSetup>(this),      std::make_unique<CTwoTPBalanceSetup>(this),
        std::make_unique<CMultyBalanceSetup>(this), std::make_unique<CSVLimtSetup>(this),
        std::make_unique<CPVAlarmSetup>(this),    std::make_unique<CTAlarmSetup1>(this),
        std::make_unique<CTCSAlarmSetup1>(this),  std::make_unique<CSpeedAlarmSetup>(this),
        std::make_unique<CKTLSetup>(this),
    };
    for (std::unique_ptr<CSetupPage>& page : pages)
        m_pages[SlotOf(page->Page())] = std::move(page);
    CKrRcSwitch resources(nullptr, Tag().ModuleFile().c_str());
    for (const b8ui::PageDef& def : b8ui::Pages())
        if (!PageOf(def.page)->CreatePage())
            kfw::Trace("[FP_BALANCE]:page template %d not created\n", def.templateId);
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
        if (CSetupPage* page = PageOf(def.page); page->m_hWnd) {
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
    for (const b8ui::PageDef& def : b8ui::Pages())
        Bindings().ForEach(b8ui::WindowOf(def.page), [&](const fp::BoundRow& b) {
            if (b8ui::IsAlarmBox(*b.row) && b8ui::MeasureOfEnableItem(b.row->item) == measure &&
                b.state == BST_CHECKED) {
                WORD& word = words[static_cast<WORD>(b8ui::BranchOfEnableItem(b.row->item))];
                word = static_cast<WORD>(word | b.row->bits);
            }
        });
}

int CFP_BALANCE8Dlg::WriteAlarmEnableWord(WORD item, WORD word, const char* label) {
    return Tag().WriteData(item, word, label);
}

int CFP_BALANCE8Dlg::WriteLimitEnableWord(WORD item, DWORD word, const char* label) {
    return Tag().WriteData(item, word, label);
}

int CFP_BALANCE8Dlg::SetOutOfService(int on) {
    return Bindings().WriteSwitch(b8::kItemOutOfService, on != 0);
}

int CFP_BALANCE8Dlg::SetAlarmInhibit(int on) {
    return Bindings().WriteSwitch(b8::kItemAlarmInhibit, on != 0);
}

int CFP_BALANCE8Dlg::SetControlMethod(int on) {
    return Bindings().WriteSwitch(b8::kItemControlMethod, on != 0);
}

void CFP_BALANCE8Dlg::DoDataExchange() {
    CFP_BASEDlg::DoDataExchange();
    m_tab.SubclassDlgItem(IDC_FP_TAB, m_hWnd);
}

void CFP_BALANCE8Dlg::OnCommuData(BYTE* block) {
    CFP_BASEDlg::OnCommuData(block);
    TransferToControls();
}

void CFP_BALANCE8Dlg::ShowData(BYTE* /*block*/) {
    // Mode, status lines and lamp, loop switches.
    Bindings().Show(fp::kMainWindow);
    if (IsClosing())
        return; // the host's alarm-state callback closed the faceplate
    // The setup pages, while the detail view is shown. A box the operator just clicked keeps
    // its toggled state while its write runs (a refused write shows the block at once); the
    // next refresh sets it from the block.
    if (IsDetailShown()) {
        const bool boxes = !Tag().IsWriting();
        for (b8::Page page : kSlotOrder)
            if (PageOf(page))
                Bindings().Show(b8ui::WindowOf(page), boxes);
    }
    TransferToControls();
}

void CFP_BALANCE8Dlg::Paint(HDC hdc) {
    CMemDC mem(hdc);
    DrawFaceplate(mem, TRUE);
}

LRESULT CFP_BALANCE8Dlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
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

HBRUSH CFP_BALANCE8Dlg::OnCtlColor(HDC dc, HWND, UINT ctlColorMsg) {
    if (ctlColorMsg != WM_CTLCOLORSTATIC && ctlColorMsg != WM_CTLCOLORBTN &&
        ctlColorMsg != WM_CTLCOLORDLG && ctlColorMsg != WM_CTLCOLOREDIT)
        return nullptr;
    // Numeric edits colour themselves (reflected before this point).
    ::SetBkColor(dc, fp::kBackground);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}
