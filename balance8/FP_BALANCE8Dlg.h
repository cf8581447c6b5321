// The BALANCE8 faceplate dialog.
#pragma once

#include "FP_BASEDlg.h"

class CFP_BALANCE8Dlg : public CFP_BASEDlg {
public:
    CFP_BALANCE8Dlg();

    void ShowData(BYTE* block) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC hdc);
    BOOL m_bMode = FALSE;
};
