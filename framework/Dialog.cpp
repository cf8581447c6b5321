#include "Dialog.h"

#include "KeyHook.h"
#include "Resources.h"
#include "Trace.h"

#include <cstring>

namespace kfw {
namespace {
// Byte offsets in DLGTEMPLATE and DLGTEMPLATEEX.
constexpr size_t kStyleOffset = 0;
constexpr size_t kExStyleOffset = 4;
constexpr size_t kExSignatureOffset = 2;
constexpr size_t kExExStyleOffset = 8;
constexpr size_t kExStyleOffsetEx = 12;
constexpr WORD kExSignature = 0xFFFF;

DWORD ReadDword(const std::vector<BYTE>& b, size_t at) {
    DWORD v = 0;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}
void WriteDword(std::vector<BYTE>& b, size_t at, DWORD v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}
} // namespace

std::vector<BYTE> CDialog::LoadTemplate(HMODULE module, UINT id) {
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /*RT_DIALOG*/);
    if (!res)
        return {};
    HGLOBAL global = ::LoadResource(module, res);
    DWORD size = ::SizeofResource(module, res);
    const void* data = global ? ::LockResource(global) : nullptr;
    if (!data || size < 18)
        return {};
    auto bytes = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(bytes, bytes + size);
}

bool CDialog::IsExtendedTemplate(const std::vector<BYTE>& tmpl) {
    if (tmpl.size() < 26)
        return false;
    WORD signature = 0;
    std::memcpy(&signature, tmpl.data() + kExSignatureOffset, sizeof signature);
    return signature == kExSignature;
}

DWORD CDialog::GetTemplateStyle(const std::vector<BYTE>& tmpl) {
    if (tmpl.size() < 18)
        return 0;
    return ReadDword(tmpl, IsExtendedTemplate(tmpl) ? kExStyleOffsetEx : kStyleOffset);
}

bool CDialog::SetTemplateStyle(std::vector<BYTE>& tmpl, DWORD style, DWORD exStyle) {
    if (tmpl.size() < 18)
        return false;
    if (IsExtendedTemplate(tmpl)) {
        WriteDword(tmpl, kExStyleOffsetEx, style);
        WriteDword(tmpl, kExExStyleOffset, exStyle);
    } else {
        WriteDword(tmpl, kStyleOffset, style);
        WriteDword(tmpl, kExStyleOffset, exStyle);
    }
    return true;
}

INT_PTR CALLBACK CDialog::DlgProc(HWND, UINT, WPARAM, LPARAM) {
    // The bound object's WindowProc sees every message first (the window is subclassed at
    // creation); what reaches here is the dialog manager's default handling.
    return FALSE;
}

bool CDialog::Create(HWND parent) {
    std::vector<BYTE> tmpl = LoadTemplate(CurrentResourceModule(), m_templateId);
    if (tmpl.empty()) {
        Trace("[FW] dialog template %u not found\n", m_templateId);
        return false;
    }
    return CreateIndirect(tmpl, parent);
}

bool CDialog::CreateIndirect(const std::vector<BYTE>& tmpl, HWND parent) {
    if (m_hWnd || tmpl.empty())
        return false;
    m_modal = false;
    HWND hwnd = CreateBound(this, [&] {
        return ::CreateDialogIndirectParamW(CurrentResourceModule(),
                                            reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()),
                                            parent, &CDialog::DlgProc, 0);
    });
    if (!hwnd || m_hWnd != hwnd)
        return false;
    KeyHook::Register(hwnd);
    return true;
}

INT_PTR CDialog::DoModal(HWND parent) {
    std::vector<BYTE> tmpl = LoadTemplate(CurrentResourceModule(), m_templateId);
    if (tmpl.empty() || m_hWnd)
        return -1;
    m_modal = true;
    return CreateBound(this, [&] {
        return ::DialogBoxIndirectParamW(CurrentResourceModule(),
                                         reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()), parent,
                                         &CDialog::DlgProc, 0);
    });
}

void CDialog::EndDialog(int result) {
    if (!m_hWnd)
        return;
    if (m_modal)
        ::EndDialog(m_hWnd, result);
    else
        ::ShowWindow(m_hWnd, SW_HIDE);
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

void CDialog::OnOK() {
    if (m_modal)
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    if (m_modal)
        EndDialog(IDCANCEL);
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        DoDataExchange();
        return OnInitDialog();
    default:
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

bool CDialog::OnCommand(int id, int code, HWND ctl) {
    if (ctl && code != BN_CLICKED)
        return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

} // namespace kfw
