// Plain button of the setup pages (push button or check box, drawn by the system), locked by
// the operator's level and reporting focus loss (4069) and release (3010) to its parent.
#pragma once

#include "ControlMessages.h"
#include "ControlSupport.h"
#include "Window.h"

class CLevelButton : public kfw::CWnd, public kctl::CLevelRights {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    HWND RightsWindow() const override { return m_hWnd; }
};
