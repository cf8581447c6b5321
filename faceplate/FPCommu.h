// The faceplate's communication client: hands each data-ready notification for its own slot
// to the faceplate.
#pragma once

#include "ComClient.h"

class CFP_BASEDlg;

class CFPCommu : public CComClient {
public:
    explicit CFPCommu(CFP_BASEDlg* owner) : m_pOwner(owner) {}
    void OnServerMsg(WPARAM wParam, LPARAM lParam) override;

private:
    CFP_BASEDlg* m_pOwner;
};
