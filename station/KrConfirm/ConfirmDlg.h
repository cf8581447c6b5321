// The confirmation dialog: a modal framework dialog from this DLL's template.
#pragma once

#include "Dialog.h"

#include <string>

namespace krconfirm {

enum class AutoAnswer { None, Accept, Cancel };

struct Unattended {
    AutoAnswer answer = AutoAnswer::None;
    std::wstring reason;
    UINT delayMs = 0;
};
// The unattended answer in force: KR_CONFIRM_AUTO, else [Confirm] of KrStation.ini.
Unattended ReadUnattended();

class CConfirmDlg : public kfw::CDialog {
public:
    CConfirmDlg(const std::wstring& user, const std::wstring& message, const RECT* rect,
                const Unattended& unattended);

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
    void OnUnattendedStep();

    std::wstring m_user;
    std::wstring m_message;
    bool m_hasRect;
    RECT m_rect;
    Unattended m_unattended;
    int m_unattendedStep = 0;
    std::wstring m_reason;
};

} // namespace krconfirm
