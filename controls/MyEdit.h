// Plain edit with a tooltip and the interaction notifications (4069) of the faceplate.
#pragma once

#include "ControlSupport.h"
#include "Window.h"

#include <string>

class CMyEdit : public kfw::CWnd {
public:
    // Attributes
    bool IsTooltipEnabled() const { return m_bTooltipEnabled; }
    HWND GetTooltip() const { return m_tip.hwnd(); }
    std::wstring GetTooltipText() const { return m_tip.GetText(); }

    // Operations
    // Switches tooltip updates on or off, and shows or hides the tooltip with them.
    void EnableTooltip(bool enable);
    // Both change the tool text only while tooltips are enabled.
    void SetTooltipText(const std::wstring& text);
    void UpdateTooltip(); // the edit's own window text
    // Passed through to the tooltip.
    void SetTooltipDelayTime(DWORD which, int ms) { m_tip.SetDelayTime(which, ms); }
    void SetTooltipMaxWidth(int width) { m_tip.SetMaxTipWidth(width); }

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    kctl::CToolTip m_tip;
    bool m_bTooltipEnabled = false;
};
