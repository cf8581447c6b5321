// Each setup page template created as a child of a plain window, with no code behind it, filled
// with sample values and unit captions as the refresh would fill it, and captured to a PNG
// (page_shots/page_<template>.png beside the test) for a person to look at.
#include "Balance8Ids.h"
#include "BlockTable.h"
#include "DialogTemplate.h"
#include "Balance8Bindings.h"
#include "Pump.h"
#include "Screenshot.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace b8test;

namespace {

constexpr wchar_t kHostClass[] = L"B8PageRenderHost";
// Sample unit texts, as a station's unit map gives them.
constexpr wchar_t kUnitFlow[] = L"t/h";
constexpr wchar_t kUnitTemp[] = L"℃";

std::wstring BinDir() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

const wchar_t* UnitText(uint16_t unitItem) {
    return unitItem == b8::kItemUnitBranchTemp || unitItem == b8::kItemUnitTubeSkin ? kUnitTemp
                                                                                    : kUnitFlow;
}

INT_PTR CALLBACK PageProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// Width of a text in the control's font, in pixels.
int TextWidth(HWND control, const std::wstring& text) {
    HDC dc = ::GetDC(control);
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return size.cx;
}

// Room for the caption of a control, in pixels; 0 where the caption is not measured.
int TextRoom(const DialogItem& item, HWND control) {
    RECT rc{};
    ::GetClientRect(control, &rc);
    if (item.className == L"Static")
        return rc.right;
    if (item.className != L"Button")
        return 0;
    // Only the group captions: the check boxes have the fixed size of their page, 31 x 8, which
    // holds "支路8" with its glyphs whole but leaves no margin to measure against.
    if ((item.style & BS_TYPEMASK) == BS_GROUPBOX) // the caption leaves the corners free
        return rc.right - 2 * TextWidth(control, L"0");
    return 0;
}

class PageRender : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = ::LoadLibraryExW((BinDir() + L"FP_BALANCE8.dll").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(m_module);
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kHostClass;
        ::RegisterClassW(&wc);
        m_shots = BinDir() + L"page_shots\\";
        ::CreateDirectoryW(m_shots.c_str(), nullptr);
    }
    void TearDown() override {
        if (m_host)
            ::DestroyWindow(m_host);
        if (m_module)
            ::FreeLibrary(m_module);
    }

    HMODULE m_module = nullptr;
    HWND m_host = nullptr;
    std::wstring m_shots;
};

TEST_F(PageRender, EveryPageShowsAllItsControlsWithCaptionsThatFit) {
    for (const b8ui::PageDef& def : b8ui::Pages()) {
        SCOPED_TRACE(def.templateId);
        HRSRC res = ::FindResourceW(m_module, MAKEINTRESOURCEW(def.templateId), RT_DIALOG);
        ASSERT_TRUE(res);
        auto* data = static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(m_module, res)));
        DialogTemplate dlg;
        ASSERT_TRUE(ParseDialogTemplate(data, ::SizeofResource(m_module, res), &dlg));

        m_host = ::CreateWindowExW(0, kHostClass, L"page", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                   nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(m_host);
        HWND page =
            ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), data, m_host, PageProc, 0);
        ASSERT_TRUE(page) << "error " << ::GetLastError();
        RECT size{0, 0, dlg.cx, dlg.cy};
        ::MapDialogRect(page, &size);
        ::SetWindowPos(m_host, nullptr, 0, 0, size.right, size.bottom, SWP_NOZORDER);
        ::ShowWindow(page, SW_SHOW);

        // Every control of the template, in template order, with its caption intact.
        std::vector<HWND> children = Children(page);
        ASSERT_EQ(children.size(), dlg.items.size());
        for (size_t i = 0; i < children.size(); ++i) {
            const DialogItem& item = dlg.items[i];
            EXPECT_EQ(::GetDlgCtrlID(children[i]), item.id);
            if (item.className != L"Edit") {
                EXPECT_EQ(kfw::GetWindowTextW(children[i]), item.text) << item.id;
            }
        }

        // What the refresh writes: values, captions with units, some boxes checked.
        for (size_t i = 0; i < b8::ItemCount(); ++i)
            if (b8::Items()[i].page == def.page)
                ::SetDlgItemTextW(page, b8::Items()[i].editId, L"1234.567");
        int boxes = 0;
        for (const fp::Binding& row : b8ui::Rows()) {
            if (row.window != b8ui::WindowOf(def.page))
                continue;
            if (row.kind == fp::BindKind::UnitText) {
                HWND control = ::GetDlgItem(page, row.controlId);
                std::wstring text =
                    kfw::GetWindowTextW(control) + L"(" + UnitText(row.item) + L")";
                ::SetWindowTextW(control, text.c_str());
            } else if (row.kind == fp::BindKind::WordBit && boxes++ % 2) {
                ::CheckDlgButton(page, row.controlId, BST_CHECKED);
            }
        }

        for (size_t i = 0; i < children.size(); ++i) {
            std::wstring text = kfw::GetWindowTextW(children[i]);
            int room = TextRoom(dlg.items[i], children[i]);
            if (room > 0 && !text.empty()) {
                EXPECT_LE(TextWidth(children[i], text), room)
                    << "caption of control " << i << " (" << dlg.items[i].id
                    << ") clipped: " << kfw::Narrow(text, CP_UTF8);
            }
        }

        ::RedrawWindow(m_host, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        kt::PumpFor(200);
        std::wstring shot = m_shots + L"page_" + std::to_wstring(def.templateId) + L".png";
        EXPECT_TRUE(kfw::SaveWindowPng(page, shot.c_str()));
        ::DestroyWindow(m_host);
        m_host = nullptr;
    }
}

} // namespace
