// The BALANCE8 faceplate dialog: main display, loop switches and the edit dispatch.
#pragma once

#include "Balance8Switches.h"
#include "FP_BASEDlg.h"

#include "BtnST.h"

#include <array>

class CTnEdit;

class CFP_BALANCE8Dlg : public CFP_BASEDlg {
public:
    CFP_BALANCE8Dlg();

    // Overridables
    void OnCommuData(BYTE* block) override;
    void ShowData(BYTE* block) override;
    void CreateTrend() override {}
    void UpdateRight() override;
    void RefreshControls() override;

    // Attributes (last values read by the refresh)
    BOOL Mode() const { return m_bMode; }
    BOOL LoopState(int j) const { return m_bLoop[static_cast<size_t>(j)]; }
    DWORD AlarmEnableWord(int i) const { return m_dwAlarmEnable[static_cast<size_t>(i)]; }
    CLevelBtnST& LoopButton(int j) { return m_btnLoop[static_cast<size_t>(j)]; }
    CLevelBtnST& ModeOnButton() { return m_btnModeOn; }
    CLevelBtnST& ModeOffButton() { return m_btnModeOff; }

    // Button handlers
    void OnLoopSwitch(int j);
    void OnModeOn();
    void OnModeOff();
    // Entry of a numeric edit (message 2024): writes the value of the edit's item.
    void OnEditEnter(int controlId, HWND edit);

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // Background, frame and lamp, drawn off-screen into the given context.
    void Paint(HDC hdc);
    // The required level of a control that writes an item: its security level times the
    // operate permission; -1 when the item is not in the item map.
    int WriteLevel(WORD item) const;
    // The one check before a switch or mode button writes: the operator may operate it now.
    bool MayWrite(int controlId, HWND control) const;

    CLevelBtnST m_btnModeOff;
    CLevelBtnST m_btnModeOn;
    std::array<CLevelBtnST, b8::kLoopCount> m_btnLoop;
    BOOL m_bMode = FALSE;
    BOOL m_bOutOfService = FALSE;
    std::array<BOOL, b8::kLoopCount> m_bLoop{};
    std::array<DWORD, b8ui::kEnableWordCount> m_dwAlarmEnable{};
    DWORD m_dwLimitEnable = 0;
};
