// Private window messages the controls post to their parent, and every colour, period and
// limit of the controls layer. One place for all of them.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace kctl {

// Messages posted to the parent window
constexpr UINT WM_TNEDIT_ENTER =
    WM_USER + 1000; // 2024: Enter in an editable field; wParam control id, lParam edit HWND
constexpr UINT WM_TNEDIT_KILLFOCUS =
    WM_USER + 1001; // 2025: an edit lost the focus; wParam 0, lParam 0
constexpr UINT WM_TNEDIT_SETFOCUS =
    WM_USER + 1002; // 2026: an editable edit got the focus; wParam 0, lParam 0
constexpr UINT WM_CTRL_INTERACT =
    0xFE5; // 4069: interaction begins (wParam 1) or ends (wParam 0); lParam 0
constexpr UINT WM_BUTTON_RELEASED =
    0xBC2; // 3010: left button released; wParam control id, lParam button HWND
static_assert(WM_TNEDIT_ENTER == 2024 && WM_TNEDIT_KILLFOCUS == 2025 && WM_TNEDIT_SETFOCUS == 2026);
static_assert(WM_CTRL_INTERACT == 4069 && WM_BUTTON_RELEASED == 3010);

// Colours (0x00BBGGRR)
constexpr COLORREF kPanelColour =
    RGB(210, 210, 210); // faceplate background; read-only edit and disabled button face
constexpr COLORREF kEditNormalBackground = RGB(0, 0, 0); // editable numeric edit
constexpr COLORREF kAlarmHighlight =
    0x4DF9FF; // edit background while its value is in alarm (yellow)
constexpr COLORREF kDarkFieldText = RGB(255, 255, 255);        // edit text on a dark background
constexpr COLORREF kLightFieldText = RGB(0, 0, 0);             // edit text on a light background
constexpr COLORREF kTnButtonFace = RGB(165, 165, 165);         // CTnButton face
constexpr COLORREF kTnButtonText = RGB(0, 0, 0);               // CTnButton text
constexpr COLORREF kTnButtonDisabledText = RGB(160, 160, 160); // CTnButton text while disabled
constexpr COLORREF kOutline = RGB(0, 0, 0);           // one-pixel outline / default-button frame
constexpr COLORREF kNoDataHatch = RGB(150, 150, 150); // hatch of a button without data
constexpr COLORREF kSystemColour = CLR_INVALID;       // "-1": use the system colour instead

// Numeric edit
constexpr int kEditMaxChars = 256;                    // typed-character limit
constexpr const wchar_t kUnavailableText[] = L"????"; // shown while the value is unavailable
constexpr unsigned kDarkBackgroundLuma =
    128;                          // below this brightness (0..255) the edit text is white
constexpr wchar_t kBackspace = 8; // character of the Backspace key
constexpr wchar_t kEnter = 13;    // character of the Enter key
constexpr wchar_t kEscape = 27;   // character of the Escape key
constexpr wchar_t kCtrlV = 22;    // character of Ctrl+V (paste)
enum EditMode : int {
    kModeText = 0,     // every character
    kModeSigned = 1,   // digits, leading '-'
    kModeUnsigned = 2, // digits
    kModeReal = 3,     // digits, leading '-', one '.'
};

// Tooltips
constexpr UINT kEditToolId = 1001; // tool of CMyEdit and CMyStatic
constexpr UINT kBalloonToolId = 1002; // CTnEdit: the balloon that says why a character was refused
constexpr int kBalloonMaxWidth = 360; // pixels; longer texts wrap
constexpr UINT_PTR kBalloonTimerId = 0x7E0B; // CTnEdit: hides its balloon
constexpr UINT kBalloonShowMs = 5000;        // a balloon stays this long unless typing goes on
constexpr UINT kButtonToolId = 1;  // tool of CBtnST

// Blinking (CColorStaticST)
constexpr UINT_PTR kBlinkTimerId = 1;           // the one timer both kinds share
constexpr UINT kBlinkSlowMs = 2000;             // speed 0
constexpr UINT kBlinkMediumMs = 1000;           // speed 1
constexpr UINT kBlinkFastMs = 500;              // speed 2
constexpr UINT kDefaultNotifyMessage = WM_USER; // sent on each "on" phase unless another is given

// Styles
constexpr DWORD kNotifyStyle = 0x100; // SS_NOTIFY, added to CMyEdit and CMyStatic

// Button drawing
constexpr int kBevelWidth = 3;  // CTnButton raised/sunken bevel
constexpr int kFocusInset = 3;  // focus rectangle inset
constexpr int kIconTextGap = 3; // CBtnST: margin left of the icon when the button also has text

// Switch looks (CBtnST check buttons): on, off, hovered and no-data differ at a glance. A state
// mark, filled while on and empty while off, runs down the left of a captioned switch and along
// the bottom of an icon switch; an on switch's caption is also bold.
constexpr COLORREF kSwitchOnMark = RGB(0, 150, 0);         // filled mark of a switch that is on
constexpr COLORREF kSwitchOnMarkLocked = RGB(96, 150, 96); // the same while the switch is locked
constexpr COLORREF kSwitchOffMark = RGB(90, 90, 90);       // outline of the empty mark while off
constexpr int kStateMarkWidth = 5;                         // captioned switch: bar width
constexpr int kStateMarkHeight = 3;                        // icon switch: bar height
constexpr int kStateMarkMargin = 3; // from the edge to the mark (room for the focus frame)

// Keyboard focus: a frame just inside the button's edge and around a numeric edit.
constexpr COLORREF kFocusColour = RGB(0, 90, 210);
constexpr int kFocusFrameWidth = 2; // its width (an edit: as much as its border holds)

// A numeric edit whose written value the block does not show: a triangle of this many pixels
// in its top-right corner (a shape, not a colour, tells it) and a tool tip.
constexpr int kNotTakenMarkSize = 7;
constexpr COLORREF kNotTakenMarkColour = RGB(200, 0, 0);

// A locked icon is drawn greyed but readable: it keeps this share of its colour (percent) and
// then moves this far toward the button's face.
constexpr int kLockedIconColourPct = 45;
constexpr int kLockedIconFadePct = 30;

// Tool tip of a locked switch: why it is locked, from the station's string database.
constexpr char kLockedTipKey[] = "FP_CTRL_STR000001"; // "%d" level needed, "%d" operator level
constexpr char kNeverOperableTipKey[] = "FP_CTRL_STR000002"; // level 0: "%d" operator level

// Balloon of a numeric edit that refuses a character or a pasted text: what the field accepts.
constexpr char kRefusedCharTitleKey[] = "FP_CTRL_STR000003";  // "Unacceptable character"
constexpr char kRefusedPasteTitleKey[] = "FP_CTRL_STR000004"; // "Text not pasted"
constexpr char kAcceptsSignedKey[] = "FP_CTRL_STR000005";     // digits, a leading minus
constexpr char kAcceptsUnsignedKey[] = "FP_CTRL_STR000006";   // digits only
constexpr char kAcceptsRealKey[] = "FP_CTRL_STR000007";       // digits, one point, a leading minus
constexpr char kTooLongKey[] = "FP_CTRL_STR000008";           // "%d" characters at most

// Tab controls (CBaseTabCtrl, CEnTabCtrl)
enum TabDrawMode : int {
    kTabDrawSystem = 0, // the system draws the whole control
    kTabDrawTabs = 1,   // the system draws the frame and asks the control for each tab
    kTabDrawAll = 2,    // the control paints itself: background, page border, every tab
};
constexpr DWORD kTabOwnerDrawStyle = 0x2000; // TCS_OWNERDRAWFIXED
// Look flags shared by every CEnTabCtrl of the module.
constexpr DWORD kTabLookBackColour = 0x01;       // unselected tabs take the background colour
constexpr DWORD kTabLookOwnColour = 0x02;        // derive colours from the control's background
constexpr DWORD kTabLookSelectedLighter = 0x04;  // the selected tab is lighter
constexpr DWORD kTabLookGradient = 0x08;         // vertical gradient on deep displays
constexpr DWORD kTabLookUnselectedDarker = 0x10; // unselected tabs are darker
constexpr double kTabSelectedLighter = 1.4;      // selected tab colour
constexpr double kTabUnselectedDarker = 0.9;     // unselected tab colour
constexpr double kTabUnselectedTextDarker = 0.5; // unselected tab text
constexpr double kTabGradientEndDarker = 0.7;    // bottom of an unselected tab's gradient
constexpr double kTabBorderLighter = 1.4;        // light edges of the tab and page borders
constexpr double kTabBorderDarker = 0.5;         // dark edges of the tab and page borders
constexpr int kTabGradientMinBits = 16;          // shallower displays get a flat fill
constexpr int kTabGradientBand = 2;              // height of one gradient band, pixels
constexpr int kTabTextMarginX = 3;               // text inset at the left and the right
constexpr int kTabTextMarginTop = 3;             // text inset at the top
constexpr int kTabSelectedTextMarginTop = 4;     // text inset at the top of the selected tab
constexpr int kTabImageAdvance = 19;             // text moves this far right of the image
constexpr int kTabTextMax = 99;                  // characters read from a tab
constexpr int kTabSelectedGrow = 2;              // the selected tab is this much wider on each side
constexpr const wchar_t kTabEllipsis[] = L"..."; // end of a shortened caption
static_assert(kTabOwnerDrawStyle == TCS_OWNERDRAWFIXED);

} // namespace kctl
