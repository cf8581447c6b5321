// Static text with a tooltip and the interaction notifications (4069) of the faceplate.
#pragma once

#include "ControlSupport.h"
#include "Window.h"

#include <string>

class CMyStatic : public kfw::CWnd {
public:
    static constexpr const char* kRuntimeClassName = "CMyStatic";

    // Attributes
    bool IsTooltipEnabled() const { return m_bTooltipEnabled; }
    HWND GetTooltip() const { return m_tip.hwnd(); }
    std::wstring GetTooltipText() const { return m_tip.GetText(); }

    // Operations (as CMyEdit)
    void EnableTooltip(bool enable);
    void SetTooltipText(const std::wstring& text);
    void UpdateTooltip(); // the static's own window text
    void SetTooltipDelayTime(DWORD which, int ms) { m_tip.SetDelayTime(which, ms); }
    void SetTooltipMaxWidth(int width) { m_tip.SetMaxTipWidth(width); }

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    kctl::CToolTip m_tip;
    bool m_bTooltipEnabled = false;
};
