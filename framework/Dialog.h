// Dialogs from templates: modeless (bound before their first message, keys pre-translated)
// and modal. The template can be loaded from any module and its style replaced first.
#pragma once

#include "Window.h"

#include <vector>

namespace kfw {

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT templateId) : m_templateId(templateId) {}

    // Template helpers
    // Copies a dialog template out of a module; empty when it is not there.
    static std::vector<BYTE> LoadTemplate(HMODULE module, UINT id);
    static bool IsExtendedTemplate(const std::vector<BYTE>& tmpl);
    // Replaces the style and the extended style of a (normal or extended) template.
    static bool SetTemplateStyle(std::vector<BYTE>& tmpl, DWORD style, DWORD exStyle);
    static DWORD GetTemplateStyle(const std::vector<BYTE>& tmpl);

    // Operations
    // Modeless dialog from the template of the current resource module.
    bool Create(HWND parent);
    // Modeless dialog from a template already in memory.
    bool CreateIndirect(const std::vector<BYTE>& tmpl, HWND parent);
    // Modal dialog from the template of the current resource module.
    INT_PTR DoModal(HWND parent);
    // Ends a modal dialog; hides a modeless one.
    void EndDialog(int result);
    UINT TemplateId() const { return m_templateId; }

    // Overridables
    // Called for WM_INITDIALOG after data exchange; return TRUE to let the system set the focus.
    virtual BOOL OnInitDialog();
    // Binds template controls to their objects (SubclassDlgItem); runs before OnInitDialog's body.
    virtual void DoDataExchange() {}
    virtual void OnOK();
    virtual void OnCancel();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // IDOK and IDCANCEL (clicked, or from the keyboard) go to OnOK and OnCancel.
    bool OnCommand(int id, int code, HWND ctl) override;

private:
    static INT_PTR CALLBACK DlgProc(HWND, UINT, WPARAM, LPARAM);
    UINT m_templateId = 0;
    bool m_modal = false;
};

} // namespace kfw
