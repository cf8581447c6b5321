#include "SetupPages.h"

#include "FP_BALANCE8Dlg.h"
#include "resource.h"

BOOL CFirstSetup::OnInitDialog() {
    BOOL result = CSetupPage::OnInitDialog();
    if (auto* oos = dynamic_cast<CLevelBtnST*>(Switch(IDC_OUT_OF_SERVICE)))
        oos->SetIcon(IDI_OOS, IDI_OOS_GREY);
    if (auto* inhibit = dynamic_cast<CLevelBtnST*>(Switch(IDC_ALARM_INHIBIT)))
        inhibit->SetIcon(IDI_ALARM_INHIBIT, 0);
    return result;
}

DWORD CSVLimtSetup::ComposeLimitEnableWord() const {
    DWORD word = 0;
    for (const b8ui::LimitCheck& row : b8ui::LimitChecks())
        if (CheckState(row.controlId) == BST_CHECKED)
            word |= 1u << row.bit;
    return word & b8::kLimitBits;
}

void CSVLimtSetup::ApplyLimitEnableWord(DWORD word) {
    for (const b8ui::LimitCheck& row : b8ui::LimitChecks())
        SetCheckState(row.controlId, (word >> row.bit) & 1u);
}

void CKTLSetup::OnSwitch(const b8ui::PageSwitch& sw) {
    auto* button = dynamic_cast<CTnButton*>(Switch(sw.controlId));
    m_pFaceplate->OnPageSwitch(*this, sw, !(button && button->IsLatched()));
}
