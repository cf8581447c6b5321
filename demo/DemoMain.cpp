// Demo: shows a dialog with Chinese captions from a template and saves a PNG of it.
// Usage: demo.exe <png path>
#include "Dialog.h"
#include "Screenshot.h"

#include <cstdio>

namespace {
constexpr UINT kDemoDialog = 100;
constexpr DWORD kShowMs = 800;

class DemoDialog : public kfw::CDialog {
public:
    DemoDialog() : CDialog(kDemoDialog) {}

protected:
    BOOL OnInitDialog() override {
        ::SetDlgItemTextW(m_hWnd, 1001, L"412.50");
        ::SetDlgItemTextW(m_hWnd, 1002, L"420.00");
        return TRUE;
    }
};

void Pump(DWORD ms) {
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    }
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* png = argc > 1 ? argv[1] : L"demo.png";
    DemoDialog dlg;
    if (!dlg.Create(nullptr)) {
        fprintf(stderr, "demo: could not create the dialog\n");
        return 1;
    }
    ::SetWindowPos(dlg.m_hWnd, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump(kShowMs);
    bool ok = kfw::SaveWindowPng(dlg.m_hWnd, png);
    dlg.DestroyWindow();
    if (!ok) {
        fprintf(stderr, "demo: could not save the screenshot\n");
        return 1;
    }
    printf("demo: screenshot saved\n");
    return 0;
}
