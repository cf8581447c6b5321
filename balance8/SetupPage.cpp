#include "SetupPage.h"

#include "Balance8Bindings.h"
#include "FP_BALANCE8Dlg.h"

#include "ControlMessages.h"
#include "ControlSupport.h"

CSetupPage::CSetupPage(CFP_BALANCE8Dlg* faceplate, b8::Page page)
    : CDialog(static_cast<UINT>(b8ui::PageTemplate(page))), m_pFaceplate(faceplate), m_page(page) {}

CSetupPage::~CSetupPage() {
    // The controls unbind before the page window goes.
    m_pFaceplate->Bindings().Unbind(b8ui::WindowOf(m_page));
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
    m_pFaceplate->Bindings().Bind(b8ui::WindowOf(m_page), m_hWnd);
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
    return m_pFaceplate->Bindings().OnCommand(b8ui::WindowOf(m_page), id, code, ctl) ||
           CDialog::OnCommand(id, code, ctl);
}

HBRUSH CSetupPage::OnCtlColor(HDC dc, HWND, UINT ctlColorMsg) {
    if (ctlColorMsg != WM_CTLCOLORSTATIC && ctlColorMsg != WM_CTLCOLORBTN &&
        ctlColorMsg != WM_CTLCOLORDLG)
        return nullptr;
    // The faceplate shows through the page and its statics and buttons.
    ::SetBkColor(dc, kctl::kPanelColour);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

DWORD CSVLimtSetup::ComposeLimitEnableWord() const {
    DWORD word = 0;
    m_pFaceplate->Bindings().ForEach(b8ui::WindowOf(Page()), [&](const fp::BoundRow& b) {
        if (b8ui::IsLimitBox(*b.row) && b.state == BST_CHECKED)
            word |= b.row->bits;
    });
    return word & b8::kLimitBits;
}

void CSVLimtSetup::ApplyLimitEnableWord(DWORD word) {
    m_pFaceplate->Bindings().ShowWord(b8ui::WindowOf(Page()), b8::kItemLimitEnable, word);
}
