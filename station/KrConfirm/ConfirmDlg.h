// The confirmation dialog: a modal framework dialog from this DLL's template. Only the operator
// answers it: there is no unattended answer.
#pragma once

#include "Dialog.h"

#include <string>

namespace krconfirm {

class CConfirmDlg : public kfw::CDialog {
public:
    CConfirmDlg(const std::wstring& user, const std::wstring& message, const RECT* rect);

    // Attributes
    const std::wstring& Reason() const { return m_reason; }

    // Closes every open confirmation dialog as cancelled; returns how many were open.
    static int CloseAll();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Place();

    std::wstring m_user;
    std::wstring m_message;
    bool m_hasRect;
    RECT m_rect;
    std::wstring m_reason;
};

} // namespace krconfirm
