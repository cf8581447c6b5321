// Base of CMyEdit and CMyStatic: a control with a tooltip (tool 1001 over its client area) that
// takes the focus on a click and reports the start and end of an interaction (4069).
#pragma once

#include "ControlSupport.h"
#include "Window.h"

#include <string>

namespace kctl {

class CTipControl : public kfw::CWnd {
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
    void UpdateTooltip(); // the control's own window text
    // Passed through to the tooltip.

protected:
    // postEndBeforeDefault: on focus loss, post 4069 (0) before the default handling (edit)
    // or after it (static).
    explicit CTipControl(bool postEndBeforeDefault) : m_bPostEndFirst(postEndBeforeDefault) {}
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    CToolTip m_tip;
    bool m_bTooltipEnabled = false;
    bool m_bPostEndFirst;
};

} // namespace kctl
